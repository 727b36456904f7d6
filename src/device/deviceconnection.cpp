#include "deviceconnection.h"

#include "portguard.h"

#include <QFileInfo>

DeviceConnection::DeviceConnection(QObject *parent)
    : QObject(parent), m_port(new QSerialPort(this)), m_guard(new PortGuard(m_port, this)),
      m_link(m_port)
{
    connect(m_guard, &PortGuard::portLost, this, &DeviceConnection::lineLost);
}

DeviceConnection::~DeviceConnection() = default;

bool DeviceConnection::open(const QString &portName)
{
    m_requestedName = portName;
    m_failure = OpenFailure();
    m_port->setPortName(portName);
    // A port left at another speed would look connected and garble every frame.
    if (m_port->open(QIODevice::ReadWrite) && DeviceLink::applyLineSettings(*m_port))
        return true;
    m_failure.error = m_port->error();
    m_failure.reason = m_port->errorString();
    m_port->close();
    const QString name = m_port->portName();
    const QFileInfo device(name.startsWith(QLatin1Char('/')) ? name
                                                             : QStringLiteral("/dev/") + name);
    m_failure.noAccess = m_failure.error == QSerialPort::PermissionError && device.exists() &&
                         !(device.isReadable() && device.isWritable());
    return false;
}

void DeviceConnection::close()
{
    if (m_port->isOpen())
        m_port->close();
}

QString DeviceConnection::lossReason(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
        return QStringLiteral("read error");
    case QSerialPort::WriteError:
        return QStringLiteral("write error");
    case QSerialPort::ResourceError:
        return QStringLiteral("device gone");
    default:
        return QStringLiteral("error %1").arg(int(error));
    }
}

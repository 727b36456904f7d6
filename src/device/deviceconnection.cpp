#include "deviceconnection.h"

#include "portguard.h"

#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// Where serial ports leave their lock files, as the serial port library looks for them: the
// first of these that holds a lock file for the port names its holder.
QString lockFileOf(const QString &portName)
{
    const QStringList directories = {
        QStringLiteral("/var/lock"),
        QStringLiteral("/etc/locks"),
        QStringLiteral("/var/spool/locks"),
        QStringLiteral("/var/spool/uucp"),
        QStringLiteral("/tmp"),
        QStringLiteral("/var/tmp"),
        QStringLiteral("/var/lock/lockdev"),
        QStringLiteral("/run/lock"),
        QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    QString name = portName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const QString &directory : directories) {
        const QString path = directory + QStringLiteral("/LCK..") + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

} // namespace

QString DeviceConnection::OpenFailure::text() const
{
    switch (cause) {
    case Cause::None:
        return QString();
    case Cause::Busy:
        if (holder.isEmpty())
            return tr("Порт занят другой программой: закройте ее и подключитесь снова");
        return tr("Порт занят другой программой (%1, PID %2): закройте ее и подключитесь снова")
            .arg(holder)
            .arg(holderPid);
    case Cause::NoAccess:
        return tr("Нет прав на доступ к порту (%1).\nВ Linux доступ к порту дает членство в "
                  "группе dialout: sudo usermod -aG dialout $USER, затем войдите в систему "
                  "заново.")
            .arg(reason);
    case Cause::NoSuchPort:
        return tr("Такого порта нет: проверьте имя порта и подключение адаптера");
    case Cause::Other:
        break;
    }
    return reason;
}

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
    // The port's lock file is named after the path it is opened by: through a symlink (as udev
    // rules make them) a second program would lock another name and share the line. Opening
    // the device itself gives every path of one port the one lock.
    const QFileInfo given(portName.contains(QLatin1Char('/')) ? portName
                                                              : QStringLiteral("/dev/") + portName);
    const QString target = given.isSymLink() ? given.canonicalFilePath() : QString();
    m_port->setPortName(target.isEmpty() ? portName : target);
    // A port left at another speed would look connected and garble every frame.
    if (m_port->open(QIODevice::ReadWrite) && DeviceLink::applyLineSettings(*m_port))
        return true;
    m_failure.error = m_port->error();
    m_failure.reason = m_port->errorString();
    m_port->close();
    const QString name = m_port->portName();
    const QFileInfo device(name.startsWith(QLatin1Char('/')) ? name
                                                             : QStringLiteral("/dev/") + name);
    using Cause = OpenFailure::Cause;
    if (m_failure.error == QSerialPort::DeviceNotFoundError || !device.exists()) {
        m_failure.cause = Cause::NoSuchPort;
    } else if (m_failure.error != QSerialPort::PermissionError) {
        m_failure.cause = Cause::Other;
    } else if (!(device.isReadable() && device.isWritable())) {
        m_failure.cause = Cause::NoAccess;
    } else {
        // The port reports a lock held by another program, and a port opened exclusively, as a
        // permission error too.
        m_failure.cause = Cause::Busy;
        const QString lockFile = lockFileOf(name);
        if (!lockFile.isEmpty()) {
            QLockFile lock(lockFile);
            QString host;
            if (!lock.getLockInfo(&m_failure.holderPid, &host, &m_failure.holder))
                m_failure.holder.clear();
        }
    }
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
        return tr("ошибка чтения");
    case QSerialPort::WriteError:
        return tr("ошибка записи");
    case QSerialPort::ResourceError:
        return tr("устройство отключено");
    default:
        return tr("ошибка %1").arg(int(error));
    }
}

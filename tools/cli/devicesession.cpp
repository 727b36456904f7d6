#include "devicesession.h"

#include "console.h"

namespace {

// The port has been closed by the time the loss is reported, which clears its error text.
QString lossReason(QSerialPort::SerialPortError error)
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

} // namespace

DeviceSession::DeviceSession(Console &console, bool trace) : guard(&port), deviceLink(&port)
{
    deviceLink.setTraceDevice(nullptr);
    if (trace) {
        exchangeLog = std::make_unique<ExchangeLogWriter>(console.errorDevice());
        deviceLink.setEventSink(exchangeLog.get());
    }
    QObject::connect(
        &guard, &PortGuard::portLost, &guard, [this, &console](QSerialPort::SerialPortError error) {
            console.error(QStringLiteral("lost port %1: %2").arg(requestedName, lossReason(error)));
        });
}

bool DeviceSession::open(const QString &portName, QString &error)
{
    requestedName = portName;
    port.setPortName(portName);
    if (!port.open(QIODevice::ReadWrite)) {
        error = port.errorString();
        port.close();
        return false;
    }
    if (!DeviceLink::applyLineSettings(port)) {
        error = port.errorString();
        port.close();
        return false;
    }
    return true;
}

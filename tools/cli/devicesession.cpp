#include "devicesession.h"

#include "console.h"

namespace {

constexpr qint32 BaudRate = 9600;

} // namespace

DeviceSession::DeviceSession(Console &console, bool trace) : guard(&port), deviceLink(&port)
{
    deviceLink.setTraceDevice(trace ? console.errorDevice() : nullptr);
    QObject::connect(&guard, &PortGuard::portLost, &guard, [this, &console] {
        console.error(QStringLiteral("lost port %1: %2").arg(port.portName(), port.errorString()));
    });
}

bool DeviceSession::open(const QString &portName, QString &error)
{
    port.setPortName(portName);
    if (!port.open(QIODevice::ReadWrite)) {
        error = port.errorString();
        port.close();
        return false;
    }
    const bool configured = port.setBaudRate(BaudRate) && port.setDataBits(QSerialPort::Data8) &&
                            port.setParity(QSerialPort::NoParity) &&
                            port.setStopBits(QSerialPort::OneStop);
    if (!configured) {
        error = port.errorString();
        port.close();
        return false;
    }
    return true;
}

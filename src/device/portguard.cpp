#include "portguard.h"

#include <QScopedValueRollback>

PortGuard::PortGuard(QSerialPort *watchedPort, QObject *parent) : QObject(parent), port(watchedPort)
{
    // Lets portLost() travel through queued connections and signal spies.
    qRegisterMetaType<QSerialPort::SerialPortError>();
    connect(port, &QSerialPort::errorOccurred, this, &PortGuard::handleError);
}

void PortGuard::handleError(QSerialPort::SerialPortError error)
{
    const bool linkError = error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
                           error == QSerialPort::ResourceError;
    // Errors raised while closing belong to the loss already being handled.
    if (!linkError || closing || !port->isOpen()) {
        return;
    }
    {
        const QScopedValueRollback<bool> closingScope(closing, true);
        port->close();
    }
    ++lost;
    emit portLost(error);
}

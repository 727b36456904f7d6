#pragma once

#include "devicelink.h"
#include "portguard.h"

#include <QSerialPort>
#include <QString>

#include <memory>

class Console;

// One serial port opened for a supply, with the device link on it and a guard that closes the port
// when the line dies, so that a transfer then ends at once instead of waiting out every request.
class DeviceSession
{
public:
    // With `trace` the exchange log goes to standard error; the link's own traces are dropped,
    // so that nothing of the link mixes with the program text on standard output.
    DeviceSession(Console &console, bool trace);

    // Opens the port 9600 8N1 for reading and writing; on failure `error` says why.
    bool open(const QString &portName, QString &error);

    DeviceLink &link() { return deviceLink; }

private:
    // As the user gave it; the port itself drops a leading /dev/.
    QString requestedName;
    QSerialPort port;
    PortGuard guard;
    // Before the link, which reports to it until it goes.
    std::unique_ptr<ExchangeLogWriter> exchangeLog;
    DeviceLink deviceLink;
};

#pragma once

#include <QObject>
#include <QSerialPort>

// Closes a serial port once when it fails while open (adapter pulled out, other end gone)
// and says so, so that the owner returns to the not-connected state and requests fail at once.
//
// A read, write or resource error counts alike: on a pseudo-terminal whose other end has
// gone, Qt reports a storm of read errors and never a resource error; the first one closes
// the port, which ends the storm, and portLost() is emitted once for it.
// Connect portLost() to the owner's "disconnected" handling (for the window, its ClosePort).
class PortGuard : public QObject
{
    Q_OBJECT
public:
    // Watches `port` (not owned) until the guard or the port is destroyed.
    explicit PortGuard(QSerialPort *port, QObject *parent = nullptr);

    // How many times the port was lost since construction.
    int lostCount() const { return lost; }

signals:
    void portLost(QSerialPort::SerialPortError error);

private:
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort *port;
    bool closing = false;
    int lost = 0;
};

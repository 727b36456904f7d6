#pragma once

#include "devicelink.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

class PortGuard;

// One serial port opened for a supply at 9600 8N1, the device link on it, and a guard that
// closes the port once when the line dies, so that a transfer then ends at once instead of
// waiting out every request. The window and the command-line tool connect through it.
class DeviceConnection : public QObject
{
    Q_OBJECT
public:
    // Why the last open() failed, as the port said it.
    struct OpenFailure
    {
        enum class Cause
        {
            None,
            // Held by another program: its lock file, or the port's own exclusive open.
            Busy,
            // The device file exists but this user may not read and write it.
            NoAccess,
            NoSuchPort,
            // Anything else: the system's own words say it.
            Other,
        };

        Cause cause = Cause::None;
        QSerialPort::SerialPortError error = QSerialPort::NoError;
        // The system's own words.
        QString reason;
        // From the lock file of a busy port, when it names them.
        QString holder;
        qint64 holderPid = 0;

        // The cause in the user's words, with what to do.
        QString text() const;
    };

    explicit DeviceConnection(QObject *parent = nullptr);
    ~DeviceConnection() override;

    // Opens `portName` (a name or a path) for reading and writing with the line settings, or
    // leaves it closed and fills failure().
    bool open(const QString &portName);
    void close();
    bool isOpen() const { return m_port->isOpen(); }

    const OpenFailure &failure() const { return m_failure; }
    // The name as open() was given it; the port itself drops a leading /dev/.
    QString requestedName() const { return m_requestedName; }

    QSerialPort *port() const { return m_port; }
    DeviceLink &link() { return m_link; }

    // A loss the port reports closes it already; what it said is in `error`.
    static QString lossReason(QSerialPort::SerialPortError error);

signals:
    // The line died while open; the port is closed by now.
    void lineLost(QSerialPort::SerialPortError error);

private:
    QSerialPort *m_port;
    PortGuard *m_guard;
    DeviceLink m_link;
    OpenFailure m_failure;
    QString m_requestedName;
};

#pragma once

#include "devicelink.h"

#include <QByteArray>
#include <QProcess>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

// What the benchmarks share: this process's CPU time, and a simulated supply with its port open.
namespace Bench {

constexpr int ProcessTimeoutMs = 10000;

inline qint64 cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000 +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

// A running simulated supply, started with `arguments`, whose port is open at 9600 8N1.
class Supply
{
public:
    Supply(const QString &program, const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (process.waitForStarted(ProcessTimeoutMs) &&
            process.waitForReadyRead(ProcessTimeoutMs)) {
            port.setPortName(QString::fromLocal8Bit(process.readLine()).trimmed());
            if (port.open(QIODevice::ReadWrite)) {
                DeviceLink::applyLineSettings(port);
            }
        }
    }
    ~Supply()
    {
        port.close();
        process.write("quit\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(ProcessTimeoutMs)) {
            process.kill();
            process.waitForFinished(ProcessTimeoutMs);
        }
    }
    Supply(const Supply &) = delete;
    Supply &operator=(const Supply &) = delete;

    // Sends one control line; true when the supply answers "ok".
    bool command(const QByteArray &line)
    {
        process.write(line + '\n');
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(ProcessTimeoutMs)) {
                return false;
            }
        }
        return process.readLine().trimmed() == "ok";
    }

    QSerialPort port;

private:
    QProcess process;
};

} // namespace Bench

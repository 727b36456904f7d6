#pragma once

#include "devicelink.h"
#include "simulatorprocess.h"

#include <QBuffer>
#include <QSerialPort>
#include <QStringList>

// A simulated supply, a QSerialPort open on its pseudo-terminal at 9600 8N1 and a DeviceLink
// on that port whose traces are collected in memory.
struct LinkFixture
{
    SimulatorProcess sim;
    QSerialPort port;
    QBuffer trace;
    DeviceLink link{&port};

    // Starts the simulator with `arguments` and opens the port; false with a reason in `why`.
    bool start(const QStringList &arguments, QString *why)
    {
        if (!sim.start(arguments)) {
            *why = sim.errorString();
            return false;
        }
        port.setPortName(sim.portPath());
        if (!port.open(QIODevice::ReadWrite)) {
            *why = port.errorString();
            return false;
        }
        DeviceLink::applyLineSettings(port);
        trace.open(QIODevice::WriteOnly);
        link.setTraceDevice(&trace);
        return true;
    }

    QString traced() const { return QString::fromLatin1(trace.data()); }
};

#define START_FIXTURE(fixture, ...)                                                                \
    do {                                                                                           \
        QString why_;                                                                              \
        const bool started_ = (fixture).start(QStringList{__VA_ARGS__}, &why_);                    \
        QVERIFY2(started_, qPrintable(why_));                                                      \
    } while (false)

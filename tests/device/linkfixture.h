#pragma once

#include "devicelink.h"
#include "exchangelog.h"
#include "simulatorprocess.h"

#include <QBuffer>
#include <QSerialPort>
#include <QStringList>
#include <QVector>

// The link's exchange log as it was reported.
struct ExchangeRecorder : ExchangeObserver
{
    QVector<ExchangeEvent> events;
    void exchangeEvent(const ExchangeEvent &event) override { events.append(event); }
    // The kinds in order, one word each: "sent timeout retry2/3 sent received".
    QString kinds() const
    {
        // In the order of ExchangeEvent::Kind.
        static const char *const names[] = {"sent",  "received", "timeout",   "retry", "foreign",
                                            "stale", "echo",     "discarded", "doubt"};
        QStringList words;
        for (const ExchangeEvent &event : events) {
            QString word = QLatin1String(names[int(event.kind)]);
            if (event.kind == ExchangeEvent::Kind::Retry) {
                word += QStringLiteral("%1/%2").arg(event.value).arg(event.limit);
            }
            words << word;
        }
        return words.join(QLatin1Char(' '));
    }
};

// A simulated supply, a QSerialPort open on its pseudo-terminal at 9600 8N1 and a DeviceLink
// on that port whose traces and exchange log are collected in memory.
struct LinkFixture
{
    SimulatorProcess sim;
    QSerialPort port;
    QBuffer trace;
    ExchangeRecorder log;
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
        link.setEventSink(&log);
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

#pragma once

#include "deviceconnection.h"

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>

#include <functional>
#include <memory>

class DeviceLink;
class ExchangeObserver;
class QIODevice;
class QThread;
class SessionWorker;

// The one owner of the serial line. The port, its guard and the device link live in a thread of
// their own, where jobs run one at a time in the order they were submitted. Callers submit and
// return at once; what a job finds comes back in the caller's thread as callbacks and signals, so
// a window never waits inside a slot and a dialog opened meanwhile does not hold the line.
//
// Opening and closing the port are jobs too. A close asked for while a job runs reaches it at
// once, as a hang-up would: every following request of that job gives NoReply.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    // What a job may do from the session's thread towards its caller.
    class Context
    {
    public:
        virtual ~Context();
        // Runs `call` in the caller's thread, after everything the job posted before, unless
        // the caller's object is gone by then.
        virtual void post(std::function<void()> call) = 0;

    protected:
        Context() = default;
        Context(const Context &) = default;
        Context &operator=(const Context &) = default;
    };

    struct Job
    {
        // Objects of the caller that the callbacks belong to; none is called once it is gone.
        QPointer<QObject> owner;
        // Runs in the session's thread on the line; it must not touch the caller's objects
        // except through the context.
        std::function<void(DeviceLink &link, Context &context)> work;
        // Runs in the caller's thread once the work has returned.
        std::function<void()> done;
        // Called from the caller's thread to stop the work after the request on the line.
        std::function<void()> cancel;
        // A job repeated for its own sake (a poll): it waits while any other job is queued.
        bool yields = false;
    };

    explicit DeviceSession(QObject *parent = nullptr);
    // Ends the running job as a close would and waits for the line's thread to finish.
    ~DeviceSession() override;
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // Opens `portName` (a name or a path) with the line settings; opened() tells how it went.
    void open(const QString &portName);
    // Closes the port: at once for the caller, and for a running job at its next wait.
    void close();

    // The port as the caller last heard of it.
    bool isOpen() const { return m_open; }
    bool isOpening() const { return m_opening; }
    // Why the last open failed; valid after opened(false).
    const DeviceConnection::OpenFailure &failure() const { return m_failure; }
    // The name the last open was given.
    QString requestedName() const { return m_requestedName; }

    // Queues `job`; it runs once every job before it has ended.
    void submit(Job job);
    // Asks the running job to stop after the request on the line; safe while none runs.
    void cancel();
    // No job is queued or running.
    bool isIdle() const { return m_pending == 0; }

    // Where the link's traces go (standard output unless told otherwise); nullptr discards
    // them. The device is used from the session's thread only.
    void setTraceDevice(QIODevice *device);
    // Who hears of the link's frames and events, in the caller's thread; nullptr for nobody.
    // Not owned.
    void setExchangeObserver(ExchangeObserver *observer);

    // The port itself, for checking its settings while no job runs (tests and benchmarks).
    QSerialPort *port() const;

    // For a tool without a window: returns once every submitted job has ended and its
    // callbacks have run.
    void waitUntilIdle();

signals:
    void opened(bool ok);
    // The line died while open; the port is closed by now.
    void lineLost(QSerialPort::SerialPortError error);
    // The last queued job has ended.
    void idle();

private:
    friend class SessionWorker;
    void jobEnded();

    QThread *m_thread;
    SessionWorker *m_worker;
    ExchangeObserver *m_observer = nullptr;
    DeviceConnection::OpenFailure m_failure;
    QString m_requestedName;
    int m_pending = 0;
    bool m_open = false;
    bool m_opening = false;
};

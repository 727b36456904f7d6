#pragma once

#include "registerlayout.h"
#include "registersample.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>

class DeviceSession;

// Polls the chosen fixed-register blocks of one supply every interval, as jobs of the device
// session that yield: a transfer, scan or other job submitted meanwhile waits at most for the
// poll on the line, and polling goes on after it. One poll is in flight at a time; when the
// line is slower than the interval, the next poll follows the last at once. A lost line stops
// polling with its reason.
class RegisterPoll : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        quint8 slave = 0;
        QStringList keys = RegisterLayout::defaultKeys();
        // For the blocks that take the caller's access code (A8, AB).
        quint8 access = 1;
        int intervalMs = 500;
    };

    explicit RegisterPoll(DeviceSession &session, QObject *parent = nullptr);
    ~RegisterPoll() override;

    // Takes effect with the next poll. An interval below what the line carries for the blocks
    // is raised to that.
    void setSettings(const Settings &settings);
    const Settings &settings() const { return m_settings; }

    // Starts polling at once; false, with stopped(reason), when the port is not open.
    bool start();
    // Stops after the poll on the line, whose sample still comes.
    void stop();
    bool isRunning() const { return m_running; }
    // A poll is on the line or waiting in the session's queue.
    bool isPolling() const { return m_inFlight; }

    int polls() const { return m_polls; }
    // Polls in which some block did not answer.
    int failedPolls() const { return m_failed; }
    void resetCounts();

signals:
    void sampled(const RegisterSample &sample);
    // Polling ended: `reason` says why when the user did not ask for it.
    void stopped(const QString &reason);

private:
    void submitPoll();
    void pollDone(const RegisterSample &sample);
    void halt(const QString &reason);

    DeviceSession &m_session;
    Settings m_settings;
    QTimer m_timer;
    QElapsedTimer m_pollStart;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    int m_polls = 0;
    int m_failed = 0;
    bool m_running = false;
    bool m_inFlight = false;
};

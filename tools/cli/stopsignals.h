#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP ask the running transfer to stop after the request on the line
// instead of killing the tool in the middle of a write; a second one ends the tool at once.
// SIGPIPE is ignored, so that output into a closed pipe is a failed write the tool reports.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The first stop signal received, 0 while none came.
    static int received();
    // The exit status a stop by `signal` ends with: 130 for SIGINT, 1 otherwise.
    static int exitStatus(int signal);
    static QString signalName(int signal);
    // The installed object, or nullptr.
    static StopSignals *instance();

signals:
    // Emitted from the event loop once a stop signal came.
    void stopRequested();

private:
    void readPipe();

    QSocketNotifier *notifier = nullptr;
};

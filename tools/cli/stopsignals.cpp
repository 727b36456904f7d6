#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t firstSignal = 0;
// The handler only writes a byte here; the event loop reads it.
int wakePipe[2] = {-1, -1};
StopSignals *installed = nullptr;

constexpr int InterruptedStatus = 128 + SIGINT;

extern "C" void onStopSignal(int signal)
{
    if (firstSignal != 0) {
        // Asked twice: the user does not want to wait for the request on the line.
        _exit(signal == SIGINT ? InterruptedStatus : 1);
    }
    firstSignal = signal;
    const char byte = 1;
    const ssize_t ignored = ::write(wakePipe[1], &byte, 1);
    (void)ignored;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    installed = this;
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe(wakePipe) != 0)
        return;
    for (const int fd : wakePipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals()
{
    installed = nullptr;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

StopSignals *StopSignals::instance()
{
    return installed;
}

int StopSignals::received()
{
    return firstSignal;
}

int StopSignals::exitStatus(int signal)
{
    return signal == SIGINT ? InterruptedStatus : 1;
}

QString StopSignals::signalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QString::number(signal);
    }
}

void StopSignals::readPipe()
{
    char sink[16];
    while (::read(wakePipe[0], sink, sizeof sink) > 0) {
    }
    emit stopRequested();
}

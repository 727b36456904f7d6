// Resident memory and CPU share of a connected, idle window while the simulated supply floods the
// line as fast as the pseudo-terminal takes it (noise, over-long lines, answers to nothing).
// The link reads and drops what comes while no request waits, so memory should stay flat.
//
// Usage: bench_idleflood [seconds, default 10] [path of quorvel-sim]

#include "benchsupply.h"
#include "benchwindow.h"
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int DefaultSeconds = 10;
constexpr int ConnectWaitMs = 5000;
constexpr int SampleMs = 100;

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto args =
        Bench::windowBenchArgs("bench_idleflood", DefaultSeconds, QStringLiteral(QUORVEL_SIM_PATH));
    if (!args)
        return 2;
    const int seconds = args->seconds;
    const QString simulator = args->simulator;
    const Bench::IsolatedSettings settings;

    Bench::Supply supply(simulator, {});
    const QString path = supply.port.portName();
    supply.port.close();
    if (path.isEmpty()) {
        std::fprintf(stderr, "bench_idleflood: cannot run %s\n", qPrintable(simulator));
        return 1;
    }
    MainWindow window;
    // The port opens on the line's own thread: wait for the window to say how it went.
    const auto connectTo = [&window](const QString &name) {
        window.portBox()->setEditText(name);
        window.findChild<QAction *>(QStringLiteral("connectAction"))->trigger();
        QElapsedTimer waited;
        waited.start();
        while (!window.isConnected() && waited.elapsed() < ConnectWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return window.isConnected();
    };
    if (!connectTo(QStringLiteral("/dev/") + path) && !connectTo(path)) {
        std::fprintf(stderr, "bench_idleflood: the window does not connect to %s\n",
                     qPrintable(path));
        return 1;
    }

    // Settle, then flood.
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 before = residentKb();
    if (!supply.command("flood " + QByteArray::number(seconds * 1000))) {
        std::fprintf(stderr, "bench_idleflood: the simulator refused to flood\n");
        return 1;
    }
    const qint64 cpuStart = Bench::cpuMicroseconds();
    QElapsedTimer wall;
    wall.start();
    qint64 most = before;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&]() {
        most = qMax(most, residentKb());
        if (wall.elapsed() >= qint64(seconds) * 1000) {
            loop.quit();
        }
    });
    sampler.start(SampleMs);
    loop.exec();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = double(Bench::cpuMicroseconds() - cpuStart) / 1e3;
    const qint64 after = residentKb();
    std::printf("connected idle window, supply flooding the line for %d s (unpaced)\n", seconds);
    std::printf("  resident memory %lld kB before, at most %lld kB during, %lld kB after\n",
                static_cast<long long>(before), static_cast<long long>(most),
                static_cast<long long>(after));
    std::printf("  cpu %.1f ms of %.1f ms wall = %.2f %%\n", cpuMs, wallMs,
                wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0);
    return 0;
}

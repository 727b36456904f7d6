// The register monitor of the window (offscreen) polling 01, 10 and 03 of a simulated supply
// that paces a 9600 8N1 line, at the shortest interval the line carries, three fields on the
// chart: samples per second against what the line can carry, the window's CPU share (goal under
// 5 %) and its resident memory at the start and the end (goal: flat within 10 MB). Then a write
// of 100 records started while the monitor polls: its wall time against the write's own line
// bound (goal at most 1.10) and the delay before its first request (goal: under one poll).
//
// Usage: bench_monitor [seconds, default 600] [path of quorvel-sim]

#include "benchsupply.h"
#include "benchwindow.h"
#include "devicesession.h"
#include "exchangelog.h"
#include "registerdock.h"
#include "registerlayout.h"
#include "registerpoll.h"
#include "lanechart.h"

#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

constexpr int DefaultSeconds = 600;
constexpr int Records = 100;
constexpr double CpuGoalPercent = 5.0;
constexpr qint64 MemoryGoalKb = 10 * 1024;
constexpr double RatioGoal = 1.10;
constexpr int BitsPerChar = 10;
constexpr int Baud = 9600;
constexpr int WriteRuns = 3;

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The first program-line request of the write, as the link reports it.
struct FirstLineRequest : ExchangeObserver
{
    std::atomic<qint64> atMs{0};
    QByteArray prefix;
    void exchangeEvent(const ExchangeEvent &event) override
    {
        if (event.kind == ExchangeEvent::Kind::Sent && event.frame.startsWith(prefix) && atMs == 0)
            atMs = event.atMs;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto args =
        Bench::windowBenchArgs("bench_monitor", DefaultSeconds, QStringLiteral(QUORVEL_SIM_PATH));
    if (!args)
        return 2;
    const int seconds = args->seconds;
    const QString simulator = args->simulator;
    const Bench::IsolatedSettings settings;

    Bench::Supply supply(simulator, {QStringLiteral("--pace")});
    const QString path = supply.port.portName();
    supply.port.close();
    if (path.isEmpty()) {
        std::fprintf(stderr, "bench_monitor: cannot run %s\n", qPrintable(simulator));
        return 1;
    }
    MainWindow window;
    window.portBox()->setEditText(QStringLiteral("/dev/") + path);
    window.findChild<QAction *>(QStringLiteral("connectAction"))->trigger();
    QElapsedTimer opening;
    opening.start();
    while (!window.isConnected() && opening.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.isConnected()) {
        std::fprintf(stderr, "bench_monitor: the window does not connect to %s\n",
                     qPrintable(path));
        return 1;
    }
    auto *dock = window.findChild<RegisterDock *>();
    // The link's raw traces are not the figures.
    dock->session().setTraceDevice(nullptr);
    window.findChild<QAction *>(QStringLiteral("registersAction"))->trigger();
    // Us, Uo and M1 on the chart; the interval falls to the shortest the line carries.
    auto *table = dock->findChild<QTableWidget *>(QStringLiteral("registerTable"));
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString field = table->item(row, 0)->text();
        if (field == QLatin1String("01.0") || field == QLatin1String("10.0") ||
            field == QLatin1String("03.0"))
            table->item(row, 0)->setCheckState(Qt::Checked);
    }
    auto *interval = dock->findChild<QSpinBox *>(QStringLiteral("intervalBox"));
    interval->setValue(interval->minimum());
    emit interval->editingFinished();
    window.findChild<QAction *>(QStringLiteral("verifyAction"))->setChecked(false);
    const auto timedWrite = [&window]() {
        QElapsedTimer writing;
        writing.start();
        window.findChild<QAction *>(QStringLiteral("writeAction"))->trigger();
        while (window.isTransferRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return double(writing.nsecsElapsed()) / 1e6;
    };
    // The supply runs a saw in cell 3 the whole time, so the charted fields keep changing. This
    // first write on the port also pays the quiet start.
    window.editor()->setPlainText(QStringLiteral(
        "prgName = \"Saw\";\n#1;\nUs += 7;\nM1 += 1;\ndelay_ms 90;\nif Us < 3000 #1 else #2;\n"
        "#2;\nUo = Us;\nUs = 0;\njmp #1;"));
    window.cellBox()->setCurrentIndex(2);
    timedWrite();
    if (!supply.command("run 3")) {
        std::fprintf(stderr, "bench_monitor: the simulator does not run cell 3\n");
        return 1;
    }
    // A write of 100 records into cell 2 while polling goes on; no read-back.
    QStringList program = {QStringLiteral("prgName = \"Bench\";")};
    for (int i = 1; i < Records; ++i)
        program << QStringLiteral("Us = %1;").arg(1000 + i);
    window.editor()->setPlainText(program.join(QLatin1Char('\n')));
    window.cellBox()->setCurrentIndex(1);
    // Each line: 21-byte request, 6-byte answer; then the count (7, 6) and the name (11, 6).
    const auto frameChars = [](int bytes) { return 2 + 2 * bytes; };
    const qint64 chars = Records * (frameChars(21) + frameChars(6)) + frameChars(7) +
                         frameChars(6) + frameChars(11) + frameChars(6);
    const double boundMs = 1000.0 * double(chars) * BitsPerChar / Baud;
    // The same write on a quiet line first: what "unchanged" is held against.
    const double quietWriteMs = timedWrite();
    const QStringList keys = RegisterLayout::defaultKeys();
    const double pollLineMs = double(RegisterLayout::pollLineUs(keys)) / 1000.0;
    dock->startPolling();
    const int intervalMs = dock->poll().settings().intervalMs;
    wait(3000);

    const int pollsBefore = dock->poll().polls();
    const qint64 memoryStart = residentKb();
    const qint64 cpuStart = Bench::cpuMicroseconds();
    QElapsedTimer wall;
    wall.start();
    qint64 most = memoryStart;
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&]() {
        most = qMax(most, residentKb());
        if (wall.elapsed() >= qint64(seconds) * 1000)
            loop.quit();
    });
    sampler.start(1000);
    loop.exec();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = double(Bench::cpuMicroseconds() - cpuStart) / 1e3;
    const qint64 memoryEnd = residentKb();
    const int polls = dock->poll().polls() - pollsBefore;
    const double rate = 1000.0 * polls / wallMs;
    const double lineRate = 1000.0 / pollLineMs;
    const double cpuPercent = 100.0 * cpuMs / wallMs;
    const bool cpuMet = cpuPercent < CpuGoalPercent;
    const bool memoryMet = memoryEnd - memoryStart <= MemoryGoalKb;
    std::printf("monitor: 01, 10, 03 every %d ms (shortest allowed), 3 fields charted, %d s, "
                "paced 9600 8N1, the supply running a saw\n",
                intervalMs, seconds);
    std::printf("  %d polls, %d failed: %.2f samples/s; the line carries %.2f (%.1f ms a poll)\n",
                polls, dock->poll().failedPolls(), rate, lineRate, pollLineMs);
    std::printf("  chart: %d, %d and %d steps in the lanes of 01.0, 10.0 and 03.0\n",
                int(dock->chart()->steps(0).size()), int(dock->chart()->steps(1).size()),
                int(dock->chart()->steps(2).size()));
    std::printf("  cpu %.1f ms of %.1f ms wall = %.2f %% (goal < %.1f %%) %s\n", cpuMs, wallMs,
                cpuPercent, CpuGoalPercent, cpuMet ? "goal met" : "goal MISSED");
    std::printf("  resident memory %lld kB at start, at most %lld kB, %lld kB at end: %+lld kB "
                "(goal within %lld kB) %s\n",
                static_cast<long long>(memoryStart), static_cast<long long>(most),
                static_cast<long long>(memoryEnd), static_cast<long long>(memoryEnd - memoryStart),
                static_cast<long long>(MemoryGoalKb), memoryMet ? "goal met" : "goal MISSED");

    // Where a write falls in the poll's cycle is chance: three of them, the worst counts.
    double worstRatio = 0;
    qint64 worstDelayMs = -1;
    for (int run = 0; run < WriteRuns; ++run) {
        FirstLineRequest first;
        first.prefix = "#00C8B1";
        dock->session().setExchangeObserver(&first);
        const qint64 startedAt = QDateTime::currentMSecsSinceEpoch();
        const double writeMs = timedWrite();
        dock->session().setExchangeObserver(nullptr);
        const qint64 delayMs = first.atMs > 0 ? first.atMs - startedAt : intervalMs;
        std::printf("  write %d: wall %.1f ms = %.3f x its line bound, first request after "
                    "%lld ms\n",
                    run + 1, writeMs, writeMs / boundMs, static_cast<long long>(delayMs));
        worstRatio = qMax(worstRatio, writeMs / boundMs);
        worstDelayMs = qMax(worstDelayMs, delayMs);
        wait(intervalMs * 3 / 2 + 37 * run);
    }
    const bool ratioMet = worstRatio <= RatioGoal;
    const bool delayMet = worstDelayMs < intervalMs;
    std::printf("write of %d records while the monitor polls, worst of %d:\n", Records, WriteRuns);
    std::printf("  %.3f x its line bound of %.1f ms (goal <= %.2f; %.3f on a quiet line) %s\n",
                worstRatio, boundMs, RatioGoal, quietWriteMs / boundMs,
                ratioMet ? "goal met" : "goal MISSED");
    std::printf("  first request %lld ms after the start (goal under one poll, %d ms) %s\n",
                static_cast<long long>(worstDelayMs), intervalMs,
                delayMet ? "goal met" : "goal MISSED");
    const int pollsAfter = dock->poll().polls();
    wait(3 * intervalMs);
    std::printf("  polling goes on after it: %s\n",
                dock->poll().polls() > pollsAfter ? "yes" : "NO");
    return cpuMet && memoryMet && ratioMet && delayMet ? 0 : 1;
}

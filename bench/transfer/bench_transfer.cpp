// Writes a 100-record program into the simulated supply and reads it back, with the supply
// pacing a 9600 8N1 line. For each transfer it prints the wall time, the time the line itself
// needs (every character both ways at 10 bits / 9600 baud, plus the supply's turnaround before
// each answer), their ratio, and the CPU time of this process beside the wall time.
// Goals: ratio at most 1.10, CPU under 5 % of wall time.
//
// Also: the cost of the quiet start (the first request on a freshly opened port waits for a
// quiet line), and a write with its default read-back as a whole, against the write's own line
// bound (goal at most 2.2 times).
//
// Then the same through the window (offscreen, its progress bar and time left updated after
// every answer): a write, and a write with «Проверять после записи», each half measured apart.
// Goals there: CPU under 5 % for the write, ratio at most 1.10 for each half of write + verify.
// A write with operand limits that the program keeps to must cost the same (its ratio unchanged).
// Last, a write on the shown window with «Журнал обмена» hidden and then shown: the log may add
// under 5 % of the write's wall time in CPU. During the first window write a 10 ms timer on the
// window's thread measures how long its event loop stood still at most (goal under 20 ms).
//
// Also the write on a line shared with two other simulated supplies (Slave IDs 3 and 9, which see
// every frame and drop it): its wall time beside the write's alone (goal: within 5 %, the spread of
// two runs of one write).
//
// Usage: bench_transfer [turnaround ms, default 5] [path of quorvel-sim]

#include "benchsupply.h"
#include "compiler.h"
#include "devicelink.h"
#include "deviceprotocol.h"
#include "programtransfer.h"

#include "limitsdialog.h"
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

constexpr int Records = 100;
constexpr int Baud = 9600;
// Start bit, eight data bits, stop bit.
constexpr int BitsPerChar = 10;
constexpr int DefaultTurnaroundMs = 5;
constexpr quint8 Slave = 0;
constexpr int Cell = 1;
constexpr double RatioGoal = 1.10;
constexpr double VerifiedWriteGoal = 2.2;
// A write on a line shared with two other supplies, against the write alone: two runs of the
// same write differ by a few percent on a busy machine.
constexpr double SharedLineGoal = 1.05;
constexpr double CpuGoalPercent = 5.0;
// CPU the shown exchange log may add to a window write, in percent of its wall time.
constexpr double LogGoalPercent = 5.0;
// The longest the window's event loop may stand still during a write.
constexpr int StallGoalMs = 20;
// Longer than the log's batching interval.
constexpr int LogSettleMs = 200;

using Bench::cpuMicroseconds;

// A program of 100 records of every kind, with jumps forwards and backwards.
QString benchProgram()
{
    QStringList lines{QStringLiteral("prgName = \"Bench\";"), QStringLiteral("#0;")};
    for (int i = 1; i < Records - 1; ++i) {
        switch (i % 8) {
        case 0:
            lines << QStringLiteral("M1 += %1;").arg(i);
            break;
        case 1:
            lines << QStringLiteral("delay_ms %1;").arg(i * 10);
            break;
        case 2:
            lines << QStringLiteral("if M1 > %1 #0 else #99;").arg(-i);
            break;
        case 3:
            lines << QStringLiteral("Us = %1;").arg(i * 1000);
            break;
        case 4:
            lines << QStringLiteral("jmp #99;");
            break;
        case 5:
            lines << QStringLiteral("nop;");
            break;
        case 6:
            lines << QStringLiteral("T2 *= M3;");
            break;
        default:
            lines << QStringLiteral("delay_s %1;").arg(i);
            break;
        }
    }
    lines << QStringLiteral("#99;");
    return lines.join(QLatin1Char('\n'));
}

// What went over the line in one stretch of the supply's frame log.
struct LineUse
{
    qint64 chars = 0;
    int answers = 0;
};

// A running simulated supply pacing the line, with its port open and its frames logged to a file.
class Supply
{
public:
    Supply(const QString &program, int turnaroundMs, const QString &log,
           const QStringList &more = {})
        : supply(program, QStringList{QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                                      QString::number(turnaroundMs), QStringLiteral("--log"), log} +
                              more),
          logPath(log)
    {
    }

    QSerialPort &port() { return supply.port; }

    qint64 logSize() const { return QFile(logPath).size(); }

    // The frames logged from byte `from` on: each logged without its CR.
    LineUse lineUseSince(qint64 from) const
    {
        LineUse use;
        QFile log(logPath);
        if (!log.open(QIODevice::ReadOnly) || !log.seek(from)) {
            return use;
        }
        for (const QByteArray &line : log.readAll().split('\n')) {
            if (line.startsWith("RX ") || line.startsWith("TX ")) {
                use.chars += line.size() - 3 + 1;
            }
            if (line.startsWith("TX ")) {
                ++use.answers;
            }
        }
        return use;
    }

private:
    Bench::Supply supply;
    QString logPath;
};

// Measures one transfer from construction to report().
class Measure
{
public:
    Measure(const Supply &measured, int turnaround)
        : supply(measured), turnaroundMs(turnaround), logStart(measured.logSize()),
          cpuStart(cpuMicroseconds())
    {
        wall.start();
    }

    // The figures from construction until now.
    struct Figures
    {
        bool succeeded = false;
        double wallMs = 0;
        double cpuMs = 0;
        LineUse use;
    };
    Figures take(bool succeeded) const
    {
        return {succeeded, double(wall.nsecsElapsed()) / 1e6,
                double(cpuMicroseconds() - cpuStart) / 1e3, supply.lineUseSince(logStart)};
    }

    // Prints the figures; true when both goals are met.
    bool report(const char *what, bool succeeded) const
    {
        return print(what, take(succeeded), turnaroundMs);
    }

    static bool print(const char *what, const Figures &figures, int turnaroundMs)
    {
        const double wallMs = figures.wallMs;
        const double cpuMs = figures.cpuMs;
        const LineUse &use = figures.use;
        const bool succeeded = figures.succeeded;
        const double lineMs = 1000.0 * double(use.chars) * BitsPerChar / Baud;
        const double boundMs = lineMs + double(use.answers) * turnaroundMs;
        const double ratio = boundMs > 0 ? wallMs / boundMs : 0.0;
        const double cpuPercent = wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0;
        const bool met = succeeded && ratio <= RatioGoal && cpuPercent < CpuGoalPercent;
        std::printf("%s: %s\n", what, succeeded ? "done" : "FAILED");
        std::printf("  wall %9.1f ms   line bound %9.1f ms (%lld chars both ways = %.1f ms, "
                    "%d answers x %d ms turnaround)\n",
                    wallMs, boundMs, static_cast<long long>(use.chars), lineMs, use.answers,
                    turnaroundMs);
        std::printf("  ratio %.3f (goal <= %.2f)   cpu %.1f ms = %.2f %% of wall (goal < %.0f %%)"
                    "   %s\n",
                    ratio, RatioGoal, cpuMs, cpuPercent, CpuGoalPercent,
                    met ? "goal met" : "goal MISSED");
        std::fflush(stdout);
        return met;
    }

private:
    const Supply &supply;
    int turnaroundMs;
    qint64 logStart;
    qint64 cpuStart;
    QElapsedTimer wall;
};

// The window's link traces every exchange to standard output: sent to /dev/null while the window
// works, so the figures stay readable.
class QuietStdout
{
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout()
    {
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }
    QuietStdout(const QuietStdout &) = delete;
    QuietStdout &operator=(const QuietStdout &) = delete;

private:
    int saved = -1;
};

// How late the window's own 10 ms timer fires while the device works: the longest the event loop
// was held up, which is what a user feels as a stuck window.
class StallWatch
{
public:
    static constexpr int TickMs = 10;

    StallWatch()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(TickMs);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this]() {
            const qint64 ns = clock.nsecsElapsed();
            worstNs = std::max(worstNs, ns - last - qint64(TickMs) * 1000000);
            last = ns;
        });
        clock.start();
        last = clock.nsecsElapsed();
        timer.start();
    }

    double worstLatenessMs() const { return double(worstNs) / 1e6; }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worstNs = 0;
};

// Triggers `action` and returns once the transfer it started has ended.
void runTransfer(MainWindow &window, QAction *action)
{
    action->trigger();
    while (window.isTransferRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool windowTransfers(Supply &supply, const QString &portPath, int turnaroundMs)
{
    MainWindow window;
    auto *connectAction = window.findChild<QAction *>(QStringLiteral("connectAction"));
    auto *writeAction = window.findChild<QAction *>(QStringLiteral("writeAction"));
    auto *verifyAction = window.findChild<QAction *>(QStringLiteral("verifyAction"));
    auto *compareAction = window.findChild<QAction *>(QStringLiteral("compareAction"));
    window.portBox()->setEditText(portPath);
    connectAction->trigger();
    QElapsedTimer opening;
    opening.start();
    while (!window.isConnected() && opening.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.isConnected()) {
        std::fprintf(stderr, "bench_transfer: the window cannot open %s\n", qPrintable(portPath));
        return false;
    }
    window.cellBox()->setCurrentIndex(Cell);
    window.editor()->setPlainText(benchProgram());
    const auto paneEndsWith = [&window](const QString &line) {
        return window.outputPane()->toPlainText().endsWith(line);
    };
    const QString written = QStringLiteral("Данные успешно записаны");
    const QString passed = QStringLiteral("Проверка пройдена: %1 записей совпадают").arg(Records);

    // The first transfer after connecting waits for a quiet line: a compare, not measured, takes
    // that wait, so that the write is measured as a transfer.
    {
        const QuietStdout quiet;
        runTransfer(window, compareAction);
    }
    Measure::Figures plain;
    double stallMs = 0;
    verifyAction->setChecked(false);
    {
        const QuietStdout quiet;
        const StallWatch stalls;
        const Measure measure(supply, turnaroundMs);
        runTransfer(window, writeAction);
        plain = measure.take(paneEndsWith(written));
        stallMs = stalls.worstLatenessMs();
    }
    bool met = Measure::print("window write, progress shown", plain, turnaroundMs);
    const bool stallMet = stallMs < StallGoalMs;
    std::printf(
        "  the window's %d ms timer was at most %.1f ms late during the write (goal < %d ms)"
        "   %s\n",
        StallWatch::TickMs, stallMs, StallGoalMs, stallMet ? "goal met" : "goal MISSED");
    met = met && stallMet;

    // The same write held to limits it keeps to: both checks run before the first request.
    Measure::Figures limited;
    {
        window.findChild<QAction *>(QStringLiteral("limitsAction"))->trigger();
        auto *dialog = window.findChild<LimitsDialog *>();
        OperandLimits limits;
        for (const int code : Language::operandCodes())
            limits.setRange(code, {std::numeric_limits<qint32>::min() + 1, 2000000000});
        dialog->setLimits(limits);
        dialog->accept();
        const QuietStdout quiet;
        const Measure measure(supply, turnaroundMs);
        runTransfer(window, writeAction);
        limited = measure.take(paneEndsWith(written));
    }
    met = Measure::print("window write, limits set and kept", limited, turnaroundMs) && met;
    // The figures below stay those of a window without limits.
    window.findChild<QAction *>(QStringLiteral("limitsAction"))->trigger();
    window.findChildren<LimitsDialog *>().constLast()->setLimits(OperandLimits());
    window.findChildren<LimitsDialog *>().constLast()->accept();

    // The write half ends when the pane shows the write's success line; the check starts there.
    verifyAction->setChecked(true);
    Measure::Figures writeHalf;
    Measure::Figures verifyHalf;
    {
        const QuietStdout quiet;
        std::optional<Measure> half;
        half.emplace(supply, turnaroundMs);
        QObject::connect(window.outputPane(), &QPlainTextEdit::textChanged, &window, [&]() {
            if (paneEndsWith(written) && !writeHalf.succeeded) {
                writeHalf = half->take(true);
                half.emplace(supply, turnaroundMs);
            }
        });
        runTransfer(window, writeAction);
        verifyHalf = half->take(writeHalf.succeeded && paneEndsWith(passed));
    }
    met = Measure::print("window write + verify: write half", writeHalf, turnaroundMs) && met;
    met = Measure::print("window write + verify: verify half", verifyHalf, turnaroundMs) && met;

    // The exchange log's cost: the same write on a shown window, the log hidden, then shown.
    verifyAction->setChecked(false);
    window.show();
    const auto shownWrite = [&]() {
        const QuietStdout quiet;
        const Measure measure(supply, turnaroundMs);
        runTransfer(window, writeAction);
        // The log's last batch reaches its view after the write.
        QEventLoop settle;
        QTimer::singleShot(LogSettleMs, &settle, &QEventLoop::quit);
        settle.exec();
        return measure.take(paneEndsWith(written));
    };
    const Measure::Figures logHidden = shownWrite();
    window.findChild<QAction *>(QStringLiteral("exchangeLogAction"))->trigger();
    const Measure::Figures logShown = shownWrite();
    const auto *logDock = window.findChild<QDockWidget *>(QStringLiteral("exchangeLogDock"));
    const bool logVisible = logDock && logDock->isVisible();
    const auto cpuShare = [](const Measure::Figures &f) {
        return f.wallMs > 0 ? 100.0 * f.cpuMs / f.wallMs : 0.0;
    };
    // These two include the wait for the log's last batch, so the line-bound ratio is not theirs.
    for (const auto &[what, figures] :
         {std::pair{"hidden", logHidden}, std::pair{"shown", logShown}}) {
        std::printf(
            "window write, exchange log %s: %s\n  wall %9.1f ms   cpu %.1f ms = %.2f %% of wall\n",
            what, figures.succeeded ? "done" : "FAILED", figures.wallMs, figures.cpuMs,
            cpuShare(figures));
    }
    const double addedPercent = cpuShare(logShown) - cpuShare(logHidden);
    const bool logMet =
        logVisible && logHidden.succeeded && logShown.succeeded && addedPercent < LogGoalPercent;
    std::printf("exchange log shown adds %.2f %% of wall in CPU (%.1f ms against %.1f ms) to the "
                "write (goal < %.0f %%)   %s\n",
                addedPercent, logShown.cpuMs, logHidden.cpuMs, LogGoalPercent,
                logMet ? "goal met" : "goal MISSED");
    return logMet && met;
}

} // namespace

int main(int argc, char *argv[])
{
    // The window runs offscreen, with its settings in a temporary folder.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir;
    QStandardPaths::setTestModeEnabled(true);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsDir.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ok = true;
    const int turnaroundMs = args.size() > 1 ? args.at(1).toInt(&ok) : DefaultTurnaroundMs;
    const QString simulator = args.size() > 2 ? args.at(2) : QStringLiteral(QUORVEL_SIM_PATH);
    if (!ok || turnaroundMs < 0) {
        std::fprintf(stderr, "usage: bench_transfer [turnaround ms] [path of quorvel-sim]\n");
        return 2;
    }

    const CompileResult compiled = compileProgram(benchProgram());
    if (!compiled.ok || compiled.instructions.size() != Records) {
        std::fprintf(stderr, "bench_transfer: the bench program does not compile to %d records\n",
                     Records);
        return 1;
    }

    QTemporaryDir logDir;
    Supply supply(simulator, turnaroundMs, logDir.filePath(QStringLiteral("frames.log")));
    if (!logDir.isValid() || !supply.port().isOpen()) {
        std::fprintf(stderr, "bench_transfer: cannot run %s\n", qPrintable(simulator));
        return 1;
    }
    DeviceLink link(&supply.port());
    link.setTraceDevice(nullptr);
    int reported = 0;
    ProgramTransfer transfer(link, Slave, Cell, [&reported](const QString &) { ++reported; });
    std::printf("%d-record program, cell %d, supply pacing 9600 8N1 with %d ms turnaround\n",
                Records, Cell + 1, turnaroundMs);

    bool met = true;
    {
        // The same request twice: the first after the port was opened waits for a quiet line.
        QElapsedTimer first;
        first.start();
        int count = 0;
        const bool firstOk = link.ReadSize(Slave, Cell, DeviceProtocol::AccessMemoryRead, count) ==
                             LinkResult::Success;
        const double firstMs = double(first.nsecsElapsed()) / 1e6;
        QElapsedTimer second;
        second.start();
        const bool secondOk = link.ReadSize(Slave, Cell, DeviceProtocol::AccessMemoryRead, count) ==
                              LinkResult::Success;
        const double secondMs = double(second.nsecsElapsed()) / 1e6;
        std::printf("quiet start: first request %.1f ms, the next %.1f ms: costs %.1f ms once per "
                    "opened port (quiet window %d ms)\n",
                    firstMs, secondMs, firstMs - secondMs, DeviceLink::QuietStartMs);
        ok = ok && firstOk && secondOk;
    }
    Measure::Figures writeFigures;
    {
        const Measure measure(supply, turnaroundMs);
        const bool written = transfer.write(compiled.instructions, compiled.programName) ==
                             ProgramTransfer::WriteResult::Written;
        writeFigures = measure.take(written);
        met = Measure::print("write", writeFigures, turnaroundMs) && met;
        ok = ok && written;
    }
    {
        const Measure measure(supply, turnaroundMs);
        const ProgramTransfer::ReadResult read = transfer.read();
        const bool same = read.status == ProgramTransfer::ReadStatus::Read &&
                          read.records == compiled.instructions;
        met = measure.report("read back", same) && met;
        ok = ok && same;
    }
    {
        // As quorvel-cli write does by default: the write, then the read-back compared.
        const Measure measure(supply, turnaroundMs);
        const bool written = transfer.write(compiled.instructions, compiled.programName) ==
                             ProgramTransfer::WriteResult::Written;
        const ProgramTransfer::ReadResult back = transfer.read();
        const bool verified = written && back.status == ProgramTransfer::ReadStatus::Read &&
                              back.records == compiled.instructions;
        const Measure::Figures whole = measure.take(verified);
        const LineUse &use = writeFigures.use;
        const double writeBoundMs =
            1000.0 * double(use.chars) * BitsPerChar / Baud + double(use.answers) * turnaroundMs;
        const double times = writeBoundMs > 0 ? whole.wallMs / writeBoundMs : 0.0;
        const bool wholeMet = verified && times <= VerifiedWriteGoal;
        std::printf("write + default verify as a whole: %s\n", verified ? "done" : "FAILED");
        std::printf("  wall %9.1f ms = %.3f x the write's line bound of %.1f ms (goal <= %.1f)"
                    "   cpu %.2f %% of wall   %s\n",
                    whole.wallMs, times, writeBoundMs, VerifiedWriteGoal,
                    whole.wallMs > 0 ? 100.0 * whole.cpuMs / whole.wallMs : 0.0,
                    wholeMet ? "goal met" : "goal MISSED");
        met = wholeMet && met;
        ok = ok && verified;
    }

    {
        // The same write with two more supplies on the line.
        Supply shared(simulator, turnaroundMs, logDir.filePath(QStringLiteral("shared.log")),
                      {QStringLiteral("--slave"), QStringLiteral("0,3,9")});
        DeviceLink sharedLink(&shared.port());
        sharedLink.setTraceDevice(nullptr);
        ProgramTransfer sharedTransfer(sharedLink, Slave, Cell, [](const QString &) {});
        int count = 0;
        // Its quiet start is paid before the measure, as for the write alone.
        sharedLink.ReadSize(Slave, Cell, DeviceProtocol::AccessMemoryRead, count);
        const Measure measure(shared, turnaroundMs);
        const bool written = sharedTransfer.write(compiled.instructions, compiled.programName) ==
                             ProgramTransfer::WriteResult::Written;
        const Measure::Figures figures = measure.take(written);
        Measure::print("write beside two other supplies", figures, turnaroundMs);
        const double alone = writeFigures.wallMs;
        const double beside = figures.wallMs / alone;
        const bool sharedMet = written && beside <= SharedLineGoal;
        std::printf("  wall %.3f x the write alone (goal <= %.2f)   %s\n", beside, SharedLineGoal,
                    sharedMet ? "goal met" : "goal MISSED");
        met = sharedMet && met;
        ok = ok && written;
    }

    // The window opens the supply's line itself.
    const QString portPath = QSerialPortInfo(supply.port()).systemLocation().isEmpty()
                                 ? supply.port().portName()
                                 : QSerialPortInfo(supply.port()).systemLocation();
    supply.port().close();
    met = windowTransfers(supply, portPath, turnaroundMs) && met;

    std::printf("%d report lines; %s\n", reported, met ? "all goals met" : "a goal was missed");
    return ok ? 0 : 1;
}

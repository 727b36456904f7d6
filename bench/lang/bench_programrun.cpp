// Speed of the run model: 10,000,000 records executed, once with an assignment traced on every
// fourth record (a ramp counted up), once through records that trace nothing (nops and a delay
// until the time limit). The target is under 1 s for each.
//
// Then the operand limits' checks a write runs before it sends anything: the check of the
// constants over a 1,000-line program, and both checks of a 100-record ramp over an hour of
// program time, a step every 100 ms (and, as the worst case, every 1 ms). Goal: under 50 ms
// together, so that a write is not slowed. Prints figures only; it judges nothing.

#include "benchprogram.h"
#include "compiler.h"
#include "limitcheck.h"
#include "operandlimits.h"
#include "programrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <limits>
#include <cstdlib>
#include <ctime>

namespace {

constexpr qint64 TargetRecords = 10000000;
constexpr double BudgetMs = 1000;

qint64 cpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Figure
{
    qint64 records = 0;
    qint64 traceRows = 0;
    double cpuMs = 0;
    double wallMs = 0;
};

Figure measure(const QString &text, qint64 limitMs)
{
    const CompileResult compiled = compileProgram(text);
    if (!compiled.ok) {
        std::fprintf(stderr, "the benchmark program does not compile\n");
        std::exit(1);
    }
    ProgramRun run(compiled.instructions, compiled.recordSourceLines);
    run.setTimeLimitMs(limitMs);
    // One run outside the clock.
    run.run();
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuStart = cpuNanoseconds();
    const RunOutcome outcome = run.run();
    Figure figure;
    figure.cpuMs = double(cpuNanoseconds() - cpuStart) / 1e6;
    figure.wallMs = double(clock.nsecsElapsed()) / 1e6;
    figure.records = outcome.executedRecords;
    figure.traceRows = outcome.trace.size();
    return figure;
}

// CPU ms of the best of a few calls of `work`: the check's own cost, without a cold cache's.
template <typename Work> double bestCpuMs(Work work)
{
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        const qint64 start = cpuNanoseconds();
        work();
        const double ms = double(cpuNanoseconds() - start) / 1e6;
        if (round == 0 || ms < best)
            best = ms;
    }
    return best;
}

// 100 records: a label, 49 steps of Us each followed by its delay, and the jump back while the
// ramp has not reached its top.
QString rampProgram(int stepMs)
{
    QString text = QStringLiteral("#1;\n");
    for (int i = 0; i < 49; ++i)
        text += QStringLiteral("Us += 1;\ndelay_ms %1;\n").arg(stepMs);
    return text + QStringLiteral("if Us < 2000000000 #1;\n");
}

void measureLimits(QTextStream &out)
{
    // Every operand limited, none ever reached: the checks do all their work.
    OperandLimits limits;
    for (const int code : Language::operandCodes())
        limits.setRange(code, {std::numeric_limits<qint32>::min() + 1, 2000000000});

    const QString longText = Bench::mixedProgram(1000);
    LimitViolations constants;
    const double staticMs =
        bestCpuMs([&] { constants = LimitCheck::staticViolations(longText, limits); });
    out << QStringLiteral(
        "\noperand limits, CPU time, goal under 50 ms for both checks of a write\n");
    out << QStringLiteral("constants of a 1,000-line program: %1 ms, %2 found\n")
               .arg(staticMs, 0, 'f', 2)
               .arg(constants.size());

    for (const int stepMs : {100, 1}) {
        const QString ramp = rampProgram(stepMs);
        const CompileResult compiled = compileProgram(ramp);
        if (!compiled.ok || compiled.instructions.size() != 100) {
            std::fprintf(stderr, "the ramp does not compile to 100 records\n");
            std::exit(1);
        }
        LimitReport report;
        const double bothMs = bestCpuMs([&] {
            report = LimitCheck::check(ramp, compiled.instructions, compiled.recordSourceLines,
                                       limits, ModelAssumptions());
        });
        out << QStringLiteral("100-record ramp, a step every %1 ms, 1 h: %2 ms for both checks, "
                              "%3 found\n")
                   .arg(stepMs)
                   .arg(bothMs, 0, 'f', 2)
                   .arg(report.violations.size());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    // Four records a round, one of them traced.
    const QString ramp =
        QStringLiteral("#1;\nUs += 1;\ndelay_ms 1;\nif Us < %1 #1;\n").arg(TargetRecords / 4);
    // Nine records a round, none traced, one ms a round until the limit.
    const QString quiet =
        QStringLiteral("#1;\ndelay_ms 1;\nnop;\nnop;\nnop;\nnop;\nnop;\nnop;\nif T1 < 1 #1;\n");
    const struct
    {
        const char *name;
        Figure figure;
    } figures[] = {
        {"ramp, every 4th record traced", measure(ramp, TargetRecords)},
        {"loop of nops, nothing traced", measure(quiet, TargetRecords / 9)},
    };
    out << QStringLiteral("run model, CPU time (wall time in brackets), budget %1 ms per "
                          "10,000,000 records\n")
               .arg(BudgetMs, 0, 'f', 0);
    for (const auto &entry : figures) {
        const Figure &f = entry.figure;
        out << QStringLiteral("%1: %2 records, %3 trace rows, %4 ms (%5 ms), %6 M records/s\n")
                   .arg(QLatin1String(entry.name), -30)
                   .arg(f.records)
                   .arg(f.traceRows)
                   .arg(f.cpuMs, 0, 'f', 1)
                   .arg(f.wallMs, 0, 'f', 1)
                   .arg(double(f.records) / f.cpuMs / 1000.0, 0, 'f', 1);
    }
    measureLimits(out);
    return 0;
}

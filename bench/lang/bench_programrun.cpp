// Speed of the run model: 10,000,000 records executed, once with an assignment traced on every
// fourth record (a ramp counted up), once through records that trace nothing (nops and a delay
// until the time limit). The target is under 1 s for each. Prints figures only; it judges nothing.

#include "compiler.h"
#include "programrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
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
    return 0;
}

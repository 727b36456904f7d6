// Compile time, diagnostics included, of programs of 100, 1,000 and 10,000 lines: per compile and
// per line, in CPU time and in wall time; then of 10,000 lines that are all in error, each
// diagnosed with its column and reason.
//
// A linear compiler costs the same per line whatever the length, so the per-line figures should
// stay near each other; a compile of 10,000 lines, valid or all in error, should take under 50 ms.
// Prints figures only; it judges nothing.

#include "benchprogram.h"
#include "compiler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Measure each size for at least this long, and at least this many compiles.
constexpr qint64 MinimumRunNs = 1000LL * 1000 * 1000;
constexpr int MinimumRuns = 5;
constexpr double BudgetMs = 50;

// CPU time of this thread: other work on a shared machine does not count against the compiler.
qint64 cpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Figure
{
    int lines = 0;
    int runs = 0;
    int diagnostics = 0;
    double nsPerCompile = 0;
    double nsPerLine = 0;
    double wallNsPerCompile = 0;
};

// Lines in error of every kind the diagnosis names, one after another; the one number out of
// range stops the report early, while the diagnostics go on to the last line.
QString erroneousProgram(int lineCount)
{
    static const char *const kinds[] = {
        "Us = %1",
        "Ux%1 = 1;",
        "if  Us > %1 #1;",
        "M1 += -99999999999%1;",
        "#1%1;",
        "prgName = \"P%1\";",
        "jmp #%1x;",
        "if Blk == %1 #1;",
        "Us = %1; Uo = 1;",
        "delay_ms -%1;",
        "if Us > 5#%1;",
        "/* %1 */",
        "Jmp #%1;",
        "if Us = %1 #2;",
        "Us += +%1;",
        "nop %1;",
    };
    constexpr int kindCount = int(sizeof kinds / sizeof kinds[0]);
    QStringList lines;
    for (int i = 0; i < lineCount; ++i)
        lines << QString::fromUtf8(kinds[i % kindCount]).arg(i % 100, 2, 10, QLatin1Char('0'));
    return lines.join(QLatin1Char('\n'));
}

Figure measure(int lineCount, bool allInError = false)
{
    const QString program =
        allInError ? erroneousProgram(lineCount) : Bench::mixedProgram(lineCount);
    // One run outside the clock, and a check that the program is what it should be: valid, or
    // with one error diagnostic, reason and column on every line.
    const CompileResult warmUp = compileProgram(program);
    if (!allInError && !warmUp.ok) {
        std::fprintf(stderr, "The %d-line program does not compile: %s\n", lineCount,
                     qPrintable(warmUp.report.constLast()));
        std::exit(1);
    }
    if (allInError) {
        int diagnosed = 0;
        for (const Diagnostic &d : warmUp.diagnostics) {
            diagnosed +=
                d.severity == Diagnostic::Severity::Error && d.column > 0 && !d.message.isEmpty()
                    ? 1
                    : 0;
        }
        if (warmUp.ok || diagnosed != lineCount) {
            std::fprintf(stderr, "%d of the %d lines in error are diagnosed\n", diagnosed,
                         lineCount);
            std::exit(1);
        }
    }

    Figure figure;
    figure.lines = lineCount;
    figure.diagnostics = warmUp.diagnostics.size();
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuStart = cpuNanoseconds();
    qint64 records = 0;
    while (figure.runs < MinimumRuns || clock.nsecsElapsed() < MinimumRunNs) {
        const CompileResult result = compileProgram(program);
        records += result.instructions.size() + result.diagnostics.size();
        ++figure.runs;
    }
    const qint64 cpu = cpuNanoseconds() - cpuStart;
    const qint64 elapsed = clock.nsecsElapsed();
    // Keeps the compiles from being optimised away.
    if (records == 0)
        std::fprintf(stderr, "no records\n");
    figure.nsPerCompile = double(cpu) / figure.runs;
    figure.nsPerLine = figure.nsPerCompile / lineCount;
    figure.wallNsPerCompile = double(elapsed) / figure.runs;
    return figure;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QVector<Figure> figures;
    for (const int lines : {100, 1000, 10000})
        figures << measure(lines);
    out << QStringLiteral("compile with diagnostics, CPU time (wall time in brackets)\n");
    for (const Figure &f : qAsConst(figures)) {
        out << QStringLiteral("%1 lines: %2 compiles, %3 diagnostics, %4 ms per compile (%5 ms), "
                              "%6 ns per line, %7 x the 100-line cost per line\n")
                   .arg(f.lines, 6)
                   .arg(f.runs, 6)
                   .arg(f.diagnostics, 5)
                   .arg(f.nsPerCompile / 1e6, 8, 'f', 3)
                   .arg(f.wallNsPerCompile / 1e6, 0, 'f', 3)
                   .arg(f.nsPerLine, 7, 'f', 1)
                   .arg(f.nsPerLine / figures.constFirst().nsPerLine, 0, 'f', 2);
    }
    const Figure &shortProgram = figures.constFirst();
    const Figure &longProgram = figures.constLast();
    out << QStringLiteral("10000 lines: %1 ms of a %2 ms budget\n")
               .arg(longProgram.nsPerCompile / 1e6, 0, 'f', 1)
               .arg(BudgetMs, 0, 'f', 0);
    const Figure wrong = measure(10000, true);
    out << QStringLiteral("10000 lines all in error: %1 diagnostics with column and reason, %2 ms "
                          "per compile (%3 ms), %4 ns per line; %5 ms of a %6 ms budget\n")
               .arg(wrong.diagnostics)
               .arg(wrong.nsPerCompile / 1e6, 0, 'f', 3)
               .arg(wrong.wallNsPerCompile / 1e6, 0, 'f', 3)
               .arg(wrong.nsPerLine, 0, 'f', 1)
               .arg(wrong.nsPerCompile / 1e6, 0, 'f', 1)
               .arg(BudgetMs, 0, 'f', 0);
    // The two extreme sizes split each compile into a cost per line and a cost paid once.
    const double marginalNs = (longProgram.nsPerCompile - shortProgram.nsPerCompile) /
                              (longProgram.lines - shortProgram.lines);
    out << QStringLiteral("marginal cost per line: %1 ns; fixed cost per compile: %2 us\n")
               .arg(marginalNs, 0, 'f', 1)
               .arg((shortProgram.nsPerCompile - marginalNs * shortProgram.lines) / 1000.0, 0, 'f',
                    1);
    return 0;
}

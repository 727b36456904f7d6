// Compile time, diagnostics included, of programs of 100, 1,000 and 10,000 lines: per compile and
// per line, in CPU time and in wall time.
//
// A linear compiler costs the same per line whatever the length, so the per-line figures should
// stay near each other; a compile of 10,000 lines should take under 50 ms. Prints figures only; it
// judges nothing.

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

// Labels are one or two digits, so a program can hold at most this many.
constexpr int LabelCount = 100;
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

// A realistic mix in blocks of ten lines: a label (while numbers last), assignments with numbers
// and names, a conditional branch with and without else, a jump, a delay, a comment and a blank.
// Every diagnostic path is taken: a statement before "//" in every other block, more than 100
// records, loops with and without a delay, unreachable statements after the jumps.
QString makeProgram(int lineCount)
{
    QStringList lines;
    lines << QStringLiteral("prgName = \"Bench\";");
    const int blocks = (lineCount - 1 + 9) / 10;
    const int labels = qMin(blocks, LabelCount);
    for (int b = 0; lines.size() < lineCount; ++b) {
        const int target = (b * 7 + 3) % labels;
        // Label 0 stands on record 0, where an else may not land.
        const int other = labels > 1 ? 1 + (b * 13) % (labels - 1) : 0;
        const QStringList block = {
            b < labels ? QStringLiteral("#%1;").arg(b) : QStringLiteral("nop;"),
            QStringLiteral("Us = %1;").arg(1000 + b),
            QStringLiteral("M%1 += Is;").arg(b % 8 + 1),
            b % 2 ? QStringLiteral("if Uo >= %1 #%2 else #%3;").arg(b).arg(target).arg(other)
                  : QStringLiteral("if Io < Us #%1;").arg(target),
            QStringLiteral("delay_ms %1;").arg(10 * (b % 50)),
            QStringLiteral("T%1 -= -%2;").arg(b % 4 + 1).arg(b),
            b % 2 ? QStringLiteral("// step %1").arg(b) : QStringLiteral("nop; // step %1").arg(b),
            QString(),
            QStringLiteral("Out *= Blk;"),
            QStringLiteral("jmp #%1;").arg(other),
        };
        for (const QString &line : block) {
            if (lines.size() == lineCount)
                break;
            lines << line;
        }
    }
    return lines.join(QLatin1Char('\n'));
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

Figure measure(int lineCount)
{
    const QString program = makeProgram(lineCount);
    // One run outside the clock, and a check that the program is the valid one it should be.
    const CompileResult warmUp = compileProgram(program);
    if (!warmUp.ok) {
        std::fprintf(stderr, "The %d-line program does not compile: %s\n", lineCount,
                     qPrintable(warmUp.report.constLast()));
        std::exit(1);
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
    // The two extreme sizes split each compile into a cost per line and a cost paid once.
    const double marginalNs = (longProgram.nsPerCompile - shortProgram.nsPerCompile) /
                              (longProgram.lines - shortProgram.lines);
    out << QStringLiteral("marginal cost per line: %1 ns; fixed cost per compile: %2 us\n")
               .arg(marginalNs, 0, 'f', 1)
               .arg((shortProgram.nsPerCompile - marginalNs * shortProgram.lines) / 1000.0, 0, 'f',
                    1);
    return 0;
}

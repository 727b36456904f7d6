// Compile time of a short and a long program, per compile and per line.
//
// A linear compiler costs the same per line whatever the length, so the ratio of the two per-line
// figures should stay near 1. Prints figures only; it judges nothing.

#include "compiler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

// Labels are one or two digits, so a program can hold at most this many.
constexpr int LabelCount = 100;
// Measure each size for at least this long, and at least this many compiles.
constexpr qint64 MinimumRunNs = 1000LL * 1000 * 1000;
constexpr int MinimumRuns = 5;

// A realistic mix in blocks of ten lines: a label (while numbers last), assignments with numbers
// and names, a conditional branch with and without else, a jump, a delay, a comment and a blank.
QString makeProgram(int lineCount)
{
    QStringList lines;
    lines << QStringLiteral("prgName = \"Bench\";");
    const int blocks = (lineCount - 1 + 9) / 10;
    const int labels = qMin(blocks, LabelCount);
    for (int b = 0; lines.size() < lineCount; ++b) {
        const int target = (b * 7 + 3) % labels;
        const int other = (b * 13 + 1) % labels;
        const QStringList block = {
            b < labels ? QStringLiteral("#%1;").arg(b) : QStringLiteral("nop;"),
            QStringLiteral("Us = %1;").arg(1000 + b),
            QStringLiteral("M%1 += Is;").arg(b % 8 + 1),
            b % 2 ? QStringLiteral("if Uo >= %1 #%2 else #%3;").arg(b).arg(target).arg(other)
                  : QStringLiteral("if Io < Us #%1;").arg(target),
            QStringLiteral("delay_ms %1;").arg(10 * (b % 50)),
            QStringLiteral("T%1 -= -%2;").arg(b % 4 + 1).arg(b),
            QStringLiteral("// step %1").arg(b),
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
    double nsPerCompile = 0;
    double nsPerLine = 0;
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
    QElapsedTimer clock;
    clock.start();
    qint64 records = 0;
    while (figure.runs < MinimumRuns || clock.nsecsElapsed() < MinimumRunNs) {
        records += compileProgram(program).instructions.size();
        ++figure.runs;
    }
    const qint64 elapsed = clock.nsecsElapsed();
    // Keeps the compiles from being optimised away.
    if (records == 0)
        std::fprintf(stderr, "no records\n");
    figure.nsPerCompile = double(elapsed) / figure.runs;
    figure.nsPerLine = figure.nsPerCompile / lineCount;
    return figure;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    const Figure shortProgram = measure(100);
    const Figure longProgram = measure(10000);
    for (const Figure &f : {shortProgram, longProgram}) {
        out << QStringLiteral("%1 lines: %2 compiles, %3 us per compile, %4 ns per line\n")
                   .arg(f.lines, 6)
                   .arg(f.runs, 6)
                   .arg(f.nsPerCompile / 1000.0, 10, 'f', 1)
                   .arg(f.nsPerLine, 8, 'f', 1);
    }
    out << QStringLiteral("per-line cost ratio (10000 / 100): %1\n")
               .arg(longProgram.nsPerLine / shortProgram.nsPerLine, 0, 'f', 2);
    // The two sizes split each compile into a cost per line and a cost paid once per compile.
    const double marginalNs = (longProgram.nsPerCompile - shortProgram.nsPerCompile) /
                              (longProgram.lines - shortProgram.lines);
    out << QStringLiteral("marginal cost per line: %1 ns; fixed cost per compile: %2 us\n")
               .arg(marginalNs, 0, 'f', 1)
               .arg((shortProgram.nsPerCompile - marginalNs * shortProgram.lines) / 1000.0, 0, 'f',
                    1);
    return 0;
}

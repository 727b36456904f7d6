#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The program text the compiler and editor benchmarks measure with.
namespace Bench {

// Labels are one or two digits, so a program can hold at most this many.
constexpr int LabelCount = 100;

// A realistic mix in blocks of ten lines: a label (while numbers last), assignments with numbers
// and names, a conditional branch with and without else, a jump, a delay, a comment and a blank.
// Every diagnostic path is taken: a statement before "//" in every other block, more than 100
// records, loops with and without a delay, unreachable statements after the jumps.
inline QString mixedProgram(int lineCount)
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

} // namespace Bench

#pragma once

#include "instruction.h"
#include "simulatedcell.h"

#include <QString>
#include <QStringList>

// Records written field by field in test tables, and printed field by field in failure messages.
namespace TestRecords {

inline Instruction record(int func, int oper = 0, qint32 arg1 = 0, qint32 arg2 = 0, int arg3 = 0,
                          int arg4 = 0)
{
    Instruction r;
    r.func = quint8(func);
    r.oper = quint8(oper);
    r.arg1 = arg1;
    r.arg2 = arg2;
    r.arg3 = qint16(arg3);
    r.arg4 = qint16(arg4);
    return r;
}

inline QString describe(const Instruction &r)
{
    return QStringLiteral("func %1 oper %2 arg1 %3 arg2 %4 arg3 %5 arg4 %6")
        .arg(r.func)
        .arg(r.oper)
        .arg(r.arg1)
        .arg(r.arg2)
        .arg(r.arg3)
        .arg(r.arg4);
}

inline QStringList describe(const InstructionList &records)
{
    QStringList out;
    for (const Instruction &r : records)
        out << describe(r);
    return out;
}

// The count, the name and the first `lines` lines of a cell.
inline QStringList describe(const SimulatedCell &cell, int lines)
{
    QStringList out{
        QStringLiteral("count %1 name '%2'").arg(cell.count).arg(QString::fromLatin1(cell.name))};
    for (int i = 0; i < lines; ++i)
        out << QStringLiteral("line %1: ").arg(i) + describe(cell.lines.value(i));
    return out;
}

} // namespace TestRecords

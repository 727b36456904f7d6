#pragma once

#include "instruction.h"
#include "testrecord.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <initializer_list>

Q_DECLARE_METATYPE(Instruction)

// Helpers shared by the language tests: records written field by field, and lines written as
// UTF-8 literals (the project forbids implicit casts from char strings).
namespace LangTest {

using TestRecords::record;

// A readable form, so that a failed comparison names the field that differs.
inline QString describe(const Instruction &r)
{
    return QStringLiteral("func:%1 oper:%2 arg1:%3 arg2:%4 arg3:%5 arg4:%6")
        .arg(r.func)
        .arg(r.oper, 2, 16, QLatin1Char('0'))
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

inline QStringList lines(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

// Program text: the lines joined by line feeds, as the editor holds them.
inline QString text(std::initializer_list<const char *> items)
{
    return lines(items).join(QLatin1Char('\n'));
}

inline QString u8(const char *item)
{
    return QString::fromUtf8(item);
}

} // namespace LangTest

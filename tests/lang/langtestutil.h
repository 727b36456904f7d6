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
using TestRecords::describe;

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

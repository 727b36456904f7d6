#include "language.h"

#include "statementkind.h"

namespace Language {

namespace {

// The operand alternatives as the patterns spell them; the left side of an if excludes Blk.
#define QV_OPERAND "Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]|Blk"
#define QV_IF_LEFT "Us|Uo|Is|Io|Ro|Out|M[1-8]|T[1-4]"
#define QV_ASSIGN(op) "^\\s*(" QV_OPERAND ")\\s*" op "\\s*(-?\\d+|" QV_OPERAND ")\\s*;\\s*$"

StatementKindTable makeStatementKinds()
{
    return {
        {QStringLiteral("^\\s*nop\\s*;\\s*$"), Nop},
        {QStringLiteral(QV_ASSIGN("=")), Assign},
        {QStringLiteral("^\\s*if\\s(" QV_IF_LEFT ")\\s*(==|!=|<|<=|>|>=)\\s*(-?\\d+|" QV_OPERAND
                        ")\\s+#(\\d\\d?)(\\s+else\\s#(\\d\\d?))?\\s*;\\s*$"),
         If},
        {QStringLiteral("^\\s*jmp\\s+#(\\d\\d?)\\s*;\\s*$"), Jmp},
        {QStringLiteral("^\\s*delay_ms\\s+(\\d+)\\s*;\\s*$"), DelayMs},
        {QStringLiteral("^\\s*delay_s\\s+(\\d+)\\s*;\\s*$"), DelayS},
        {QStringLiteral(QV_ASSIGN("\\+=")), AddAssign},
        {QStringLiteral(QV_ASSIGN("-=")), SubAssign},
        {QStringLiteral(QV_ASSIGN("/=")), DivAssign},
        {QStringLiteral(QV_ASSIGN("\\*=")), MulAssign},
        {QStringLiteral("^\\s*#(\\d\\d?)\\s*;\\s*$"), Label},
        {QStringLiteral("^\\s*prgName\\s*=\\s*\"(\\w{1,5})\"\\s*;\\s*$"), PrgName},
    };
}

#undef QV_ASSIGN
#undef QV_IF_LEFT
#undef QV_OPERAND

} // namespace

const StatementKindTable &statementKinds()
{
    static const StatementKindTable table = makeStatementKinds();
    return table;
}

QString patternOf(const StatementKindTable &table, int kind)
{
    for (const StatementPattern &entry : table) {
        if (entry.kind == kind)
            return entry.pattern;
    }
    return QString();
}

CodeTable operandCodes()
{
    return {
        {QStringLiteral("Us"), 0},   {QStringLiteral("Uo"), 1},  {QStringLiteral("Is"), 2},
        {QStringLiteral("Io"), 3},   {QStringLiteral("Out"), 4}, {QStringLiteral("Ro"), 5},
        {QStringLiteral("M1"), 6},   {QStringLiteral("M2"), 7},  {QStringLiteral("M3"), 8},
        {QStringLiteral("M4"), 9},   {QStringLiteral("M5"), 10}, {QStringLiteral("M6"), 11},
        {QStringLiteral("M7"), 12},  {QStringLiteral("M8"), 13}, {QStringLiteral("T1"), 14},
        {QStringLiteral("T2"), 15},  {QStringLiteral("T3"), 16}, {QStringLiteral("T4"), 17},
        {QStringLiteral("Blk"), 20},
    };
}

CodeTable compareCodes()
{
    return {
        {QStringLiteral("=="), 0}, {QStringLiteral("!="), 1}, {QStringLiteral("<"), 2},
        {QStringLiteral("<="), 3}, {QStringLiteral(">"), 4},  {QStringLiteral(">="), 5},
    };
}

QString nameOf(const CodeTable &table, int code)
{
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it.value() == code)
            return it.key();
    }
    return QString();
}

} // namespace Language

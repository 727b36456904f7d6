#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// The control language's fixed tables: statement patterns, operand and comparison codes.
namespace Language {

// Name (or operator text) to code.
using CodeTable = QHash<QString, int>;

// One statement pattern (QRegExp syntax, anchored) and the kind code it carries.
struct StatementPattern
{
    QString pattern;
    int kind;
};
using StatementKindTable = QVector<StatementPattern>;

// The twelve statement patterns, in kind order. Colouring and compiling both use this table.
const StatementKindTable &statementKinds();
// The pattern of one kind; an empty string for a code that has none.
QString patternOf(const StatementKindTable &table, int kind);

// The 19 operand names of the device and their codes.
CodeTable operandCodes();
// The six comparison operators of an if statement and their codes.
CodeTable compareCodes();
// Reverse lookup: the name that carries code, or an empty string when none does.
QString nameOf(const CodeTable &table, int code);

// A line that holds nothing but white space.
inline const QString BlankLinePattern = QStringLiteral("^\\s*$");
// A line that contains "//" anywhere is a comment as a whole.
inline const QString CommentPattern = QStringLiteral("//[^\\n]*");

} // namespace Language

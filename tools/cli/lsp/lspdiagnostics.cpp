#include "lspdiagnostics.h"

#include "compiler.h"
#include "limitcheck.h"
#include "lsppositions.h"

#include <QJsonObject>

#include <algorithm>

namespace LspDiagnostics {

namespace {

constexpr int SeverityError = 1;
constexpr int SeverityWarning = 2;

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// From the compiler's 1-based column to the end of the word there, at least one character, so
// that an editor underlines something; the whole line for a finding without a column.
QJsonObject extent(const QString &line, int lineIndex, int column)
{
    if (column <= 0)
        return LspPositions::range(lineIndex, 0, int(line.size()));
    const int start = std::min(column - 1, int(line.size()));
    int end = start;
    while (end < line.size() && isWordChar(line.at(end)))
        ++end;
    if (end == start && end < line.size())
        end += line.at(end).isHighSurrogate() && end + 1 < line.size() ? 2 : 1;
    return LspPositions::range(lineIndex, start, end);
}

QJsonObject diagnostic(const QJsonObject &range, int severity, const QString &message)
{
    return {{QStringLiteral("range"), range},
            {QStringLiteral("severity"), severity},
            {QStringLiteral("source"), QStringLiteral("quorvel")},
            {QStringLiteral("message"), message}};
}

} // namespace

DiagnosticList check(const QString &text, const OperandLimits &limits)
{
    return LimitCheck::withStaticWarnings(compileProgram(text).diagnostics, text, limits);
}

QJsonArray toJson(const DiagnosticList &findings, const QStringList &lines)
{
    QJsonArray out;
    for (const Diagnostic &finding : findings) {
        const int index = finding.line - 1;
        out.append(diagnostic(extent(lines.value(index), index, finding.column),
                              finding.severity == Diagnostic::Severity::Error ? SeverityError
                                                                              : SeverityWarning,
                              finding.message));
    }
    return out;
}

QJsonArray limitsFileJson(const QVector<LimitsFileError> &errors, const QStringList &lines)
{
    QJsonArray out;
    for (const LimitsFileError &error : errors) {
        const int index = error.line - 1;
        out.append(diagnostic(extent(lines.value(index), index, 0), SeverityError, error.reason));
    }
    return out;
}

} // namespace LspDiagnostics

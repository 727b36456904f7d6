#include "clitext.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace CliText {

namespace {

constexpr ushort FirstPrintable = 0x20;
constexpr ushort Delete = 0x7F;
constexpr ushort LastC1 = 0x9F;

bool isControl(QChar c)
{
    const ushort code = c.unicode();
    return (code < FirstPrintable && c != QLatin1Char('\t')) || (code >= Delete && code <= LastC1);
}

QString severityName(Diagnostic::Severity severity)
{
    return severity == Diagnostic::Severity::Error ? QStringLiteral("error")
                                                   : QStringLiteral("warning");
}

} // namespace

QString escapeControls(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (isControl(c))
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

QString diagnosticLine(const QString &file, const Diagnostic &diagnostic)
{
    // The column only where the finding has one, as compilers write it: FILE:LINE:COL.
    const QString place =
        diagnostic.column > 0
            ? QStringLiteral("%1:%2:%3").arg(file).arg(diagnostic.line).arg(diagnostic.column)
            : QStringLiteral("%1:%2").arg(file).arg(diagnostic.line);
    return QStringLiteral("%1: %2: %3")
        .arg(place, severityName(diagnostic.severity), diagnostic.message);
}

QStringList diagnosticLines(const QString &file, const DiagnosticList &diagnostics)
{
    QStringList lines;
    for (const Diagnostic &diagnostic : diagnostics)
        lines << diagnosticLine(file, diagnostic);
    return lines;
}

QJsonArray diagnosticsJson(const DiagnosticList &diagnostics)
{
    QJsonArray array;
    for (const Diagnostic &diagnostic : diagnostics) {
        array.append(QJsonObject{{QStringLiteral("line"), diagnostic.line},
                                 {QStringLiteral("column"), diagnostic.column},
                                 {QStringLiteral("severity"), severityName(diagnostic.severity)},
                                 {QStringLiteral("message"), diagnostic.message}});
    }
    return array;
}

QByteArray jsonLine(const QJsonObject &object)
{
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        // Outside strings JSON has no such characters, so this only touches string contents.
        if (c.unicode() >= Delete && c.unicode() <= LastC1)
            safe += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe.toUtf8() + '\n';
}

QString outputPathFor(const QString &pattern, int slaveId, int cellNumber)
{
    QString path = pattern;
    path.replace(QLatin1String("{slave}"), QString::number(slaveId));
    path.replace(QLatin1String("{cell}"), QString::number(cellNumber));
    return path;
}

} // namespace CliText

#pragma once

#include "diagnostic.h"
#include "operandlimits.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

// The compiler's findings as the protocol's diagnostics: the same reasons and columns as the
// tool's compile prints.
namespace LspDiagnostics {

// Compiles text and checks its constants against limits.
DiagnosticList check(const QString &text, const OperandLimits &limits);

// lines: the document's lines, which give each finding its extent.
QJsonArray toJson(const DiagnosticList &findings, const QStringList &lines);

// The errors of a limits file, at their lines.
QJsonArray limitsFileJson(const QVector<LimitsFileError> &errors, const QStringList &lines);

} // namespace LspDiagnostics

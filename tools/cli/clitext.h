#pragma once

#include "diagnostic.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

class QJsonObject;

// How the tool words what it prints: pure functions, so that the tests check them directly.
namespace CliText {

// Control characters (C0 but the tab, DEL and C1) as \xNN, so that bytes from a device or a file
// cannot drive the terminal they are shown on.
QString escapeControls(const QString &text);

// "FILE:LINE: error: MESSAGE", the form editors and CI log parsers pick up.
QString diagnosticLine(const QString &file, const Diagnostic &diagnostic);
QStringList diagnosticLines(const QString &file, const DiagnosticList &diagnostics);
// [{"line": 3, "severity": "error", "message": "..."}, ...]
QJsonArray diagnosticsJson(const DiagnosticList &diagnostics);

// One object as one line of compact JSON. C1 characters, which JSON allows raw, are written as
// \u00NN so that the line is safe on a terminal too.
QByteArray jsonLine(const QJsonObject &object);

// A read's output file for one target: {slave} and {cell} replaced by the numbers.
QString outputPathFor(const QString &pattern, int slaveId, int cellNumber);

} // namespace CliText

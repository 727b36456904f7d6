#pragma once

#include <QString>
#include <QVector>

// One finding of the compiler about one source line, for the editor's marks and the tools'
// "FILE:LINE: error: MESSAGE" lines.
struct Diagnostic
{
    enum class Severity
    {
        Error,
        Warning,
    };

    // 1-based line of the program text.
    int line = 0;
    Severity severity = Severity::Error;
    QString message;

    bool operator==(const Diagnostic &other) const
    {
        return line == other.line && severity == other.severity && message == other.message;
    }
};

using DiagnosticList = QVector<Diagnostic>;

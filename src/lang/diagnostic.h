#pragma once

#include <QString>
#include <QVector>

// One finding of the compiler about one source line, for the editor's marks and the tools'
// "FILE:LINE:COL: error: MESSAGE" lines.
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
    // 1-based column of the first character that cannot be right; one past the line's end when
    // something is missing there; 0 when the finding concerns the line as a whole.
    int column = 0;

    bool operator==(const Diagnostic &other) const
    {
        return line == other.line && severity == other.severity && message == other.message &&
               column == other.column;
    }

    // Source text quoted inside a message: a 500,000-character word must not flood a tool tip
    // or a terminal.
    static constexpr int MaxExcerpt = 80;
    static QString excerpt(const QString &text)
    {
        if (text.size() <= MaxExcerpt)
            return text;
        int keep = MaxExcerpt - 1;
        // Never half a surrogate pair.
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        return text.left(keep) + QChar(0x2026);
    }
};

using DiagnosticList = QVector<Diagnostic>;

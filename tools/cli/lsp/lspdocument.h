#pragma once

#include "diagnostic.h"

#include <QString>
#include <QStringList>

// One document the editor has open, as it last sent it.
struct LspDocument
{
    QString uri;
    // The local file the document is, empty for one that is not a file.
    QString path;
    // Line ends as the compiler reads them (LF); the protocol's line numbers count the same lines.
    QString text;
    QStringList lines;
    int version = 0;
    // A limits file rather than a program: its rules are taken from the text.
    bool limitsFile = false;
    // The findings published last.
    DiagnosticList findings;
};

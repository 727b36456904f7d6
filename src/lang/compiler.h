#pragma once

#include "diagnostic.h"
#include "instruction.h"
#include "language.h"

#include <QString>
#include <QStringList>

// Outcome of one compile: the records, the program name and the report the output pane shows.
struct CompileResult
{
    InstructionList instructions;
    // Set only when the first line is a valid prgName statement; otherwise the caller keeps its old
    // name.
    QString programName;
    bool hasProgramName = false;
    // True only when the compile reached its success line.
    bool ok = false;
    // One entry per pane line, the heading first.
    QStringList report;
    // Errors and warnings by source line, in line order; warnings never change ok or report.
    DiagnosticList diagnostics;
};

// Turns program text into instruction records, reporting every line and every error.
class Compiler
{
public:
    Compiler(const Language::StatementKindTable &statementKinds,
             const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes);

    CompileResult compile(const QString &text) const;

private:
    const Language::StatementKindTable &m_statementKinds;
    const Language::CodeTable &m_operandCodes;
    const Language::CodeTable &m_compareCodes;
};

// Compiles with the language's own tables.
CompileResult compileProgram(const QString &text);

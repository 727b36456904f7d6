#pragma once

#include "diagnostic.h"
#include "instruction.h"
#include "language.h"

#include <QRegExp>
#include <QString>
#include <QVector>
#include <QStringList>

#include <optional>

// Outcome of one compile: the records, the program name and the report the output pane shows.
struct CompileResult
{
    InstructionList instructions;
    // Parallel to instructions: the 1-based source line each record was made from.
    QVector<int> recordSourceLines;
    // Empty unless the first line is a valid prgName statement: a program without that line is
    // written with a blank name, never with the name of an earlier compile.
    QString programName;
    bool hasProgramName = false;
    // True only when the compile reached its success line.
    bool ok = false;
    // One entry per pane line, the heading first.
    QStringList report;
    // Parallel to report: the 1-based source line each report line echoes or reports on, or 0
    // for lines of no single source line (heading, blank, success line).
    QVector<int> reportSourceLines;
    // Indices into report of its error lines, in report order.
    QVector<int> reportErrorLines;
    // Errors and warnings by source line, in line order; warnings never change ok or report.
    // Every error line of the report has one on its line; a line in error says why and where,
    // and past a stop or lines in error the later lines and the references are checked as well,
    // so the list holds errors the report does not name.
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
    void scan(const QString &text, CompileResult &result) const;
    // Fills r from a matched statement; the report's error line when the statement stops the
    // compile.
    std::optional<QString> build(const QString &line, const QRegExp &re, int kind, bool firstLine,
                                 Instruction &r, bool &hasElse) const;

    // Copies, so that a compiler built from temporary tables stays sound.
    Language::StatementKindTable m_statementKinds;
    Language::CodeTable m_operandCodes;
    Language::CodeTable m_compareCodes;
    // The statement patterns, built once; each compile matches with its own copies.
    QVector<QRegExp> m_patterns;
};

// Compiles with the language's own tables.
CompileResult compileProgram(const QString &text);

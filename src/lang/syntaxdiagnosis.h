#pragma once

#include "language.h"

#include <QString>

// Why a line is not a statement, and where: the line is read along the statement form its first
// word names, and the first character that cannot continue that form is the place. Also names
// what makes a matching line unusable (a number out of range, a prgName line not first).
namespace SyntaxDiagnosis {

struct Finding
{
    // 1-based; one past the line's end when something is missing there; 0 when nothing is wrong.
    int column = 0;
    QString reason;

    bool found() const { return column > 0; }
};

// The reason when no single cause can be named.
QString notAStatement();

// firstLine: whether the line is the program text's first, the only place for prgName.
// compareCodes: the comparisons the compile knows.
Finding diagnose(const QString &line, bool firstLine, const Language::CodeTable &compareCodes);

} // namespace SyntaxDiagnosis

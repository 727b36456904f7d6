#pragma once

#include "programoutline.h"

#include <QString>
#include <QVector>

// Giving a label a new number: the label statement and every reference to it change together.
// "#05" and "#5" are the same label; a number the text already defines is refused.
namespace LabelRename {

// Replace the stretch (0-based line and column, UTF-16 length) with newText.
struct TextEdit
{
    int line = 0;
    int column = 0;
    int length = 0;
    QString newText;
};

struct Result
{
    // In text order; empty when refused.
    QVector<TextEdit> edits;
    // Why the rename cannot be done, for the user; empty when it can.
    QString refusal;
    // The label being renamed, -1 when there is none at the position.
    int oldNumber = -1;

    bool ok() const { return refusal.isEmpty(); }
};

// The label under the position, or -1.
int labelAt(const ProgramOutline &outline, int line, int column);

// newNumber: the text the user gave, one or two digits.
Result rename(const ProgramOutline &outline, int line, int column, const QString &newNumber);

// Applies edits (in text order, as rename gives them) to text.
QString apply(const QString &text, const QVector<TextEdit> &edits);

} // namespace LabelRename

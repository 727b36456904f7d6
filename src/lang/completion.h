#pragma once

#include "programoutline.h"

#include <QString>
#include <QVector>

// What may stand at a position of a program text, read from the statement form the line has so
// far: statement starts, operand names where the form allows them, comparison and assignment
// operators, and after "#" the labels the text defines. Items are filtered by what is already
// typed of them, case-sensitively, and inserting one keeps the line on the way to a statement
// the patterns accept: the single blanks of an if are written by the items, not by the user.
namespace Completion {

enum class ItemKind
{
    Statement,
    Operand,
    Operator,
    Label,
    Keyword,
};

struct Item
{
    // What the list shows first ("#7", "Us", "if ").
    QString label;
    // What the list shows beside it ("строка 12", "код 0").
    QString detail;
    // Replaces the proposal's stretch of the line.
    QString insertText;
    ItemKind kind = ItemKind::Statement;
    // Where the cursor stands after insertion, counted from the start of insertText.
    int cursorOffset = 0;
    // The line has room for more after this item: a client may offer the next list at once.
    bool continues = false;

    // "#7 — строка 12", or the label alone.
    QString display() const;
};

struct Proposal
{
    // The stretch of the line (0-based) that an item replaces: what is typed of it so far.
    int line = 0;
    int column = 0;
    int length = 0;
    // What is typed of the item, by which the items were filtered.
    QString typed;
    QVector<Item> items;
};

// lineText: the whole line the position is on; outline: of the whole text, for the labels.
// prgName is offered on line 0 only, the one place it may stand.
Proposal at(const ProgramOutline &outline, const QString &lineText, int line, int column);
// The same, building the outline of text on the way.
Proposal at(const QString &text, int line, int column);

// Whether a list should open by itself with the cursor at column of lineText, just after a
// key: after the first two letters of a word, or after "#". The list opens only if it has items.
bool opensByItself(const QString &lineText, int column);

} // namespace Completion

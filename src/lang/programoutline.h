#pragma once

#include <QString>
#include <QVector>

// What a program text defines and uses, found in one pass over its lines: the labels with their
// lines, the references "#n" of jmp and if, and the operand names of each statement. Positions
// are 0-based lines and 0-based columns in QString (UTF-16) units, the way editors and the
// language server's clients count; texts meant for people give lines 1-based.
//
// Only statement lines count, as the compiler reads them; comment lines never do. A line in
// error that still holds "#n" keeps it as a loose reference, so that renaming a label does not
// leave a half-typed jump behind.
class ProgramOutline
{
public:
    // A stretch of one line.
    struct Span
    {
        int line = -1;
        int column = 0;
        int length = 0;

        bool contains(int atLine, int atColumn) const
        {
            // The cursor just after the last character still touches the span.
            return atLine == line && atColumn >= column && atColumn <= column + length;
        }
        friend bool operator==(const Span &a, const Span &b)
        {
            return a.line == b.line && a.column == b.column && a.length == b.length;
        }
    };

    // A label's number where it is written; the span covers the digits only ("05" of "#05;").
    struct LabelMark
    {
        int number = -1;
        Span digits;
        // The span including the "#".
        Span whole() const { return {digits.line, digits.column - 1, digits.length + 1}; }
    };

    struct OperandUse
    {
        QString name;
        Span span;
    };

    enum class LabelRole
    {
        Definition,
        Reference,
        LooseReference,
    };
    // What stands at a position when it is a label number.
    struct LabelAt
    {
        LabelRole role = LabelRole::Reference;
        LabelMark mark;
        bool found() const { return mark.number >= 0; }
    };

    static ProgramOutline build(const QString &text);

    int lineCount() const { return m_lineCount; }
    // Label statements, in line order; a number defined twice stands twice.
    const QVector<LabelMark> &definitions() const { return m_definitions; }
    // "#n" in jmp and if statements, in text order.
    const QVector<LabelMark> &references() const { return m_references; }
    // "#n" in lines that are not statements (not comments either).
    const QVector<LabelMark> &looseReferences() const { return m_looseReferences; }
    const QVector<OperandUse> &operandUses() const { return m_operandUses; }

    // The first definition of number, or nullptr.
    const LabelMark *definitionOf(int number) const;
    QVector<LabelMark> referencesTo(int number) const;
    // The distinct lines (0-based, ascending) whose jmp or if names number.
    QVector<int> referencingLines(int number) const;
    // How many distinct lines use the operand.
    int linesUsing(const QString &operand) const;

    // The label number under the position: a definition, a reference or a loose reference.
    LabelAt labelAt(int line, int column) const;
    // The operand name under the position, or nullptr.
    const OperandUse *operandAt(int line, int column) const;

    // What hovering at the position tells: a reference's label and its line, a label's
    // referencing lines, an operand's code and use; empty when there is nothing to tell.
    QString hoverText(int line, int column) const;
    // The stretch the hover text is about (invalid line when there is none).
    Span hoverSpan(int line, int column) const;

private:
    int m_lineCount = 0;
    QVector<LabelMark> m_definitions;
    QVector<LabelMark> m_references;
    QVector<LabelMark> m_looseReferences;
    QVector<OperandUse> m_operandUses;
};

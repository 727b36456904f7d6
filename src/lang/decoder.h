#pragma once

#include "instruction.h"
#include "language.h"

#include <QString>
#include <QStringList>

// Outcome of decoding a program read back from the device.
struct DecodeResult
{
    bool ok = false;
    // On success, the paragraphs of the editor text: the name paragraph (which ends in a line feed
    // and so shows as the name line and an empty line) unless the name is empty, then one line per
    // record.
    QStringList paragraphs;
    // The name paragraph leads the text (it takes two lines, so record 0 is on line 3).
    bool hasNameLine = false;
    // On failure, the one line for the output pane.
    QString error;

    // The editor's plain text: the paragraphs one per line.
    QString text() const { return paragraphs.join(QLatin1Char('\n')); }
    // The 1-based line of the text that record `index` is written on.
    int recordLine(int index) const { return (hasNameLine ? 3 : 1) + index; }
    // The records' lines alone, one per record.
    QStringList recordParagraphs() const { return paragraphs.mid(hasNameLine ? 1 : 0); }
};

// Checks the references of a program read back from the device and turns it into text.
class Decoder
{
public:
    Decoder(const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes);

    DecodeResult decode(const QString &name, InstructionList records) const;

    // The name as the editor may show it: control characters dropped, then trimmed.
    static QString editorName(const QString &name);
    // The pane's warning when a name read from the device cannot be written back as it is (the
    // compiler refuses its characters, or control characters in it are lost on the way); empty
    // when it can.
    static QString unwritableNameWarning(const QString &name);

private:
    QString recordLine(const Instruction &r, qint32 thenLabel, bool hasElse,
                       qint32 elseLabel) const;

    // Copies, so that a decoder built from temporary tables stays sound.
    Language::CodeTable m_operandCodes;
    Language::CodeTable m_compareCodes;
};

// Decodes with the language's own tables.
DecodeResult decodeProgram(const QString &name, const InstructionList &records);

#pragma once

#include "instruction.h"
#include "language.h"

#include <QString>
#include <QStringList>

// Outcome of decoding a program read back from the device.
struct DecodeResult
{
    bool ok = false;
    // On success, the paragraphs to append to a cleared editor: the name paragraph (which ends in a
    // line feed and so shows as the name line and an empty line), then one line per record.
    QStringList paragraphs;
    // On failure, the one line for the output pane.
    QString error;

    // The editor's plain text after the paragraphs were appended.
    QString text() const { return paragraphs.join(QLatin1Char('\n')); }
};

// Checks the references of a program read back from the device and turns it into text.
class Decoder
{
public:
    Decoder(const Language::CodeTable &operandCodes, const Language::CodeTable &compareCodes);

    DecodeResult decode(const QString &name, InstructionList records) const;

    // The text of one record whose targets already hold label numbers.
    QString recordLine(const Instruction &r) const;
    // The name as the editor may show it: trimmed, control characters replaced.
    static QString editorName(const QString &name);

private:
    QString recordLine(const Instruction &r, qint32 thenLabel, qint32 elseLabel) const;

    const Language::CodeTable &m_operandCodes;
    const Language::CodeTable &m_compareCodes;
};

// Decodes with the language's own tables.
DecodeResult decodeProgram(const QString &name, const InstructionList &records);

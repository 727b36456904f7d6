#pragma once

#include "decoder.h"
#include "instruction.h"

#include <QString>

// Whether the text a read decoded to compiles back to the records and name the cell holds: a
// program saved from that text and written again must leave the cell as it was.
struct RoundTrip
{
    bool ok = true;
    // The first record that does not come back, -1 when every record does.
    int record = -1;
    // Its 1-based line in the decoded text, 0 when no record differs.
    int line = 0;
    // The name does not come back as the five bytes stored.
    bool nameDiffers = false;
    // The pane's warning for the first difference; empty when the name warning of the decoder
    // already says it, or when nothing differs.
    QString warning;

    // Compiles the records' lines of `decoded` (which must be ok) and holds the result against
    // `records` and `storedName`, the five characters as stored. `nameWarned`: the decoder's
    // name warning was given, so a name that differs needs no second line.
    static RoundTrip check(const QString &storedName, const InstructionList &records,
                           const DecodeResult &decoded, bool nameWarned);
};

#pragma once

#include "instruction.h"
#include "programtransfer.h"

#include <QString>
#include <QVector>

// What a read-back of a memory cell shows against the program meant to be there. Each front end
// words the differences its own way; this only finds them.
struct ProgramComparison
{
    enum class Outcome
    {
        // Same count, same name bytes, same records.
        Equal,
        Different,
        // The cell could not be read; readStatus says how the read ended.
        ReadFailed,
    };

    Outcome outcome = Outcome::ReadFailed;
    ProgramTransfer::ReadStatus readStatus = ProgramTransfer::ReadStatus::SizeFailed;

    int expectedCount = 0;
    int readCount = 0;
    QString expectedName;
    // The five name characters as stored, trailing blanks included.
    QString readName;
    bool countDiffers = false;
    bool nameDiffers = false;
    // Indices, ascending, of the records that differ among those both sides hold.
    QVector<int> differingRecords;

    bool equal() const { return outcome == Outcome::Equal; }
    // -1 when no record differs.
    int firstDifferingRecord() const
    {
        return differingRecords.isEmpty() ? -1 : differingRecords.constFirst();
    }
};

// Compares what a read returned with the records and name that were written (or compiled).
// An empty program matches an empty cell.
ProgramComparison compareProgram(const InstructionList &expected, const QString &expectedName,
                                 const ProgramTransfer::ReadResult &read);

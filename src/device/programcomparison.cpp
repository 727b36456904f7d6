#include "programcomparison.h"

#include "devicelink.h"

#include <algorithm>

ProgramComparison compareProgram(const InstructionList &expected, const QString &expectedName,
                                 const ProgramTransfer::ReadResult &read)
{
    ProgramComparison comparison;
    comparison.readStatus = read.status;
    comparison.expectedCount = expected.size();
    comparison.expectedName = expectedName;

    if (read.status == ProgramTransfer::ReadStatus::NoRecords && expected.isEmpty()) {
        comparison.outcome = ProgramComparison::Outcome::Equal;
        return comparison;
    }
    if (read.status != ProgramTransfer::ReadStatus::Read) {
        comparison.outcome = ProgramComparison::Outcome::ReadFailed;
        return comparison;
    }

    comparison.readCount = read.records.size();
    comparison.readName = read.name;
    comparison.countDiffers = read.records.size() != expected.size();
    // The name is stored as five bytes padded with blanks; compare what travelled.
    comparison.nameDiffers = DeviceLink::packName(read.name) != DeviceLink::packName(expectedName);
    const int common = std::min(read.records.size(), expected.size());
    for (int i = 0; i < common; ++i) {
        if (read.records.at(i) != expected.at(i))
            comparison.differingRecords.append(i);
    }
    const bool same = !comparison.countDiffers && !comparison.nameDiffers &&
                      comparison.differingRecords.isEmpty();
    comparison.outcome =
        same ? ProgramComparison::Outcome::Equal : ProgramComparison::Outcome::Different;
    return comparison;
}

#include "clioutcome.h"

#include "clitext.h"
#include "compiler.h"
#include "transferjob.h"

#include <QJsonArray>

#include <algorithm>

namespace CliOutcome {

QString writeName(ProgramTransfer::WriteResult result)
{
    switch (result) {
    case ProgramTransfer::WriteResult::Written:
        return QStringLiteral("written");
    case ProgramTransfer::WriteResult::NothingToWrite:
        return QStringLiteral("nothing-to-write");
    case ProgramTransfer::WriteResult::TooManyRecords:
        return QStringLiteral("too-many-records");
    case ProgramTransfer::WriteResult::BadName:
        return QStringLiteral("bad-name");
    case ProgramTransfer::WriteResult::LineFailed:
        return QStringLiteral("line-failed");
    case ProgramTransfer::WriteResult::SizeFailed:
        return QStringLiteral("size-failed");
    case ProgramTransfer::WriteResult::NameFailed:
        return QStringLiteral("name-failed");
    case ProgramTransfer::WriteResult::Cancelled:
        return QStringLiteral("cancelled");
    }
    return QString();
}

QString readName(ProgramTransfer::ReadStatus status)
{
    switch (status) {
    case ProgramTransfer::ReadStatus::Read:
        return QStringLiteral("read");
    case ProgramTransfer::ReadStatus::SizeFailed:
        return QStringLiteral("size-failed");
    case ProgramTransfer::ReadStatus::NoRecords:
        return QStringLiteral("no-records");
    case ProgramTransfer::ReadStatus::BadCount:
        return QStringLiteral("bad-count");
    case ProgramTransfer::ReadStatus::NameFailed:
        return QStringLiteral("name-failed");
    case ProgramTransfer::ReadStatus::LineFailed:
        return QStringLiteral("line-failed");
    case ProgramTransfer::ReadStatus::Cancelled:
        return QStringLiteral("cancelled");
    }
    return QString();
}

QString recordHex(const Instruction &record)
{
    return QString::fromLatin1(record.pack().toHex(' ').toUpper());
}

QJsonObject compileJson(const CompileResult &result)
{
    QJsonObject object{
        {QStringLiteral("ok"), result.ok},
        {QStringLiteral("report"), QJsonArray::fromStringList(result.report)},
        {QStringLiteral("diagnostics"), CliText::diagnosticsJson(result.diagnostics)}};
    if (result.ok) {
        object.insert(QStringLiteral("records"), result.instructions.size());
        object.insert(QStringLiteral("name"), result.programName);
    }
    return object;
}

QJsonObject comparisonJson(const ProgramComparison &comparison)
{
    QJsonArray differing;
    for (const int index : comparison.differingRecords)
        differing.append(index);
    return {{QStringLiteral("equal"), comparison.equal()},
            {QStringLiteral("readFailed"),
             comparison.outcome == ProgramComparison::Outcome::ReadFailed},
            {QStringLiteral("expectedCount"), comparison.expectedCount},
            {QStringLiteral("readCount"), comparison.readCount},
            {QStringLiteral("countDiffers"), comparison.countDiffers},
            {QStringLiteral("expectedName"), comparison.expectedName},
            {QStringLiteral("readName"), comparison.readName},
            {QStringLiteral("nameDiffers"), comparison.nameDiffers},
            {QStringLiteral("firstDifferingRecord"), comparison.firstDifferingRecord()},
            {QStringLiteral("differingRecords"), differing}};
}

QStringList verifyProblems(const TransferOutcome &outcome, const InstructionList &program,
                           int cellNumber)
{
    const ProgramComparison &comparison = outcome.comparison;
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        if (comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords ||
            comparison.readStatus == ProgramTransfer::ReadStatus::BadCount) {
            return {QStringLiteral("verify: cell %1 does not hold %2 records")
                        .arg(cellNumber)
                        .arg(program.size())};
        }
        return {QStringLiteral("verify: cell %1 could not be read back").arg(cellNumber)};
    }
    QStringList problems;
    if (comparison.countDiffers) {
        problems << QStringLiteral("verify: count differs: wrote %1, read %2")
                        .arg(comparison.expectedCount)
                        .arg(comparison.readCount);
    }
    if (comparison.nameDiffers) {
        problems << QStringLiteral("verify: name differs: wrote \"%1\", read \"%2\"")
                        .arg(comparison.expectedName, comparison.readName);
    }
    for (const int i : comparison.differingRecords) {
        problems << QStringLiteral("verify: record %1 differs: wrote %2, read %3")
                        .arg(i)
                        .arg(recordHex(program.at(i)), recordHex(outcome.read.records.at(i)));
    }
    return problems;
}

QString verifiedLine(int cellNumber, int records)
{
    return QStringLiteral("verify: cell %1 holds the program as written (%2 records)")
        .arg(cellNumber)
        .arg(records);
}

QStringList compareLines(const TransferOutcome &outcome, const InstructionList &program)
{
    const ProgramComparison &comparison = outcome.comparison;
    if (comparison.equal())
        return {QStringLiteral("compare: equal, %1 records").arg(comparison.expectedCount)};
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        return {comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords
                    ? QStringLiteral("compare: the cell holds no program")
                    : QStringLiteral("compare: the cell could not be read")};
    }
    QStringList lines;
    if (comparison.countDiffers) {
        lines << QStringLiteral("compare: count differs: file %1, cell %2")
                     .arg(comparison.expectedCount)
                     .arg(comparison.readCount);
    }
    if (comparison.nameDiffers) {
        lines << QStringLiteral("compare: name differs: file \"%1\", cell \"%2\"")
                     .arg(comparison.expectedName, comparison.readName);
    }
    const int first = comparison.firstDifferingRecord();
    if (first >= 0) {
        lines << QStringLiteral("compare: record %1 differs (%2 of %3 records differ): file %4, "
                                "cell %5")
                     .arg(first)
                     .arg(comparison.differingRecords.size())
                     .arg(std::min(comparison.expectedCount, comparison.readCount))
                     .arg(recordHex(program.at(first)), recordHex(outcome.read.records.at(first)));
    }
    return lines;
}

} // namespace CliOutcome

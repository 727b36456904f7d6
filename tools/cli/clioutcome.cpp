#include "clioutcome.h"

#include "clitext.h"
#include "compiler.h"
#include "programcomparison.h"

#include <QJsonArray>

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

void insertCellState(QJsonObject &object, const ProgramTransfer::CellState &state)
{
    const auto stored = [](const std::optional<bool> &value) {
        return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
    };
    object.insert(QStringLiteral("storedLines"), state.storedLines);
    object.insert(QStringLiteral("countStored"), stored(state.countStored));
    object.insert(QStringLiteral("nameStored"), stored(state.nameStored));
}

} // namespace CliOutcome

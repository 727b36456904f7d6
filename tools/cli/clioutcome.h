#pragma once

#include "programtransfer.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

struct CompileResult;
struct ProgramComparison;

// The tool's names and JSON shapes for outcomes: pure functions, so that the tests check them
// directly. The lines a person reads are the window's (TransferWording).
namespace CliOutcome {

// The outcome names of the JSON objects.
QString writeName(ProgramTransfer::WriteResult result);
QString readName(ProgramTransfer::ReadStatus status);

QJsonObject compileJson(const CompileResult &result);
QJsonObject comparisonJson(const ProgramComparison &comparison);
// storedLines, countStored and nameStored: true, false, or null when a request went out and no
// answer said whether it was stored.
void insertCellState(QJsonObject &object, const ProgramTransfer::CellState &state);

} // namespace CliOutcome

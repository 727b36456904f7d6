#pragma once

#include "instruction.h"
#include "programtransfer.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

struct CompileResult;
struct ProgramComparison;
struct TransferOutcome;

// The tool's names and JSON shapes for outcomes, and its lines for a comparison: pure functions
// over the transfer job's outcome, so that the tests check them directly.
namespace CliOutcome {

// The outcome names of the JSON objects.
QString writeName(ProgramTransfer::WriteResult result);
QString readName(ProgramTransfer::ReadStatus status);

QString recordHex(const Instruction &record);

QJsonObject compileJson(const CompileResult &result);
QJsonObject comparisonJson(const ProgramComparison &comparison);

// The differences a read-back shows after a write, each one line for standard error; empty when
// the cell holds the program.
QStringList verifyProblems(const TransferOutcome &outcome, const InstructionList &program,
                           int cellNumber);
// The line after a check that agreed.
QString verifiedLine(int cellNumber, int records);
// compare's words: equal, or the first differences.
QStringList compareLines(const TransferOutcome &outcome, const InstructionList &program);

} // namespace CliOutcome

#pragma once

#include "limitcheck.h"
#include "operandlimits.h"

#include <QJsonArray>
#include <QString>

#include <optional>

class Console;
struct Invocation;

// The options that shape the model of a program: its starting values and time limit (--set,
// --until) and the operands' limits it is checked against (--limits).
namespace ModelOptions {

// The starting values and the time limit, or nothing with the reason in problem.
std::optional<ModelAssumptions> assumptions(const Invocation &invocation, QString &problem);
// The limits of --limits (none without it), or nothing once the reasons are on standard error:
// the file's, or "FILE:LINE: error: REASON" for each rule that cannot stand.
std::optional<OperandLimits> limits(const Invocation &invocation, Console &console);
// [{"operand": "Us", "min": 0, "max": 3000, "value": 30000, "line": 2, "column": 6,
//   "timeMs": null}, ...]
QJsonArray json(const LimitViolations &violations);

} // namespace ModelOptions

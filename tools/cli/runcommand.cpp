// quorvel-cli run: the program's model run on its operands, as a table, CSV or JSON.

#include "clitext.h"
#include "commandline.h"
#include "commands.h"
#include "compiler.h"
#include "console.h"
#include "language.h"
#include "limitcheck.h"
#include "modeloptions.h"
#include "programrun.h"
#include "programfiles.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <optional>

namespace {

QString stopName(RunStop stop)
{
    switch (stop) {
    case RunStop::End:
        return QStringLiteral("end");
    case RunStop::Time:
        return QStringLiteral("time");
    case RunStop::DivisionByZero:
        return QStringLiteral("div0");
    case RunStop::Stall:
        return QStringLiteral("stall");
    case RunStop::Budget:
        return QStringLiteral("budget");
    }
    return QString();
}

} // namespace

int runProgram(const Invocation &invocation, Console &console)
{
    const QString &path = invocation.files.constFirst();
    QString problem;
    const std::optional<ModelAssumptions> settings = ModelOptions::assumptions(invocation, problem);
    if (settings && invocation.csv && invocation.json)
        problem = Commands::tr("--csv и --json исключают друг друга");
    if (!problem.isEmpty()) {
        console.error(problem);
        return ExitBadInput;
    }
    const std::optional<OperandLimits> limits = ModelOptions::limits(invocation, console);
    if (!limits)
        return ExitBadInput;
    const std::optional<QString> text = ProgramFiles::read(path, console);
    if (!text)
        return ExitBadInput;
    const CompileResult compiled = compileProgram(*text);
    QJsonObject object{{QStringLiteral("command"), QStringLiteral("run")},
                       {QStringLiteral("file"), path}};
    if (!compiled.ok) {
        for (const QString &line : CliText::diagnosticLines(path, compiled.diagnostics))
            console.err(line);
        console.error(Commands::tr("%1 не компилируется, прогон не выполнен").arg(path));
        if (invocation.json) {
            object.insert(QStringLiteral("ok"), false);
            object.insert(QStringLiteral("outcome"), QStringLiteral("compile-failed"));
            object.insert(QStringLiteral("diagnostics"),
                          CliText::diagnosticsJson(compiled.diagnostics));
            console.outBytes(CliText::jsonLine(object));
        }
        return ExitBadInput;
    }

    ProgramRun programRun(compiled.instructions, compiled.recordSourceLines);
    for (const auto &start : qAsConst(settings->startValues))
        programRun.setStartValue(start.first, start.second);
    programRun.setTimeLimitMs(settings->timeLimitMs);
    const RunOutcome outcome = programRun.run();
    const LimitViolations beyond = LimitCheck::modelViolations(outcome, *limits, *text);
    const bool ended = outcome.stop == RunStop::End || outcome.stop == RunStop::Time;

    const Language::CodeTable codes = Language::operandCodes();
    const auto nameOf = &ProgramRun::operandName;

    if (invocation.json) {
        QJsonArray trace;
        for (const RunTraceRow &row : outcome.trace) {
            trace.append(QJsonObject{{QStringLiteral("timeMs"), double(row.timeMs)},
                                     {QStringLiteral("line"), row.line},
                                     {QStringLiteral("operand"), nameOf(row.operand)},
                                     {QStringLiteral("value"), row.value}});
        }
        QJsonObject finalValues;
        for (auto it = codes.cbegin(); it != codes.cend(); ++it)
            finalValues.insert(it.key(), outcome.finalValues[size_t(it.value())]);
        object.insert(QStringLiteral("ok"), ended && beyond.isEmpty());
        object.insert(QStringLiteral("outcome"), stopName(outcome.stop));
        object.insert(QStringLiteral("message"),
                      ProgramRun::stopText(outcome, programRun.timeLimitMs()));
        object.insert(QStringLiteral("finalTimeMs"), double(outcome.finalTimeMs));
        object.insert(QStringLiteral("limitMs"), double(programRun.timeLimitMs()));
        if (outcome.firstLine > 0) {
            object.insert(QStringLiteral("firstLine"), outcome.firstLine);
            object.insert(QStringLiteral("lastLine"), outcome.lastLine);
        }
        object.insert(QStringLiteral("finalValues"), finalValues);
        object.insert(QStringLiteral("trace"), trace);
        if (!invocation.limitsFile.isEmpty())
            object.insert(QStringLiteral("limits"), ModelOptions::json(beyond));
        console.outBytes(CliText::jsonLine(object));
    } else if (invocation.csv) {
        console.out(ProgramRun::csvHeader());
        for (const RunTraceRow &row : outcome.trace)
            console.out(ProgramRun::csvLine(row));
    } else {
        const auto tableLine = [](const QString &time, const QString &line, const QString &name,
                                  const QString &value) {
            return QStringLiteral("%1 %2  %3 %4")
                .arg(time, 12)
                .arg(line, 6)
                .arg(name, -7)
                .arg(value, 11);
        };
        console.out(tableLine(Commands::tr("время, мс"), Commands::tr("строка"),
                              Commands::tr("операнд"), Commands::tr("значение")));
        for (const RunTraceRow &row : outcome.trace) {
            console.out(tableLine(QString::number(row.timeMs), QString::number(row.line),
                                  nameOf(row.operand), QString::number(row.value)));
        }
    }
    // The stop line stays last, where a script finds how the run ended.
    for (const QString &line : CliText::diagnosticLines(
             path, LimitCheck::diagnostics(beyond, Diagnostic::Severity::Error, *settings)))
        console.err(line);
    console.err(ProgramRun::stopText(outcome, programRun.timeLimitMs()));
    return ended && beyond.isEmpty() ? ExitSuccess : ExitFailed;
}

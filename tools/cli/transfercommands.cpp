#include "commands.h"

#include "clioutcome.h"
#include "clitext.h"
#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "devicesession.h"
#include "exchangelog.h"
#include "language.h"
#include "limitcheck.h"
#include "modeloptions.h"
#include "programfiles.h"
#include "stopsignals.h"
#include "targetrun.h"
#include "sessiontransfer.h"
#include "transferwording.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

// How one target ended: its exit status, JSON outcome name and summary (empty: the last line).
struct Served
{
    int status = ExitFailed;
    QString outcome;
    QString summary;
    // The lines that say why it failed, for standard error; empty: the line where the transfer
    // failed. failureShown: they are on standard error already.
    QStringList failure = {};
    bool failureShown = false;
};

using Serve = std::function<Served(SessionTransfer &job, const Target &target, TargetRun &run,
                                   QJsonObject &object)>;

} // namespace

// Opens the port with the exchange log on standard error when asked for (the link's own raw traces
// are dropped), and a line there when it is lost.
bool openConnection(DeviceSession &connection, const Invocation &invocation, Console &console)
{
    connection.setTraceDevice(nullptr);
    if (invocation.trace) {
        // The log lives as long as the session that reports to it.
        auto *log = new ExchangeLogWriter(console.errorDevice());
        connection.setExchangeObserver(log);
        QObject::connect(&connection, &QObject::destroyed, [log] { delete log; });
    }
    QObject::connect(&connection, &DeviceSession::lineLost, &connection,
                     [&connection, &console](QSerialPort::SerialPortError error) {
                         // The window's line, with the port and the reason a script's log
                         // needs.
                         console.error(Commands::tr("%1 (порт %2: %3)")
                                           .arg(TransferWording::lostLine(),
                                                connection.requestedName(),
                                                DeviceConnection::lossReason(error)));
                     });
    connection.open(invocation.port);
    connection.waitUntilIdle();
    if (connection.isOpen())
        return true;
    console.error(Commands::tr("Не удается открыть порт %1: %2")
                      .arg(invocation.port, connection.failure().text()));
    return false;
}

namespace {

// Compiles the one program file of write and compare. write prints the report as the window
// does before a write; otherwise only the errors, on standard error, say why nothing was sent.
CompileResult compileText(const QString &text, const Invocation &invocation, Console &console,
                          bool report)
{
    CompileResult compiled = compileProgram(text);
    if (invocation.json)
        return compiled;
    if (report && !invocation.quiet) {
        for (const QString &line : compiled.report)
            console.out(line);
    } else if (!compiled.ok) {
        for (const QString &line :
             CliText::diagnosticLines(invocation.files.constFirst(), compiled.diagnostics))
            console.err(line);
    }
    return compiled;
}

// When the program does not compile, no target is served; JSON still gets one object per target.
int refuseTargets(const QString &command, const Invocation &invocation,
                  const CompileResult &compiled, Console &console)
{
    if (invocation.json) {
        for (const Target &target : targetsOf(invocation)) {
            QJsonObject object = targetJson(command, invocation, target);
            object.insert(QStringLiteral("file"), invocation.files.constFirst());
            object.insert(QStringLiteral("ok"), false);
            object.insert(QStringLiteral("outcome"), QStringLiteral("compile-failed"));
            object.insert(QStringLiteral("compile"), CliOutcome::compileJson(compiled));
            console.outBytes(CliText::jsonLine(object));
        }
    }
    return ExitFailed;
}

// A write beyond the limits: nothing is sent to any target; JSON gets one object per target.
int refuseBeyondLimits(const Invocation &invocation, const CompileResult &compiled,
                       const LimitReport &gate, Console &console)
{
    console.err(LimitCheck::refusedLine());
    if (invocation.json) {
        for (const Target &target : targetsOf(invocation)) {
            QJsonObject object = targetJson(QStringLiteral("write"), invocation, target);
            object.insert(QStringLiteral("file"), invocation.files.constFirst());
            object.insert(QStringLiteral("ok"), false);
            object.insert(QStringLiteral("outcome"), QStringLiteral("beyond-limits"));
            object.insert(QStringLiteral("compile"), CliOutcome::compileJson(compiled));
            object.insert(QStringLiteral("limits"), ModelOptions::json(gate.violations));
            console.outBytes(CliText::jsonLine(object));
        }
    }
    return ExitFailed;
}

// One job per target under `heading`, each ended by its summary and, for JSON, its object. Stops
// before the next target once a stop signal came.
using Heading = std::function<QString(const Target &target)>;

int serveTargets(const QString &command, const Invocation &invocation, Console &console,
                 DeviceSession &connection, bool linesOnError, const Heading &heading,
                 const Serve &serve)
{
    int status = ExitSuccess;
    TargetRun run(invocation, console, linesOnError);
    const QVector<Target> targets = targetsOf(invocation);
    for (int t = 0; t < targets.size() && StopSignals::received() == 0; ++t) {
        const Target &target = targets.at(t);
        run.begin(target, t);
        run.line(heading(target));
        SessionTransfer job(connection, target.slaveId, target.cell);
        QObject::connect(&job, &SessionTransfer::line, &job,
                         [&run](const QString &text) { run.line(text); });
        run.follow(job);
        const StopOnSignal stopper(job);
        QJsonObject object = targetJson(command, invocation, target);
        const Served served = serve(job, target, run, object);
        // A closed port explains the silence itself.
        const bool unanswered = job.outcome().unanswered && connection.isOpen();
        if (unanswered)
            run.note(TransferWording::noAnswerLine(target.slaveId));
        const bool ok = served.status == ExitSuccess;
        // A stopped transfer has no line that failed, only the note that it stopped.
        run.summary(ok, served.summary.isEmpty() ? run.lastLine() : served.summary, served.failure,
                    served.failureShown || job.outcome().cancelled);
        object.insert(QStringLiteral("ok"), ok);
        object.insert(QStringLiteral("outcome"), served.outcome);
        object.insert(QStringLiteral("unanswered"), unanswered);
        object.insert(QStringLiteral("lines"), QJsonArray::fromStringList(run.lines));
        if (invocation.json)
            console.outBytes(CliText::jsonLine(object));
        status = std::max(status, served.status);
    }
    return status;
}

// write and compare: the file, the port, the compile, then every target.
int serveProgram(const QString &command, const Invocation &invocation, Console &console,
                 const Heading &heading,
                 const std::function<Served(SessionTransfer &, const Target &, TargetRun &,
                                            QJsonObject &, const CompileResult &)> &serve)
{
    const bool writing = command == QLatin1String("write");
    // Only a write changes the supply, so only a write is held to the limits.
    OperandLimits limits;
    ModelAssumptions assumptions;
    if (writing) {
        QString problem;
        const std::optional<ModelAssumptions> model =
            ModelOptions::assumptions(invocation, problem);
        if (!model) {
            console.error(problem);
            return ExitBadInput;
        }
        assumptions = *model;
        const std::optional<OperandLimits> given = ModelOptions::limits(invocation, console);
        if (!given)
            return ExitBadInput;
        limits = *given;
    }
    const std::optional<QString> text = ProgramFiles::read(invocation.files.constFirst(), console);
    if (!text)
        return ExitBadInput;
    DeviceSession connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;
    const CompileResult compiled = compileText(*text, invocation, console, writing);
    if (!compiled.ok)
        return refuseTargets(command, invocation, compiled, console);
    const LimitReport gate = LimitCheck::check(*text, compiled.instructions,
                                               compiled.recordSourceLines, limits, assumptions);
    if (!gate.clean()) {
        const Diagnostic::Severity severity =
            invocation.ignoreLimits ? Diagnostic::Severity::Warning : Diagnostic::Severity::Error;
        for (const QString &line : CliText::diagnosticLines(
                 invocation.files.constFirst(), LimitCheck::diagnostics(gate, severity)))
            console.err(line);
        if (!invocation.ignoreLimits)
            return refuseBeyondLimits(invocation, compiled, gate, console);
    }
    return serveTargets(
        command, invocation, console, connection, false, heading,
        [&](SessionTransfer &job, const Target &target, TargetRun &run, QJsonObject &object) {
            object.insert(QStringLiteral("file"), invocation.files.constFirst());
            object.insert(QStringLiteral("compile"), CliOutcome::compileJson(compiled));
            if (writing && !invocation.limitsFile.isEmpty())
                object.insert(QStringLiteral("limits"), ModelOptions::json(gate.violations));
            return serve(job, target, run, object, compiled);
        });
}

Served writeTarget(SessionTransfer &job, const Target &target, TargetRun &run, QJsonObject &object,
                   const CompileResult &compiled, const Invocation &invocation, Console &console)
{
    const InstructionList &program = compiled.instructions;
    job.write(program, compiled.programName);
    job.waitForFinished();
    const TransferOutcome &outcome = job.outcome();
    if (outcome.cancelled)
        run.note(TransferWording::stoppedLine());
    // The window's warning, where a script's log keeps it apart from the program's lines.
    const QString cellWarning = outcome.cellWarning(target.cellNumber());
    if (!cellWarning.isEmpty()) {
        run.errorNote(cellWarning);
        object.insert(QStringLiteral("cellWarning"), cellWarning);
    }
    CliOutcome::insertCellState(object, outcome.cellState);
    if (!outcome.writtenOk())
        return {ExitFailed, CliOutcome::writeName(outcome.written), QString()};
    // Stopped while the name was answered: written, and the check is what the stop ends.
    if (invocation.verify && job.stopRequested()) {
        run.line(TransferWording::stoppedLine());
        return {ExitSuccess, CliOutcome::writeName(outcome.written),
                Commands::tr("записано записей: %n", nullptr, int(program.size()))};
    }
    if (!invocation.verify) {
        return {ExitSuccess, CliOutcome::writeName(outcome.written),
                Commands::tr("записано записей: %n", nullptr, int(program.size()))};
    }

    run.line(TransferWording::readHeading());
    job.compare(program, compiled.programName, compiled.recordSourceLines, false);
    job.waitForFinished();
    if (outcome.cancelled)
        run.note(TransferWording::stoppedLine());
    object.insert(QStringLiteral("verify"), CliOutcome::comparisonJson(outcome.comparison));
    const QVector<TransferWording::Line> found =
        TransferWording::comparisonLines(outcome, &program);
    if (!outcome.comparison.equal()) {
        // The differences on standard error, where a script's log keeps them apart.
        if (!invocation.json) {
            for (const TransferWording::Line &line : found)
                console.err(line.text);
        }
        return {ExitFailed,
                QStringLiteral("verify-failed"),
                Commands::tr("проверка нашла отличия"),
                {},
                !invocation.json};
    }
    run.line(found.constFirst().text);
    return {ExitSuccess, QStringLiteral("verified"),
            Commands::tr("записано и проверено записей: %n", nullptr, int(program.size()))};
}

// The window's comparison: the read's own lines stay out, the findings name record, program
// line and the bytes on both sides.
Served compareTarget(SessionTransfer &job, TargetRun &run, QJsonObject &object,
                     const CompileResult &compiled)
{
    job.compare(compiled.instructions, compiled.programName, compiled.recordSourceLines, true);
    job.waitForFinished();
    const TransferOutcome &outcome = job.outcome();
    QStringList found;
    if (outcome.cancelled)
        run.note(TransferWording::stoppedLine());
    else {
        for (const TransferWording::Line &line :
             TransferWording::comparisonLines(outcome, &compiled.instructions)) {
            run.line(line.text);
            found << line.text;
        }
    }
    object.insert(QStringLiteral("comparison"), CliOutcome::comparisonJson(outcome.comparison));
    const ProgramComparison &comparison = outcome.comparison;
    if (comparison.equal()) {
        return {ExitSuccess, QStringLiteral("equal"),
                Commands::tr("совпадает, записей: %n", nullptr, comparison.expectedCount)};
    }
    // Every difference found, not only the last.
    return {ExitFailed,
            comparison.outcome == ProgramComparison::Outcome::ReadFailed
                ? CliOutcome::readName(outcome.read.status)
                : QStringLiteral("different"),
            QString(), found};
}

// Puts the decoded program where it was asked to go; the success line only once it is there.
Served keepReadProgram(const TransferOutcome &outcome, const Target &target, TargetRun &run,
                       QJsonObject &object, const Invocation &invocation, Console &console)
{
    const QString program = outcome.decoded.text();
    const QString path =
        invocation.outputFile.isEmpty()
            ? QString()
            : CliText::outputPathFor(invocation.outputFile, target.slaveId, target.cellNumber());
    QString reason;
    bool saved = true;
    if (path.isEmpty() && invocation.json) {
        object.insert(QStringLiteral("program"), program);
    } else if (path.isEmpty()) {
        console.outText(program);
        saved = console.outputOk();
        reason = ProgramFiles::standardOutputFailure();
    } else {
        saved = ProgramFiles::save(path, program, console, reason);
        object.insert(QStringLiteral("output"), path);
    }
    if (!saved) {
        object.insert(QStringLiteral("error"), reason);
        int status = ExitFailed;
        if (!path.isEmpty()) {
            console.error(Commands::tr("Не удается записать файл %1: %2").arg(path, reason));
            status = ExitBadInput;
        }
        return {status, QStringLiteral("save-failed"),
                Commands::tr("Не удается записать файл %1").arg(path)};
    }
    run.line(TransferWording::readSuccessLine());
    if (!outcome.nameWarning.isEmpty()) {
        console.err(outcome.nameWarning);
        object.insert(QStringLiteral("nameWarning"), outcome.nameWarning);
    }
    const RoundTrip &trip = outcome.roundTrip;
    QJsonObject tripObject{{QStringLiteral("ok"), trip.ok}};
    if (trip.record >= 0) {
        tripObject.insert(QStringLiteral("record"), trip.record);
        tripObject.insert(QStringLiteral("line"), trip.line);
    }
    if (trip.nameDiffers)
        tripObject.insert(QStringLiteral("nameDiffers"), true);
    object.insert(QStringLiteral("roundTrip"), tripObject);
    if (!trip.ok) {
        // The file holds what was read, but it is not the cell: a script must not take it as a
        // copy to write back.
        if (!trip.warning.isEmpty()) {
            console.err(trip.warning);
            object.insert(QStringLiteral("roundTripWarning"), trip.warning);
        }
        return {ExitFailed, QStringLiteral("text-differs"),
                Commands::tr("текст не даёт той же программы, что в приборе")};
    }
    const int records = outcome.read.records.size();
    return {ExitSuccess, CliOutcome::readName(outcome.read.status),
            path.isEmpty()
                ? Commands::tr("считано записей: %n", nullptr, records)
                : Commands::tr("считано записей: %n, в файл %1", nullptr, records).arg(path)};
}

Served readTarget(SessionTransfer &job, const Target &target, TargetRun &run, QJsonObject &object,
                  const Invocation &invocation, Console &console)
{
    job.read(Decoder(Language::operandCodes(), Language::compareCodes()));
    job.waitForFinished();
    const TransferOutcome &outcome = job.outcome();
    if (outcome.cancelled)
        run.note(TransferWording::stoppedLine());
    if (!outcome.readOk())
        return {ExitFailed, CliOutcome::readName(outcome.read.status), QString()};
    object.insert(QStringLiteral("records"), outcome.read.records.size());
    object.insert(QStringLiteral("name"), outcome.read.name);
    if (!outcome.decoded.ok) {
        run.line(outcome.decoded.error);
        return {ExitFailed, QStringLiteral("decode-failed"), QString()};
    }
    return keepReadProgram(outcome, target, run, object, invocation, console);
}

} // namespace

int runWrite(const Invocation &invocation, Console &console)
{
    return serveProgram(
        QStringLiteral("write"), invocation, console,
        [](const Target &) { return TransferWording::writeHeading(); },
        [&](SessionTransfer &job, const Target &target, TargetRun &run, QJsonObject &object,
            const CompileResult &compiled) {
            return writeTarget(job, target, run, object, compiled, invocation, console);
        });
}

int runCompare(const Invocation &invocation, Console &console)
{
    return serveProgram(
        QStringLiteral("compare"), invocation, console,
        [](const Target &target) { return TransferWording::compareHeading(target.cellNumber()); },
        [](SessionTransfer &job, const Target &, TargetRun &run, QJsonObject &object,
           const CompileResult &compiled) { return compareTarget(job, run, object, compiled); });
}

int runRead(const Invocation &invocation, Console &console)
{
    DeviceSession connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;
    // Standard output carries only the program, so the transfer's lines go to standard error.
    return serveTargets(
        QStringLiteral("read"), invocation, console, connection, true,
        [](const Target &) { return TransferWording::readHeading(); },
        [&](SessionTransfer &job, const Target &target, TargetRun &run, QJsonObject &object) {
            return readTarget(job, target, run, object, invocation, console);
        });
}

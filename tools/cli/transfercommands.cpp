#include "commands.h"

#include "clioutcome.h"
#include "clitext.h"
#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "deviceconnection.h"
#include "exchangelog.h"
#include "language.h"
#include "programfiles.h"
#include "stopsignals.h"
#include "targetrun.h"
#include "transferjob.h"
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
};

using Serve = std::function<Served(TransferJob &job, const Target &target, TargetRun &run,
                                   QJsonObject &object)>;

// Opens the port with the exchange log on standard error when asked for (the link's own raw traces
// are dropped), and a line there when it is lost.
bool openConnection(DeviceConnection &connection, const Invocation &invocation, Console &console)
{
    connection.link().setTraceDevice(nullptr);
    if (invocation.trace) {
        // The log lives as long as the connection whose link reports to it.
        auto *log = new ExchangeLogWriter(console.errorDevice());
        connection.link().setEventSink(log);
        QObject::connect(&connection, &QObject::destroyed, [log] { delete log; });
    }
    QObject::connect(&connection, &DeviceConnection::lineLost, &connection,
                     [&connection, &console](QSerialPort::SerialPortError error) {
                         // The window's line, with the port and the reason a script's log
                         // needs.
                         console.error(Commands::tr("%1 (порт %2: %3)")
                                           .arg(TransferWording::lostLine(),
                                                connection.requestedName(),
                                                DeviceConnection::lossReason(error)));
                     });
    if (connection.open(invocation.port))
        return true;
    console.error(Commands::tr("Не удается открыть порт %1: %2")
                      .arg(invocation.port, connection.failure().text()));
    return false;
}

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

// One job per target under `heading`, each ended by its summary and, for JSON, its object. Stops
// before the next target once a stop signal came.
using Heading = std::function<QString(const Target &target)>;

int serveTargets(const QString &command, const Invocation &invocation, Console &console,
                 DeviceConnection &connection, bool linesOnError, const Heading &heading,
                 const Serve &serve)
{
    int status = ExitSuccess;
    TargetRun run(invocation, console, linesOnError);
    const QVector<Target> targets = targetsOf(invocation);
    for (int t = 0; t < targets.size() && StopSignals::received() == 0; ++t) {
        const Target &target = targets.at(t);
        run.begin(target, t);
        run.line(heading(target));
        TransferJob job(connection.link(), target.slaveId, target.cell,
                        [&run](const QString &text) { run.line(text); });
        run.follow(job);
        const StopOnSignal stopper(job);
        QJsonObject object = targetJson(command, invocation, target);
        const Served served = serve(job, target, run, object);
        // A closed port explains the silence itself.
        if (job.outcome().unanswered && connection.isOpen())
            run.line(TransferWording::noAnswerLine(target.slaveId));
        const bool ok = served.status == ExitSuccess;
        run.summary(ok, served.summary.isEmpty() ? run.lastLine() : served.summary);
        object.insert(QStringLiteral("ok"), ok);
        object.insert(QStringLiteral("outcome"), served.outcome);
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
                 const std::function<Served(TransferJob &, const Target &, TargetRun &,
                                            QJsonObject &, const CompileResult &)> &serve)
{
    const std::optional<QString> text = ProgramFiles::read(invocation.files.constFirst(), console);
    if (!text)
        return ExitBadInput;
    DeviceConnection connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;
    const bool writing = command == QLatin1String("write");
    const CompileResult compiled = compileText(*text, invocation, console, writing);
    if (!compiled.ok)
        return refuseTargets(command, invocation, compiled, console);
    return serveTargets(
        command, invocation, console, connection, false, heading,
        [&](TransferJob &job, const Target &target, TargetRun &run, QJsonObject &object) {
            object.insert(QStringLiteral("file"), invocation.files.constFirst());
            object.insert(QStringLiteral("compile"), CliOutcome::compileJson(compiled));
            return serve(job, target, run, object, compiled);
        });
}

Served writeTarget(TransferJob &job, const Target &target, TargetRun &run, QJsonObject &object,
                   const CompileResult &compiled, const Invocation &invocation, Console &console)
{
    const InstructionList &program = compiled.instructions;
    const TransferOutcome &outcome = job.write(program, compiled.programName);
    if (outcome.cancelled)
        run.line(TransferWording::stoppedLine());
    // The window's warning, where a script's log keeps it apart from the program's lines.
    const QString cellWarning = outcome.cellWarning(target.cellNumber());
    if (!cellWarning.isEmpty()) {
        console.err(cellWarning);
        object.insert(QStringLiteral("cellWarning"), cellWarning);
    }
    CliOutcome::insertCellState(object, outcome.cellState);
    if (!outcome.writtenOk())
        return {ExitFailed, CliOutcome::writeName(outcome.written), QString()};
    // Stopped while the name was answered: written, and the check is what the stop ends.
    if (invocation.verify && job.stopRequested()) {
        run.line(TransferWording::stoppedLine());
        return {ExitSuccess, CliOutcome::writeName(outcome.written),
                Commands::tr("записано записей: %1").arg(program.size())};
    }
    if (!invocation.verify) {
        return {ExitSuccess, CliOutcome::writeName(outcome.written),
                Commands::tr("записано записей: %1").arg(program.size())};
    }

    run.line(TransferWording::readHeading());
    job.compare(program, compiled.programName, compiled.recordSourceLines, false);
    if (outcome.cancelled)
        run.line(TransferWording::stoppedLine());
    object.insert(QStringLiteral("verify"), CliOutcome::comparisonJson(outcome.comparison));
    const QVector<TransferWording::Line> found =
        TransferWording::comparisonLines(outcome, &program);
    if (!outcome.comparison.equal()) {
        // The differences on standard error, where a script's log keeps them apart.
        if (!invocation.json) {
            for (const TransferWording::Line &line : found)
                console.err(line.text);
        }
        return {ExitFailed, QStringLiteral("verify-failed"),
                Commands::tr("проверка нашла отличия")};
    }
    run.line(found.constFirst().text);
    return {ExitSuccess, QStringLiteral("verified"),
            Commands::tr("записано и проверено записей: %1").arg(program.size())};
}

// The window's comparison: the read's own lines stay out, the findings name record, program
// line and the bytes on both sides.
Served compareTarget(TransferJob &job, TargetRun &run, QJsonObject &object,
                     const CompileResult &compiled)
{
    const TransferOutcome &outcome =
        job.compare(compiled.instructions, compiled.programName, compiled.recordSourceLines, true);
    if (outcome.cancelled)
        run.line(TransferWording::stoppedLine());
    else {
        for (const TransferWording::Line &line :
             TransferWording::comparisonLines(outcome, &compiled.instructions))
            run.line(line.text);
    }
    object.insert(QStringLiteral("comparison"), CliOutcome::comparisonJson(outcome.comparison));
    const ProgramComparison &comparison = outcome.comparison;
    if (comparison.equal()) {
        return {ExitSuccess, QStringLiteral("equal"),
                Commands::tr("совпадает, записей: %1").arg(comparison.expectedCount)};
    }
    return {ExitFailed,
            comparison.outcome == ProgramComparison::Outcome::ReadFailed
                ? CliOutcome::readName(outcome.read.status)
                : QStringLiteral("different"),
            QString()};
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
            path.isEmpty() ? Commands::tr("считано записей: %1").arg(records)
                           : Commands::tr("считано записей: %1, в файл %2").arg(records).arg(path)};
}

Served readTarget(TransferJob &job, const Target &target, TargetRun &run, QJsonObject &object,
                  const Invocation &invocation, Console &console)
{
    const TransferOutcome &outcome =
        job.read(Decoder(Language::operandCodes(), Language::compareCodes()));
    if (outcome.cancelled)
        run.line(TransferWording::stoppedLine());
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
        [&](TransferJob &job, const Target &target, TargetRun &run, QJsonObject &object,
            const CompileResult &compiled) {
            return writeTarget(job, target, run, object, compiled, invocation, console);
        });
}

int runCompare(const Invocation &invocation, Console &console)
{
    return serveProgram(
        QStringLiteral("compare"), invocation, console,
        [](const Target &target) { return TransferWording::compareHeading(target.cellNumber()); },
        [](TransferJob &job, const Target &, TargetRun &run, QJsonObject &object,
           const CompileResult &compiled) { return compareTarget(job, run, object, compiled); });
}

int runRead(const Invocation &invocation, Console &console)
{
    DeviceConnection connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;
    // Standard output carries only the program, so the transfer's lines go to standard error.
    return serveTargets(
        QStringLiteral("read"), invocation, console, connection, true,
        [](const Target &) { return TransferWording::readHeading(); },
        [&](TransferJob &job, const Target &target, TargetRun &run, QJsonObject &object) {
            return readTarget(job, target, run, object, invocation, console);
        });
}

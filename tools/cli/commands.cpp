#include "commands.h"

#include "clitext.h"
#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "decoder.h"
#include "devicelink.h"
#include "devicesession.h"
#include "programcomparison.h"
#include "programtext.h"
#include "programtransfer.h"
#include "stopsignals.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSerialPortInfo>

#include <algorithm>
#include <optional>

namespace {

constexpr int MsPerSecond = 1000;

// The headings the window puts above a transfer's lines.
QString writeHeading()
{
    return QStringLiteral("Запись данных в устройство");
}

QString readHeading()
{
    return QStringLiteral("Чтение данных из устройства");
}

QString readSuccessLine()
{
    return QStringLiteral("Данные успешно считаны и декодированы");
}

QString recordHex(const Instruction &record)
{
    return QString::fromLatin1(record.pack().toHex(' ').toUpper());
}

QJsonArray toJson(const QStringList &lines)
{
    return QJsonArray::fromStringList(lines);
}

// Files that cannot be read are bad input; a failed compile is a failed operation.
int worse(int a, int b)
{
    return std::max(a, b);
}

// Why a program file cannot be used, or nothing when it was read.
QString loadProblem(const QString &path, const ProgramText::LoadedFile &file)
{
    switch (file.problem) {
    case ProgramText::FileProblem::None:
        return QString();
    case ProgramText::FileProblem::NotRegularFile:
        return QStringLiteral("cannot read %1: not a regular file").arg(path);
    case ProgramText::FileProblem::TooLarge:
        return QStringLiteral("cannot read %1: larger than %2 bytes, not a program file")
            .arg(path)
            .arg(ProgramText::MaxFileBytes);
    case ProgramText::FileProblem::Unreadable:
        return QStringLiteral("cannot read %1: %2").arg(path, file.systemError);
    }
    return QString();
}

std::optional<QString> readProgram(const QString &path, Console &console)
{
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    if (file.ok())
        return file.text;
    console.error(loadProblem(path, file));
    return std::nullopt;
}

bool openSession(DeviceSession &session, const Invocation &invocation, Console &console)
{
    QString reason;
    if (session.open(invocation.port, reason))
        return true;
    console.error(QStringLiteral("cannot open port %1: %2").arg(invocation.port, reason));
    return false;
}

// Standard output as a path: a second descriptor on it would write from its start and could
// overwrite what the shell appended to.
bool isStandardOutput(const QString &path)
{
    return path == QLatin1String("/dev/stdout") || path == QLatin1String("/dev/fd/1") ||
           path == QLatin1String("/proc/self/fd/1");
}

// Puts a read program where -o says. A regular file (or a new one) is replaced only once all of it
// is on disk; anything else (a FIFO, a device, standard output) is written to as it is, never
// replaced by a file.
bool saveOutput(const QString &path, const QString &program, Console &console, QString &reason)
{
    if (isStandardOutput(path)) {
        console.outText(program);
        reason = QStringLiteral("standard output failed");
        return console.outputOk();
    }
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return ProgramText::saveFile(path, program, &reason);

    QFile target(path);
    const QByteArray bytes = ProgramText::toFileBytes(program);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.flush()) {
        reason = target.errorString();
        return false;
    }
    target.close();
    if (target.error() != QFileDevice::NoError) {
        reason = target.errorString();
        return false;
    }
    return true;
}

// One memory cell of one supply on the bus.
struct Target
{
    quint8 slaveId = 0;
    int cell = 0;

    int cellNumber() const { return cell + 1; }
    QString label() const { return QStringLiteral("slave %1, cell %2").arg(slaveId).arg(cell + 1); }
};

QVector<Target> targetsOf(const Invocation &invocation)
{
    QVector<Target> targets;
    for (const quint8 slave : invocation.slaveIds) {
        for (const int cell : invocation.cells)
            targets.append({slave, cell});
    }
    return targets;
}

QJsonObject targetJson(const QString &command, const Invocation &invocation, const Target &target)
{
    return {{QStringLiteral("command"), command},
            {QStringLiteral("port"), invocation.port},
            {QStringLiteral("slave"), int(target.slaveId)},
            {QStringLiteral("cell"), target.cellNumber()}};
}

QJsonObject compileJson(const CompileResult &result)
{
    QJsonObject object{
        {QStringLiteral("ok"), result.ok},
        {QStringLiteral("report"), toJson(result.report)},
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

QString writeOutcome(ProgramTransfer::WriteResult result)
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

QString readOutcome(ProgramTransfer::ReadStatus status)
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

// Lets a stop signal stop `transfer` after the request on the line while it runs.
class StopOnSignal
{
public:
    explicit StopOnSignal(ProgramTransfer &transfer)
    {
        if (StopSignals::received() != 0)
            transfer.cancel();
        if (StopSignals *notifier = StopSignals::instance()) {
            m_connection = QObject::connect(notifier, &StopSignals::stopRequested, notifier,
                                            [&transfer]() { transfer.cancel(); });
        }
    }
    ~StopOnSignal() { QObject::disconnect(m_connection); }
    StopOnSignal(const StopOnSignal &) = delete;
    StopOnSignal &operator=(const StopOnSignal &) = delete;

private:
    QMetaObject::Connection m_connection;
};

bool stopSignalled()
{
    return StopSignals::received() != 0;
}

QString stoppedLine()
{
    return QStringLiteral("Прервано");
}

// Runs the transfers of one command over the targets: the report lines to the chosen stream (or
// collected for JSON), a progress line on a terminal, and a header and a summary per target when
// there are several.
class TargetRun
{
public:
    TargetRun(const Invocation &invocation, Console &console, bool linesOnError)
        : m_invocation(invocation), m_console(console), m_linesOnError(linesOnError),
          m_several(invocation.targetCount() > 1)
    {
    }

    // Starts a target: its header, then a fresh list of lines.
    void begin(const Target &target, int index)
    {
        m_current = target;
        lines.clear();
        if (m_several && !m_invocation.json) {
            if (index > 0)
                show(QString());
            show(QStringLiteral("==> %1 <==").arg(target.label()));
        }
    }

    // A report line; a text may hold a line feed, as the transfer's name line does, and then
    // stands for several lines.
    void line(const QString &text)
    {
        for (const QString &part : text.split(QLatin1Char('\n'))) {
            lines << part;
            if (!m_invocation.json)
                show(part);
        }
    }

    ProgramTransfer transfer(DeviceLink &link)
    {
        ProgramTransfer transfer(link, m_current.slaveId, m_current.cell,
                                 [this](const QString &text) { line(text); });
        if (m_console.showsProgress()) {
            m_clock.start();
            m_lastDone = 0;
            transfer.setProgress([this](int done, int total) { showProgress(done, total); });
        }
        return transfer;
    }

    // The target's one-line summary, when there are several targets.
    void summary(bool ok, const QString &what)
    {
        m_console.clearProgress();
        if (!m_several || m_invocation.json)
            return;
        const QString text = ok ? QStringLiteral("%1: %2").arg(m_current.label(), what)
                                : QStringLiteral("%1: failed: %2").arg(m_current.label(), what);
        show(text);
    }

    // The last report line: what went wrong, in the transfer's own words.
    QString lastLine() const { return lines.isEmpty() ? QString() : lines.constLast(); }

    QStringList lines;

private:
    void show(const QString &text)
    {
        if (m_linesOnError)
            m_console.err(text);
        else
            m_console.out(text);
    }

    void showProgress(int done, int total)
    {
        // A read-back after a write counts anew; its own pace gives the time left.
        if (done < m_lastDone)
            m_clock.restart();
        m_lastDone = done;
        QString text = QStringLiteral("%1: %2 of %3").arg(m_current.label()).arg(done).arg(total);
        if (done > 0 && done < total) {
            const qint64 leftMs = m_clock.elapsed() * (total - done) / done;
            text +=
                QStringLiteral(", about %1 s left").arg((leftMs + MsPerSecond - 1) / MsPerSecond);
        }
        m_console.progress(text);
    }

    const Invocation &m_invocation;
    Console &m_console;
    const bool m_linesOnError;
    const bool m_several;
    Target m_current;
    QElapsedTimer m_clock;
    int m_lastDone = 0;
};

// The human words for the differences a read-back shows after a write: every difference on
// standard error. The agreement is one of the write's own lines.
bool reportVerify(const ProgramComparison &comparison, const InstructionList &program,
                  const ProgramTransfer::ReadResult &back, const Target &target, Console &console)
{
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        if (comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords ||
            comparison.readStatus == ProgramTransfer::ReadStatus::BadCount) {
            console.error(QStringLiteral("verify: cell %1 does not hold %2 records")
                              .arg(target.cellNumber())
                              .arg(program.size()));
        } else {
            console.error(
                QStringLiteral("verify: cell %1 could not be read back").arg(target.cellNumber()));
        }
        return false;
    }
    if (comparison.countDiffers) {
        console.error(QStringLiteral("verify: count differs: wrote %1, read %2")
                          .arg(comparison.expectedCount)
                          .arg(comparison.readCount));
    }
    if (comparison.nameDiffers) {
        console.error(QStringLiteral("verify: name differs: wrote \"%1\", read \"%2\"")
                          .arg(comparison.expectedName, comparison.readName));
    }
    for (const int i : comparison.differingRecords) {
        console.error(QStringLiteral("verify: record %1 differs: wrote %2, read %3")
                          .arg(i)
                          .arg(recordHex(program.at(i)), recordHex(back.records.at(i))));
    }
    return comparison.equal();
}

// compare's words: equal, or the first differences, like the window's check after a write.
void reportCompare(const ProgramComparison &comparison, const InstructionList &program,
                   const ProgramTransfer::ReadResult &back, TargetRun &run)
{
    if (comparison.equal()) {
        run.line(QStringLiteral("compare: equal, %1 records").arg(comparison.expectedCount));
        return;
    }
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        run.line(comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords
                     ? QStringLiteral("compare: the cell holds no program")
                     : QStringLiteral("compare: the cell could not be read"));
        return;
    }
    if (comparison.countDiffers) {
        run.line(QStringLiteral("compare: count differs: file %1, cell %2")
                     .arg(comparison.expectedCount)
                     .arg(comparison.readCount));
    }
    if (comparison.nameDiffers) {
        run.line(QStringLiteral("compare: name differs: file \"%1\", cell \"%2\"")
                     .arg(comparison.expectedName, comparison.readName));
    }
    const int first = comparison.firstDifferingRecord();
    if (first >= 0) {
        run.line(QStringLiteral("compare: record %1 differs (%2 of %3 records differ): file %4, "
                                "cell %5")
                     .arg(first)
                     .arg(comparison.differingRecords.size())
                     .arg(std::min(comparison.expectedCount, comparison.readCount))
                     .arg(recordHex(program.at(first)), recordHex(back.records.at(first))));
    }
}

// Compiles the one program file of write and compare, printing the report unless JSON is asked
// for.
CompileResult compileText(const QString &text, const Invocation &invocation, Console &console)
{
    CompileResult compiled = compileProgram(text);
    if (!invocation.json) {
        for (const QString &line : compiled.report)
            console.out(line);
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
            object.insert(QStringLiteral("compile"), compileJson(compiled));
            console.outBytes(CliText::jsonLine(object));
        }
    }
    return ExitFailed;
}

} // namespace

int runCompile(const Invocation &invocation, Console &console)
{
    int status = ExitSuccess;
    const bool headers = invocation.files.size() > 1 && !invocation.json;
    for (int i = 0; i < invocation.files.size(); ++i) {
        const QString &path = invocation.files.at(i);
        if (headers) {
            if (i > 0)
                console.out(QString());
            console.out(QStringLiteral("==> %1 <==").arg(path));
        }
        QJsonObject object{{QStringLiteral("command"), QStringLiteral("compile")},
                           {QStringLiteral("file"), path}};
        const ProgramText::LoadedFile file = ProgramText::loadFile(path);
        if (!file.ok()) {
            const QString problem = loadProblem(path, file);
            console.error(problem);
            object.insert(QStringLiteral("ok"), false);
            object.insert(QStringLiteral("outcome"), QStringLiteral("unreadable"));
            object.insert(QStringLiteral("error"), problem);
            if (invocation.json)
                console.outBytes(CliText::jsonLine(object));
            status = worse(status, ExitBadInput);
            continue;
        }
        const CompileResult result = compileProgram(file.text);
        status = worse(status, result.ok ? ExitSuccess : ExitFailed);
        for (const QString &line : CliText::diagnosticLines(path, result.diagnostics))
            console.err(line);

        QStringList hex;
        if (result.ok && invocation.records) {
            for (const Instruction &record : result.instructions)
                hex << recordHex(record);
        }
        if (invocation.json) {
            object.insert(QStringLiteral("outcome"),
                          result.ok ? QStringLiteral("compiled") : QStringLiteral("failed"));
            const QJsonObject compiled = compileJson(result);
            for (auto it = compiled.begin(); it != compiled.end(); ++it)
                object.insert(it.key(), it.value());
            if (invocation.records)
                object.insert(QStringLiteral("recordBytes"), toJson(hex));
            console.outBytes(CliText::jsonLine(object));
            continue;
        }
        for (const QString &line : result.report)
            console.out(line);
        for (const QString &line : hex)
            console.out(line);
    }
    return status;
}

int runWrite(const Invocation &invocation, Console &console)
{
    const std::optional<QString> text = readProgram(invocation.files.constFirst(), console);
    if (!text)
        return ExitBadInput;
    DeviceSession session(console, invocation.trace);
    if (!openSession(session, invocation, console))
        return ExitBadInput;
    const CompileResult compiled = compileText(*text, invocation, console);
    if (!compiled.ok)
        return refuseTargets(QStringLiteral("write"), invocation, compiled, console);

    int status = ExitSuccess;
    TargetRun run(invocation, console, false);
    const QVector<Target> targets = targetsOf(invocation);
    for (int t = 0; t < targets.size() && !stopSignalled(); ++t) {
        const Target &target = targets.at(t);
        run.begin(target, t);
        run.line(writeHeading());
        ProgramTransfer transfer = run.transfer(session.link());
        const StopOnSignal stopper(transfer);
        const ProgramTransfer::WriteResult written =
            transfer.write(compiled.instructions, compiled.programName);
        if (written == ProgramTransfer::WriteResult::Cancelled)
            run.line(stoppedLine());
        // The window's warning, where a script's log keeps it apart from the program's lines.
        if (written != ProgramTransfer::WriteResult::Written && transfer.storedLines() > 0)
            console.err(ProgramTransfer::partialWriteWarning(target.cellNumber()));

        QJsonObject object = targetJson(QStringLiteral("write"), invocation, target);
        object.insert(QStringLiteral("file"), invocation.files.constFirst());
        object.insert(QStringLiteral("compile"), compileJson(compiled));
        object.insert(QStringLiteral("storedLines"), transfer.storedLines());
        bool ok = written == ProgramTransfer::WriteResult::Written;
        QString outcome = writeOutcome(written);
        QString summary =
            ok ? QStringLiteral("written, %1 records").arg(compiled.instructions.size())
               : run.lastLine();
        if (ok && invocation.verify) {
            run.line(readHeading());
            const ProgramTransfer::ReadResult back = transfer.read();
            if (back.status == ProgramTransfer::ReadStatus::Cancelled)
                run.line(stoppedLine());
            const ProgramComparison comparison =
                compareProgram(compiled.instructions, compiled.programName, back);
            object.insert(QStringLiteral("verify"), comparisonJson(comparison));
            ok = invocation.json
                     ? comparison.equal()
                     : reportVerify(comparison, compiled.instructions, back, target, console);
            if (ok) {
                run.line(QStringLiteral("verify: cell %1 holds the program as written (%2 records)")
                             .arg(target.cellNumber())
                             .arg(compiled.instructions.size()));
            }
            outcome = ok ? QStringLiteral("verified") : QStringLiteral("verify-failed");
            summary = ok ? QStringLiteral("written and verified, %1 records")
                               .arg(compiled.instructions.size())
                         : QStringLiteral("verify found differences");
        }
        run.summary(ok, summary);
        object.insert(QStringLiteral("ok"), ok);
        object.insert(QStringLiteral("outcome"), outcome);
        object.insert(QStringLiteral("lines"), toJson(run.lines));
        if (invocation.json)
            console.outBytes(CliText::jsonLine(object));
        status = worse(status, ok ? ExitSuccess : ExitFailed);
    }
    return status;
}

int runRead(const Invocation &invocation, Console &console)
{
    DeviceSession session(console, invocation.trace);
    if (!openSession(session, invocation, console))
        return ExitBadInput;

    int status = ExitSuccess;
    // Standard output carries only the program, so the transfer's lines go to standard error.
    TargetRun run(invocation, console, true);
    const QVector<Target> targets = targetsOf(invocation);
    for (int t = 0; t < targets.size() && !stopSignalled(); ++t) {
        const Target &target = targets.at(t);
        run.begin(target, t);
        run.line(readHeading());
        ProgramTransfer transfer = run.transfer(session.link());
        const StopOnSignal stopper(transfer);
        const ProgramTransfer::ReadResult result = transfer.read();
        if (result.status == ProgramTransfer::ReadStatus::Cancelled)
            run.line(stoppedLine());

        QJsonObject object = targetJson(QStringLiteral("read"), invocation, target);
        int targetStatus = ExitFailed;
        QString outcome = readOutcome(result.status);
        QString summary;
        if (result.status == ProgramTransfer::ReadStatus::Read) {
            object.insert(QStringLiteral("records"), result.records.size());
            object.insert(QStringLiteral("name"), result.name);
            const DecodeResult decoded = decodeProgram(result.name, result.records);
            if (!decoded.ok) {
                run.line(decoded.error);
                outcome = QStringLiteral("decode-failed");
            } else {
                // The success line only once the program is where it was asked to go.
                const QString program = decoded.text();
                const QString path =
                    invocation.outputFile.isEmpty()
                        ? QString()
                        : CliText::outputPathFor(invocation.outputFile, target.slaveId,
                                                 target.cellNumber());
                QString reason;
                bool saved = true;
                if (path.isEmpty() && invocation.json) {
                    object.insert(QStringLiteral("program"), program);
                } else if (path.isEmpty()) {
                    console.outText(program);
                    saved = console.outputOk();
                    reason = QStringLiteral("standard output failed");
                } else {
                    saved = saveOutput(path, program, console, reason);
                    object.insert(QStringLiteral("output"), path);
                }
                if (saved) {
                    run.line(readSuccessLine());
                    // Read faithfully, but the name would not pass the compiler on the way back.
                    const QString nameWarning = Decoder::unwritableNameWarning(result.name);
                    if (!nameWarning.isEmpty()) {
                        console.err(nameWarning);
                        object.insert(QStringLiteral("nameWarning"), nameWarning);
                    }
                    targetStatus = ExitSuccess;
                    summary = path.isEmpty()
                                  ? QStringLiteral("read, %1 records").arg(result.records.size())
                                  : QStringLiteral("read, %1 records into %2")
                                        .arg(result.records.size())
                                        .arg(path);
                } else {
                    outcome = QStringLiteral("save-failed");
                    object.insert(QStringLiteral("error"), reason);
                    if (!path.isEmpty()) {
                        console.error(QStringLiteral("cannot write %1: %2").arg(path, reason));
                        targetStatus = ExitBadInput;
                    }
                    summary = QStringLiteral("cannot write %1").arg(path);
                }
            }
        }
        if (summary.isEmpty())
            summary = run.lastLine();
        run.summary(targetStatus == ExitSuccess, summary);
        object.insert(QStringLiteral("ok"), targetStatus == ExitSuccess);
        object.insert(QStringLiteral("outcome"), outcome);
        object.insert(QStringLiteral("lines"), toJson(run.lines));
        if (invocation.json)
            console.outBytes(CliText::jsonLine(object));
        status = worse(status, targetStatus);
    }
    return status;
}

int runCompare(const Invocation &invocation, Console &console)
{
    const std::optional<QString> text = readProgram(invocation.files.constFirst(), console);
    if (!text)
        return ExitBadInput;
    DeviceSession session(console, invocation.trace);
    if (!openSession(session, invocation, console))
        return ExitBadInput;
    const CompileResult compiled = compileText(*text, invocation, console);
    if (!compiled.ok)
        return refuseTargets(QStringLiteral("compare"), invocation, compiled, console);

    int status = ExitSuccess;
    TargetRun run(invocation, console, false);
    const QVector<Target> targets = targetsOf(invocation);
    for (int t = 0; t < targets.size() && !stopSignalled(); ++t) {
        const Target &target = targets.at(t);
        run.begin(target, t);
        run.line(readHeading());
        ProgramTransfer transfer = run.transfer(session.link());
        const StopOnSignal stopper(transfer);
        const ProgramTransfer::ReadResult back = transfer.read();
        if (back.status == ProgramTransfer::ReadStatus::Cancelled)
            run.line(stoppedLine());
        const ProgramComparison comparison =
            compareProgram(compiled.instructions, compiled.programName, back);
        reportCompare(comparison, compiled.instructions, back, run);

        const bool ok = comparison.equal();
        QString outcome = ok ? QStringLiteral("equal") : QStringLiteral("different");
        if (comparison.outcome == ProgramComparison::Outcome::ReadFailed)
            outcome = readOutcome(back.status);
        run.summary(ok, ok ? QStringLiteral("equal, %1 records").arg(comparison.expectedCount)
                           : run.lastLine());
        QJsonObject object = targetJson(QStringLiteral("compare"), invocation, target);
        object.insert(QStringLiteral("file"), invocation.files.constFirst());
        object.insert(QStringLiteral("compile"), compileJson(compiled));
        object.insert(QStringLiteral("ok"), ok);
        object.insert(QStringLiteral("outcome"), outcome);
        object.insert(QStringLiteral("comparison"), comparisonJson(comparison));
        object.insert(QStringLiteral("lines"), toJson(run.lines));
        if (invocation.json)
            console.outBytes(CliText::jsonLine(object));
        status = worse(status, ok ? ExitSuccess : ExitFailed);
    }
    return status;
}

int runPorts(const Invocation &invocation, Console &console)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        const QString usb = port.hasVendorIdentifier() && port.hasProductIdentifier()
                                ? QStringLiteral("%1:%2")
                                      .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                      .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'))
                                : QString();
        if (invocation.json) {
            console.outBytes(
                CliText::jsonLine({{QStringLiteral("port"), port.portName()},
                                   {QStringLiteral("path"), port.systemLocation()},
                                   {QStringLiteral("description"), port.description()},
                                   {QStringLiteral("manufacturer"), port.manufacturer()},
                                   {QStringLiteral("serialNumber"), port.serialNumber()},
                                   {QStringLiteral("usb"), usb}}));
            continue;
        }
        const auto field = [](const QString &value) {
            return value.isEmpty() ? QStringLiteral("-") : value;
        };
        console.out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                        .arg(port.systemLocation(), field(port.description()),
                             field(port.manufacturer()), field(port.serialNumber()), field(usb)));
    }
    if (ports.isEmpty() && !invocation.json)
        console.error(QStringLiteral("no serial ports found"));
    return ExitSuccess;
}

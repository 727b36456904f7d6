#include "commands.h"

#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "decoder.h"
#include "devicelink.h"
#include "devicesession.h"
#include "programtext.h"
#include "programtransfer.h"

#include <QByteArray>

#include <algorithm>
#include <optional>

namespace {

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

// Files that cannot be read are bad input; a failed compile is a failed operation.
int worse(int a, int b)
{
    return std::max(a, b);
}

std::optional<QString> readProgram(const QString &path, Console &console)
{
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    switch (file.problem) {
    case ProgramText::FileProblem::None:
        return file.text;
    case ProgramText::FileProblem::NotRegularFile:
        console.error(QStringLiteral("cannot read %1: not a regular file").arg(path));
        break;
    case ProgramText::FileProblem::TooLarge:
        console.error(QStringLiteral("cannot read %1: larger than %2 bytes, not a program file")
                          .arg(path)
                          .arg(ProgramText::MaxFileBytes));
        break;
    case ProgramText::FileProblem::Unreadable:
        console.error(QStringLiteral("cannot read %1: %2").arg(path, file.systemError));
        break;
    }
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

// Reads the cell back and compares it with what was just written; reports every difference.
bool verifyCell(ProgramTransfer &transfer, const InstructionList &program, const QString &name,
                int cellNumber, Console &console)
{
    console.out(readHeading());
    const ProgramTransfer::ReadResult back = transfer.read();
    switch (back.status) {
    case ProgramTransfer::ReadStatus::Read:
        break;
    case ProgramTransfer::ReadStatus::NoRecords:
    case ProgramTransfer::ReadStatus::BadCount:
        console.error(QStringLiteral("verify: cell %1 does not hold %2 records")
                          .arg(cellNumber)
                          .arg(program.size()));
        return false;
    default:
        console.error(QStringLiteral("verify: cell %1 could not be read back").arg(cellNumber));
        return false;
    }

    bool same = true;
    if (back.records.size() != program.size()) {
        console.error(QStringLiteral("verify: count differs: wrote %1, read %2")
                          .arg(program.size())
                          .arg(back.records.size()));
        same = false;
    }
    // The name is stored as five bytes padded with blanks; compare what travelled.
    if (DeviceLink::packName(back.name) != DeviceLink::packName(name)) {
        console.error(
            QStringLiteral("verify: name differs: wrote \"%1\", read \"%2\"").arg(name, back.name));
        same = false;
    }
    const int common = std::min(back.records.size(), program.size());
    for (int i = 0; i < common; ++i) {
        if (back.records.at(i) != program.at(i)) {
            console.error(QStringLiteral("verify: record %1 differs: wrote %2, read %3")
                              .arg(i)
                              .arg(recordHex(program.at(i)), recordHex(back.records.at(i))));
            same = false;
        }
    }
    if (same) {
        console.out(QStringLiteral("verify: cell %1 holds the program as written (%2 records)")
                        .arg(cellNumber)
                        .arg(program.size()));
    }
    return same;
}

} // namespace

int runCompile(const Invocation &invocation, Console &console)
{
    int status = ExitSuccess;
    const bool headers = invocation.files.size() > 1;
    for (int i = 0; i < invocation.files.size(); ++i) {
        const QString &path = invocation.files.at(i);
        if (headers) {
            if (i > 0)
                console.out(QString());
            console.out(QStringLiteral("==> %1 <==").arg(path));
        }
        const std::optional<QString> text = readProgram(path, console);
        if (!text) {
            status = worse(status, ExitBadInput);
            continue;
        }
        const CompileResult result = compileProgram(*text);
        for (const QString &line : result.report)
            console.out(line);
        if (!result.ok) {
            status = worse(status, ExitFailed);
            continue;
        }
        if (invocation.records) {
            for (const Instruction &record : result.instructions)
                console.out(recordHex(record));
        }
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

    const CompileResult compiled = compileProgram(*text);
    for (const QString &line : compiled.report)
        console.out(line);
    if (!compiled.ok)
        return ExitFailed;

    console.out(writeHeading());
    ProgramTransfer transfer(session.link(), invocation.slaveId, invocation.cell,
                             [&console](const QString &line) { console.out(line); });
    if (transfer.write(compiled.instructions, compiled.programName) !=
        ProgramTransfer::WriteResult::Written)
        return ExitFailed;
    if (invocation.verify && !verifyCell(transfer, compiled.instructions, compiled.programName,
                                         invocation.cell + 1, console))
        return ExitFailed;
    return ExitSuccess;
}

int runRead(const Invocation &invocation, Console &console)
{
    DeviceSession session(console, invocation.trace);
    if (!openSession(session, invocation, console))
        return ExitBadInput;

    // Standard output carries only the program, so the transfer's lines go to standard error.
    console.err(readHeading());
    ProgramTransfer transfer(session.link(), invocation.slaveId, invocation.cell,
                             [&console](const QString &line) { console.err(line); });
    const ProgramTransfer::ReadResult result = transfer.read();
    if (result.status != ProgramTransfer::ReadStatus::Read)
        return ExitFailed;
    const DecodeResult decoded = decodeProgram(result.name, result.records);
    if (!decoded.ok) {
        console.err(decoded.error);
        return ExitFailed;
    }
    console.err(readSuccessLine());

    const QString program = decoded.text();
    if (invocation.outputFile.isEmpty()) {
        console.outBytes(ProgramText::toFileBytes(program));
        return ExitSuccess;
    }
    QString reason;
    if (!ProgramText::saveFile(invocation.outputFile, program, &reason)) {
        console.error(QStringLiteral("cannot write %1: %2").arg(invocation.outputFile, reason));
        return ExitBadInput;
    }
    return ExitSuccess;
}

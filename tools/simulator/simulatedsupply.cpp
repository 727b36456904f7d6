#include "simulatedsupply.h"

#include "supplyprogram.h"

#include "deviceprotocol.h"
#include "framecodec.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qint64 NsPerMs = 1000000;
// Reply destination under the "address" fault.
constexpr quint8 WrongAddress = 0x01;
constexpr quint8 RejectedStatus = 0x1E;
constexpr char NoiseText[] = "~?noise!\r\n";
// The "command" fault answers a line request as a count request and the other way round.
constexpr quint8 OtherCommandBits = 0x04;
// The bit a corrupting supply changes in the first byte of a write it stores.
constexpr quint8 CorruptBits = 0x01;
// Characters written at most per flood round, and the pause between rounds.
constexpr int FloodChunkChars = 4096;
constexpr int FloodIntervalMs = 1;
constexpr int OverlongFloodChars = 700;

// Printable form of frame text for the log: the closing CR left out, control bytes escaped.
QString printable(const QByteArray &text)
{
    QByteArray shown = text;
    if (shown.endsWith(FrameCodec::EndChar)) {
        shown.chop(1);
    }
    QString out;
    for (const char c : shown) {
        if (c >= 0x20 && c < 0x7F) {
            out += QLatin1Char(c);
        } else {
            out += QStringLiteral("\\x%1").arg(uint(quint8(c)), 2, 16, QLatin1Char('0'));
        }
    }
    return out;
}

} // namespace

SimulatedSupply::SimulatedSupply(const Settings &supplySettings, QObject *parent)
    : QObject(parent), settings(supplySettings), supplies(supplySettings.slaveIds)
{
    outputTimer.setSingleShot(true);
    outputTimer.setTimerType(Qt::PreciseTimer);
    connect(&outputTimer, &QTimer::timeout, this, &SimulatedSupply::pumpOutput);
    connect(&floodTimer, &QTimer::timeout, this, &SimulatedSupply::pumpFlood);
    clock.start();
}

SimulatedSupply::~SimulatedSupply()
{
    hangUp();
}

bool SimulatedSupply::start(QString *error)
{
    if (!settings.cellsPath.isEmpty() && !supplies.load(settings.cellsPath, error)) {
        return false;
    }
    if (settings.logPath == QLatin1String("-")) {
        logFile.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else if (!settings.logPath.isEmpty()) {
        logFile.setFileName(settings.logPath);
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            *error = QStringLiteral("cannot open log %1: %2")
                         .arg(settings.logPath, logFile.errorString());
            return false;
        }
    }

    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const char *name = ptsname(masterFd);
    slavePath = QString::fromLocal8Bit(name ? name : "");
    // Holding the slave open keeps the master readable and quiet while no client has it.
    // A plain open(): a QSerialPort here would take the port's lock file from the client.
    slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveFd < 0) {
        *error = QStringLiteral("cannot open %1: %2")
                     .arg(slavePath, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    termios raw{};
    if (tcgetattr(slaveFd, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetispeed(&raw, B9600);
        cfsetospeed(&raw, B9600);
        tcsetattr(slaveFd, TCSANOW, &raw);
    }
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    readNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &SimulatedSupply::readMaster);
    QStringList ids;
    for (const quint8 slave : supplies.slaveIds()) {
        ids << QString::number(slave);
    }
    log(QStringLiteral("START %1 slave %2").arg(slavePath, ids.join(QLatin1Char(','))));
    return true;
}

void SimulatedSupply::log(const QString &line)
{
    if (logFile.isOpen()) {
        logFile.write(line.toLatin1() + '\n');
    }
}

void SimulatedSupply::readMaster()
{
    char buffer[4096];
    const ssize_t got = ::read(masterFd, buffer, sizeof buffer);
    if (got <= 0) {
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        // The line is gone; stop listening rather than spin on it.
        readNotifier->setEnabled(false);
        return;
    }
    const qint64 now = clock.nsecsElapsed();
    if (settings.pace) {
        // Each character takes a character time on the line, one after the other.
        inputClockNs = qMax(inputClockNs, now) + qint64(got) * CharTimeNs;
    } else {
        inputClockNs = now;
    }
    if (settings.echo) {
        sendNow(QByteArray(buffer, int(got)));
    }
    input.append(buffer, int(got));
    takeFrames();
}

void SimulatedSupply::takeFrames()
{
    for (;;) {
        const int start = input.indexOf(FrameCodec::StartChar);
        if (start < 0) {
            input.clear();
            return;
        }
        input.remove(0, start);
        const int end = input.indexOf(FrameCodec::EndChar);
        if (end < 0) {
            if (input.size() > MaxRequestChars) {
                log(QStringLiteral("RX %1").arg(printable(input.left(80))));
                log(QStringLiteral("IGNORED overlong request"));
                input.clear();
            }
            return;
        }
        const QByteArray text = input.left(end + 1);
        input.remove(0, end + 1);
        handleFrame(text, inputClockNs);
    }
}

void SimulatedSupply::handleFrame(const QByteArray &text, qint64 arrivalNs)
{
    log(QStringLiteral("RX %1").arg(printable(text)));
    const std::optional<QByteArray> decoded = FrameCodec::decodeReply(text);
    if (!decoded || decoded->size() < FrameCodec::HeaderBytes + FrameCodec::CrcBytes) {
        log(QStringLiteral("IGNORED undecodable"));
        return;
    }
    const QByteArray &bytes = *decoded;
    if (FrameCodec::crc16(bytes) != 0) {
        log(QStringLiteral("IGNORED bad crc"));
        return;
    }
    const quint8 dest = quint8(bytes.at(0));
    if (!supplies.answers(dest)) {
        log(QStringLiteral("IGNORED for slave %1").arg(dest));
        return;
    }
    const quint8 command = quint8(bytes.at(2));
    const quint8 access = quint8(bytes.at(3));
    const QByteArray payload = bytes.mid(
        FrameCodec::HeaderBytes, bytes.size() - FrameCodec::HeaderBytes - FrameCodec::CrcBytes);
    if (SupplyMemory::classify(command, payload.size()) == SupplyMemory::Request::Unknown) {
        log(QStringLiteral("IGNORED unknown request"));
        return;
    }

    ++requests;
    const int slaveRequests = ++requestsBySlave[dest];
    const quint32 mask = faults.faultsFor(requests, command, dest, slaveRequests);
    using Kind = FaultPlan::Kind;
    if (FaultPlan::has(mask, Kind::Hangup)) {
        log(QStringLiteral("HANGUP"));
        hangUp();
        return;
    }
    if (FaultPlan::has(mask, Kind::Silent)) {
        log(QStringLiteral("SILENT"));
        return;
    }

    QByteArray stored = payload;
    if (FaultPlan::has(mask, Kind::Corrupt) &&
        SupplyMemory::classify(command, payload.size()) == SupplyMemory::Request::Write) {
        stored[0] = char(stored.at(0) ^ CorruptBits);
        log(QStringLiteral("CORRUPT"));
    }
    QByteArray replyPayload;
    const bool write = supplies.memory(dest)->serve(command, access, stored, replyPayload) ==
                       SupplyMemory::Request::Write;
    if (write) {
        saveCells();
        const auto program = programs.find(dest);
        if (program != programs.end())
            program->second->registerWritten(command, stored);
    }
    quint8 status = write ? FrameCodec::WriteAccepted : access;
    if (FaultPlan::has(mask, Kind::Status1E)) {
        status = RejectedStatus;
    }
    const quint8 replyDest =
        FaultPlan::has(mask, Kind::Address) ? WrongAddress : FrameCodec::OwnAddress;
    const quint8 replySource = FaultPlan::has(mask, Kind::Source) ? quint8(dest + 1) : dest;
    const quint8 replyCommand =
        FaultPlan::has(mask, Kind::Command) ? quint8(command ^ OtherCommandBits) : command;
    QByteArray replyBytes =
        FrameCodec::frameBytes(replyDest, replySource, replyCommand, status, replyPayload);
    if (FaultPlan::has(mask, Kind::Crc)) {
        replyBytes[replyBytes.size() - 1] = char(replyBytes.at(replyBytes.size() - 1) ^ 0x5A);
    }
    QByteArray reply = FrameCodec::frameText(replyBytes);
    if (FaultPlan::has(mask, Kind::Lowercase)) {
        reply = reply.toLower();
    }
    if (FaultPlan::has(mask, Kind::Overlong)) {
        reply = FrameCodec::StartChar + QByteArray(OverlongChars, 'A') + FrameCodec::EndChar;
    }
    if (FaultPlan::has(mask, Kind::Noise)) {
        reply.prepend(NoiseText);
    }
    qint64 notBefore = arrivalNs + qint64(settings.turnaroundMs) * NsPerMs;
    const bool late = FaultPlan::has(mask, Kind::Late);
    if (late) {
        // Apart from the queue: the supply answers later requests meanwhile.
        notBefore += qint64(settings.lateMs) * NsPerMs;
        sendAt(reply, notBefore);
    } else {
        log(QStringLiteral("TX %1").arg(printable(reply)));
        queueReply(reply, notBefore, FaultPlan::has(mask, Kind::Split));
    }
    if (FaultPlan::has(mask, Kind::Twice)) {
        if (late) {
            sendAt(reply, notBefore);
        } else {
            log(QStringLiteral("TX %1").arg(printable(reply)));
            queueReply(reply, notBefore, false);
        }
    }
    if (FaultPlan::has(mask, Kind::TwiceCrc)) {
        QByteArray spoilt = replyBytes;
        spoilt[spoilt.size() - 1] = char(spoilt.at(spoilt.size() - 1) ^ 0x5A);
        const QByteArray copy = FrameCodec::frameText(spoilt);
        log(QStringLiteral("TX %1").arg(printable(copy)));
        queueReply(copy, notBefore, false);
    }
    if (FaultPlan::has(mask, Kind::Repeat)) {
        // The gap runs from the end of the first answer; the supply carries on meanwhile.
        const qint64 firstEndNs =
            settings.pace ? qMax(notBefore, lineFreeNs) + reply.size() * CharTimeNs : notBefore;
        const int gapMs = settings.repeatGapMs >= 0 ? settings.repeatGapMs : settings.lateMs;
        sendAt(reply, firstEndNs + qint64(gapMs) * NsPerMs);
    }
}

void SimulatedSupply::sendAt(const QByteArray &text, qint64 atNs)
{
    const int delayMs = int((qMax<qint64>(0, atNs - clock.nsecsElapsed()) + NsPerMs - 1) / NsPerMs);
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, text]() {
        log(QStringLiteral("TX %1").arg(printable(text)));
        sendNow(text);
    });
}

void SimulatedSupply::sendNow(const QByteArray &text)
{
    if (masterFd < 0) {
        return;
    }
    const qint64 now = clock.nsecsElapsed();
    auto at = output.begin();
    while (at != output.end() && (at->started || at->notBeforeNs <= now)) {
        ++at;
    }
    output.insert(at, {now, text});
    pumpOutput();
}

void SimulatedSupply::flood(int durationMs)
{
    log(QStringLiteral("FLOOD %1 ms").arg(durationMs));
    floodUntilNs = clock.nsecsElapsed() + qint64(durationMs) * NsPerMs;
    if (floodText.isEmpty()) {
        // Noise, an over-long line, and a well-formed answer of this supply that answers nothing.
        const QByteArray answer = FrameCodec::frameText(FrameCodec::frameBytes(
            FrameCodec::OwnAddress, supplies.firstSlave(), DeviceProtocol::CountCommandBase + 2,
            DeviceProtocol::AccessMemoryRead, QByteArray(1, char(0x63))));
        floodText = QByteArray(NoiseText) + FrameCodec::StartChar +
                    QByteArray(OverlongFloodChars, '5') + FrameCodec::EndChar + answer;
    }
    floodTimer.start(FloodIntervalMs);
}

void SimulatedSupply::pumpFlood()
{
    if (masterFd < 0 || clock.nsecsElapsed() >= floodUntilNs) {
        floodTimer.stop();
        return;
    }
    // Answers go first; the flood fills the line while nothing else waits to go out.
    if (!output.empty()) {
        return;
    }
    const qint64 now = clock.nsecsElapsed();
    qint64 room = FloodChunkChars;
    // A paced line carries one character per character time, and nothing piles up while idle.
    const qint64 from = qMax(lineFreeNs, now - 4 * FloodIntervalMs * NsPerMs);
    if (settings.pace) {
        room = qMin(room, (now - from) / CharTimeNs);
    }
    QByteArray chunk;
    int offset = floodOffset;
    while (chunk.size() < room) {
        const int take = int(qMin<qint64>(room - chunk.size(), floodText.size() - offset));
        chunk.append(floodText.constData() + offset, take);
        offset = (offset + take) % floodText.size();
    }
    if (chunk.isEmpty()) {
        return;
    }
    const ssize_t written = ::write(masterFd, chunk.constData(), size_t(chunk.size()));
    if (written > 0) {
        floodOffset = int((floodOffset + written) % floodText.size());
        if (settings.pace) {
            lineFreeNs = from + qint64(written) * CharTimeNs;
        }
    }
}

void SimulatedSupply::queueReply(const QByteArray &text, qint64 notBeforeNs, bool split)
{
    if (!split) {
        output.push_back({notBeforeNs, text});
    } else {
        const int pieceSize = (text.size() + SplitPieces - 1) / SplitPieces;
        for (int piece = 0; piece < SplitPieces; ++piece) {
            const qint64 gap = qint64(piece) * settings.splitGapMs * NsPerMs;
            output.push_back({notBeforeNs + gap, text.mid(piece * pieceSize, pieceSize)});
        }
    }
    pumpOutput();
}

void SimulatedSupply::pumpOutput()
{
    while (!output.empty() && masterFd >= 0) {
        Piece &piece = output.front();
        const qint64 now = clock.nsecsElapsed();
        const qint64 start =
            settings.pace ? qMax(piece.notBeforeNs, lineFreeNs) : piece.notBeforeNs;
        if (start > now) {
            outputTimer.start(int((start - now + NsPerMs - 1) / NsPerMs));
            return;
        }
        qint64 count = piece.bytes.size();
        if (settings.pace) {
            // A character is handed over once its ten bits would have crossed the line.
            count = qMin(count, (now - start) / CharTimeNs);
            if (count == 0) {
                outputTimer.start(int((start + CharTimeNs - now + NsPerMs - 1) / NsPerMs));
                return;
            }
        }
        const ssize_t written = ::write(masterFd, piece.bytes.constData(), size_t(count));
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                outputTimer.start(WriteRetryMs);
            } else {
                output.clear();
            }
            return;
        }
        if (settings.pace) {
            lineFreeNs = start + qint64(written) * CharTimeNs;
            piece.notBeforeNs = lineFreeNs;
        }
        piece.started = true;
        piece.bytes.remove(0, int(written));
        if (piece.bytes.isEmpty()) {
            output.pop_front();
        }
    }
}

void SimulatedSupply::hangUp()
{
    output.clear();
    outputTimer.stop();
    floodTimer.stop();
    delete readNotifier;
    readNotifier = nullptr;
    if (slaveFd >= 0) {
        ::close(slaveFd);
        slaveFd = -1;
    }
    if (masterFd >= 0) {
        ::close(masterFd);
        masterFd = -1;
    }
}

void SimulatedSupply::saveCells()
{
    QString error;
    if (!settings.cellsPath.isEmpty() && !supplies.save(settings.cellsPath, &error)) {
        log(QStringLiteral("ERROR %1").arg(error));
        std::fprintf(stderr, "quorvel-sim: %s\n", qPrintable(error));
    }
}

bool SimulatedSupply::setMemory(const QString &line, QString *error)
{
    if (!supplies.applyLine(line, error)) {
        return false;
    }
    saveCells();
    return true;
}

bool SimulatedSupply::runProgram(int cell, std::optional<quint8> slave, QString *error)
{
    const quint8 id = slave.value_or(supplies.firstSlave());
    if (!supplies.answers(id)) {
        *error = QStringLiteral("no supply with Slave ID %1 on the line").arg(id);
        return false;
    }
    if (cell < 1 || cell > SupplyMemory::CellCount) {
        *error = QStringLiteral("cell must be 1 to %1").arg(SupplyMemory::CellCount);
        return false;
    }
    std::unique_ptr<SupplyProgram> &program = programs[id];
    if (!program) {
        program = std::make_unique<SupplyProgram>(*supplies.memory(id));
        SupplyProgram *running = program.get();
        connect(running, &SupplyProgram::ended, this, [this, running, id]() {
            log(QStringLiteral("END slave %1: %2").arg(id).arg(running->endText()));
        });
    }
    if (!program->start(cell - 1, error))
        return false;
    log(QStringLiteral("RUN slave %1 cell %2").arg(id).arg(cell));
    return true;
}

bool SimulatedSupply::stopProgram(std::optional<quint8> slave, QString *error)
{
    const quint8 id = slave.value_or(supplies.firstSlave());
    const auto program = programs.find(id);
    if (program == programs.end() || !program->second->isRunning()) {
        *error = QStringLiteral("no program runs on Slave ID %1").arg(id);
        return false;
    }
    program->second->stop();
    log(QStringLiteral("STOP slave %1").arg(id));
    return true;
}

const SupplyProgram *SimulatedSupply::program(quint8 slave) const
{
    const auto program = programs.find(slave);
    return program == programs.end() ? nullptr : program->second.get();
}

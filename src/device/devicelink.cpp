#include "devicelink.h"

#include "framecodec.h"
#include "instruction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QTimer>
#include <QtEndian>

#include <cstdio>

namespace {

// Offsets in a reply: the payload starts after the four header bytes.
constexpr int PayloadOffset = FrameCodec::HeaderBytes;

quint16 u16At(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

qint16 s16At(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<qint16>(bytes.constData() + offset);
}

void appendU16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

bool isLinkError(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

} // namespace

DeviceLink::DeviceLink(QSerialPort *serialPort)
    : port(serialPort), hexDigits(FrameCodec::HexDigits), startChar(FrameCodec::StartChar),
      endChar(FrameCodec::EndChar), ownAddress(FrameCodec::OwnAddress),
      standardOutput(std::make_unique<QFile>())
{
    // The chunks read from the port are traced byte for byte.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    trace.setEncoding(QStringConverter::Latin1);
#else
    trace.setCodec("ISO-8859-1");
#endif
    if (standardOutput->open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        trace.setDevice(standardOutput.get());
    } else {
        trace.setString(&discardedTrace, QIODevice::WriteOnly);
    }
}

DeviceLink::~DeviceLink()
{
    trace.flush();
}

void DeviceLink::setTraceDevice(QIODevice *device)
{
    trace.flush();
    if (device) {
        trace.setDevice(device);
    } else {
        discardedTrace.clear();
        trace.setString(&discardedTrace, QIODevice::WriteOnly);
    }
}

void DeviceLink::flushTrace()
{
    trace.flush();
    if (trace.string()) {
        discardedTrace.clear();
    }
}

quint16 DeviceLink::Crc16Update(quint16 crc, quint8 byte)
{
    return FrameCodec::crc16Update(crc, byte);
}

std::optional<QByteArray> DeviceLink::DecodeReply(const QByteArray &line)
{
    return FrameCodec::decodeReply(line);
}

void DeviceLink::writeHexPair(quint8 byte)
{
    const char pair[2] = {hexDigits.at(byte >> 4), hexDigits.at(byte & 0x0F)};
    PortWrite(pair, 2);
}

void DeviceLink::SendFrame(quint8 dest, quint8 command, quint8 access, const QByteArray &payload)
{
    // The length travels as one byte; a longer payload would be cut silently, so send nothing.
    if (payload.size() > FrameCodec::MaxPayloadBytes) {
        return;
    }
    PortWrite(&startChar, 1);
    quint16 crc = FrameCodec::CrcInitial;
    for (const quint8 byte : {dest, ownAddress, command, access}) {
        writeHexPair(byte);
        crc = Crc16Update(crc, byte);
    }
    for (const char c : payload) {
        writeHexPair(quint8(c));
        crc = Crc16Update(crc, quint8(c));
    }
    writeHexPair(quint8(crc >> 8));
    writeHexPair(quint8(crc & 0xFF));
    PortWrite(&endChar, 1);
}

void DeviceLink::PortWrite(const char *data, quint8 length)
{
    if (!port->isOpen()) {
        return;
    }
    // Qt 5.15's waitForBytesWritten() on Unix does not return once it has written the buffer:
    // it goes on waiting for input until its time-out, so a wait around every piece cost 300 ms.
    // Hand the characters to the driver at once; wait only while it cannot take them yet.
    port->write(data, length);
    // Writing may have found the port dead and a guard may have closed it.
    if (port->isOpen() && !port->flush() && port->isOpen() && port->bytesToWrite() > 0) {
        port->waitForBytesWritten(PortWriteWaitMs);
    }
}

bool DeviceLink::PollReply(QByteArray &line)
{
    if (!port->isOpen()) {
        return false;
    }
    const QByteArray chunk = port->read(PollChunkChars);
    trace << QString::fromLatin1(chunk);
    if (line.contains(startChar)) {
        line.append(chunk);
        trace << "line+" << QString::fromLatin1(chunk) << "\n";
    } else {
        const int start = chunk.indexOf(startChar);
        if (start >= 0) {
            line = chunk.mid(start);
            trace << "line=" << QString::fromLatin1(line) << "\n";
        }
    }
    // A line that outgrows every reply without ending is handed on for decoding to reject,
    // so a flooding device cannot grow it without bound.
    if (line.contains(endChar) || line.size() > MaxLineChars) {
        trace << "\n"
              << "LineCode = " << QString::fromLatin1(line) << "\n";
        return true;
    }
    return false;
}

bool DeviceLink::GetLine(QByteArray &line, int timeoutMs)
{
    QElapsedTimer stopwatch;
    stopwatch.start();
    trace << "Call GetLine"
          << "\n";
    line.clear();
    if (waiting || !port->isOpen()) {
        return false;
    }
    const QScopedValueRollback<bool> waitScope(waiting, true);

    // Sleep until the port has data, closes or fails, or the time-out passes.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    bool portFailed = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [this, &loop]() {
        ++timeouts;
        loop.quit();
    });
    QObject::connect(port, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(port, &QIODevice::aboutToClose, &loop, &QEventLoop::quit);
    QObject::connect(port, &QSerialPort::errorOccurred, &loop,
                     [&loop, &portFailed](QSerialPort::SerialPortError error) {
                         if (isLinkError(error)) {
                             portFailed = true;
                             loop.quit();
                         }
                     });

    bool complete = false;
    for (;;) {
        if (port->bytesAvailable() > 0) {
            // More is buffered than one poll takes; keep the window alive between polls.
            QCoreApplication::processEvents();
        } else {
            const qint64 remainingMs = timeoutMs - stopwatch.elapsed();
            if (remainingMs >= 0) {
                timer.start(int(remainingMs) + 1);
                // exec() returns at once while the application is quitting; waiting on
                // would spin, so give up.
                const int exitCode = loop.exec();
                timer.stop();
                if (exitCode < 0) {
                    break;
                }
            }
        }
        if (portFailed || !port->isOpen() || stopwatch.elapsed() > timeoutMs) {
            break;
        }
        if (PollReply(line)) {
            complete = true;
            break;
        }
    }
    trace.flush();
    return complete;
}

LinkResult DeviceLink::readExchange(quint8 dest, quint8 command, const QByteArray &payload,
                                    quint8 minLength, quint8 timeoutMs, quint8 access,
                                    QByteArray &reply)
{
    reply.clear();
    // A slot run during a wait must not put a second request on the line.
    if (busy) {
        return LinkResult::NoReply;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    SendFrame(dest, command, access, payload);
    QByteArray line;
    LinkResult result = LinkResult::NoReply;
    if (GetLine(line, timeoutMs)) {
        const std::optional<QByteArray> decoded = DecodeReply(line);
        result = FrameCodec::checkReadReply(decoded, minLength, trace);
        if (decoded) {
            reply = *decoded;
        }
    }
    flushTrace();
    return result;
}

LinkResult DeviceLink::ReadExchange(quint8 dest, quint8 command, quint8 minLength, quint8 timeoutMs,
                                    quint8 access, QByteArray &reply)
{
    return readExchange(dest, command, QByteArray(), minLength, timeoutMs, access, reply);
}

LinkResult DeviceLink::ReadExchange(quint8 dest, quint8 command, quint8 payloadByte,
                                    quint8 minLength, quint8 timeoutMs, quint8 access,
                                    QByteArray &reply)
{
    return readExchange(dest, command, QByteArray(1, char(payloadByte)), minLength, timeoutMs,
                        access, reply);
}

LinkResult DeviceLink::WriteExchange(quint8 dest, quint8 command, const QByteArray &payload,
                                     quint8 timeoutMs, quint8 access)
{
    if (busy) {
        return LinkResult::NoReply;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    QByteArray line;
    bool arrived = false;
    int attempt = 0;
    for (; attempt < WriteAttempts && !arrived; ++attempt) {
        SendFrame(dest, command, access, payload);
        arrived = GetLine(line, timeoutMs);
    }
    if (arrived && attempt > 1) {
        dropStaleAnswers(timeoutMs, attempt - 1);
    }
    trace << QString::fromLatin1(line);
    // A line that came is final whatever it holds: the device may have stored the data.
    const LinkResult result =
        arrived ? FrameCodec::checkWriteReply(DecodeReply(line)) : LinkResult::NoReply;
    flushTrace();
    return result;
}

void DeviceLink::dropStaleAnswers(int timeoutMs, int count)
{
    // A request that timed out may have been answered late: the retry then took that answer,
    // and the retry's own answer is still on its way. Left in the input, it would be taken as
    // the answer to the next request — line i+1 read as a copy of line i, or a write counted
    // as accepted that the device never answered. Wait for it and drop it, without traces:
    // nothing was asked.
    QIODevice *traceDevice = trace.string() ? nullptr : trace.device();
    setTraceDevice(nullptr);
    const int timeoutsBefore = timeouts;
    QByteArray stale;
    // Each retry went out a time-out after the request before it, and its frame took time to
    // send. A wait that ends without an answer means the rest were never sent.
    for (int i = 0; i < count && GetLine(stale, timeoutMs + StaleAnswerMarginMs); ++i) {
    }
    timeouts = timeoutsBefore;
    setTraceDevice(traceDevice);
}

quint8 DeviceLink::cellCommand(quint8 base, int cell)
{
    return quint8(base + qBound(0, cell, CellCount - 1));
}

QByteArray DeviceLink::packName(const QString &name)
{
    QByteArray packed(NameBytes, ' ');
    for (int i = 0; i < qMin(NameBytes, name.size()); ++i) {
        const ushort code = name.at(i).unicode();
        packed[i] = code <= 0xFF ? char(code) : char(0);
    }
    return packed;
}

LinkResult DeviceLink::readMemory(quint8 dest, quint8 command, const QByteArray &payload,
                                  quint8 minLength, quint8 access, QByteArray &reply)
{
    LinkResult result = LinkResult::NoReply;
    bool timedOut = false;
    for (int run = 0; run < MemoryReadRuns && result != LinkResult::Success; ++run) {
        const int waitsBefore = timeouts;
        result = readExchange(dest, command, payload, minLength, MemoryTimeoutMs, access, reply);
        if (timedOut && result != LinkResult::NoReply) {
            dropStaleAnswers(MemoryTimeoutMs, 1);
        }
        timedOut = timedOut || timeouts != waitsBefore;
    }
    return result;
}

LinkResult DeviceLink::ReadSize(quint8 dest, int cell, quint8 access, int &count)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(CountCommandBase, cell), QByteArray(),
                                         SizeMinLength, access, reply);
    if (result == LinkResult::Success) {
        count = quint8(reply.at(PayloadOffset));
    }
    return result;
}

LinkResult DeviceLink::ReadPrgName(quint8 dest, QString &name, int cell, quint8 access)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(NameCommandBase, cell), QByteArray(),
                                         NameMinLength, access, reply);
    if (result == LinkResult::Success) {
        // Replaced whole: whatever the string held before, it now holds the five characters.
        name = QString::fromLatin1(reply.constData() + PayloadOffset, NameBytes);
    }
    return result;
}

LinkResult DeviceLink::ReadProgramLine(quint8 dest, Instruction &record, quint8 index, int cell,
                                       quint8 access)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(LineCommandBase, cell),
                                         QByteArray(1, char(index)), LineMinLength, access, reply);
    if (result == LinkResult::Success) {
        record = Instruction::unpack(reply, PayloadOffset);
    }
    return result;
}

LinkResult DeviceLink::WriteProgramLine(quint8 dest, const Instruction &record, quint8 index,
                                        int cell, quint8 access)
{
    QByteArray payload = record.pack();
    payload.append(char(index));
    return WriteExchange(dest, cellCommand(LineCommandBase, cell), payload, MemoryTimeoutMs,
                         access);
}

LinkResult DeviceLink::WriteSize(quint8 dest, int count, int cell, quint8 access)
{
    return WriteExchange(dest, cellCommand(CountCommandBase, cell),
                         QByteArray(1, char(count & 0xFF)), MemoryTimeoutMs, access);
}

LinkResult DeviceLink::WritePrgName(quint8 dest, const QString &name, int cell, quint8 access)
{
    return WriteExchange(dest, cellCommand(NameCommandBase, cell), packName(name), MemoryTimeoutMs,
                         access);
}

LinkResult DeviceLink::ReadRegisters01(quint8 dest, quint16 &first, qint16 &second,
                                       std::array<quint8, 4> &bytes)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, Register01Command, Register01MinLength,
                                           RegisterTimeoutMs, AccessRegisterRead, reply);
    if (result == LinkResult::Success) {
        first = u16At(reply, PayloadOffset);
        second = s16At(reply, PayloadOffset + 2);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = quint8(reply.at(PayloadOffset + 4 + int(i)));
        }
    }
    return result;
}

LinkResult DeviceLink::ReadRegisters10(quint8 dest, std::array<quint16, Register10Values> &values)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, Register10Command, Register10MinLength,
                                           RegisterTimeoutMs, AccessRegisterRead, reply);
    if (result == LinkResult::Success) {
        for (size_t i = 0; i < values.size(); ++i) {
            values[i] = u16At(reply, PayloadOffset + 2 * int(i));
        }
    }
    return result;
}

LinkResult DeviceLink::ReadRegisters03(quint8 dest, quint16 &first, qint16 &second)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, Register03Command, Register03MinLength,
                                           RegisterTimeoutMs, AccessRegisterRead, reply);
    if (result == LinkResult::Success) {
        first = u16At(reply, PayloadOffset);
        second = s16At(reply, PayloadOffset + 2);
    }
    return result;
}

LinkResult DeviceLink::WriteRegisters03(quint8 dest, quint16 first, quint16 second)
{
    QByteArray payload;
    appendU16(payload, first);
    appendU16(payload, second);
    return WriteExchange(dest, Register03Command, payload, RegisterTimeoutMs, AccessRegisterWrite);
}

LinkResult DeviceLink::WriteRegister07(quint8 dest, quint16 value)
{
    QByteArray payload;
    appendU16(payload, value);
    return WriteExchange(dest, Register07Command, payload, RegisterTimeoutMs, AccessRegisterWrite);
}

LinkResult DeviceLink::ReadRegistersA8(quint8 dest, quint8 access,
                                       std::array<int, RegisterA8Values> &values)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, RegisterA8Command, RegisterA8MinLength,
                                           RegisterTimeoutMs, access, reply);
    if (result == LinkResult::Success) {
        for (size_t i = 0; i < values.size(); ++i) {
            const int offset = PayloadOffset + 2 * int(i);
            values[i] = i % 2 == 0 ? int(u16At(reply, offset)) : int(s16At(reply, offset));
        }
    }
    return result;
}

LinkResult DeviceLink::WriteRegistersA8(quint8 dest, quint8 access,
                                        const std::array<int, RegisterA8Values> &values)
{
    QByteArray payload;
    for (const int value : values) {
        appendU16(payload, quint16(value & 0xFFFF));
    }
    return WriteExchange(dest, RegisterA8Command, payload, RegisterTimeoutMs, access);
}

LinkResult DeviceLink::ReadRegistersABLong(quint8 dest, quint8 access, quint8 &first,
                                           quint16 &second,
                                           std::array<quint8, RegisterABBytes> &bytes)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, RegisterABCommand, RegisterABLongMinLength,
                                           RegisterTimeoutMs, access, reply);
    if (result == LinkResult::Success) {
        first = quint8(reply.at(PayloadOffset));
        second = u16At(reply, PayloadOffset + 1);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = quint8(reply.at(PayloadOffset + 3 + int(i)));
        }
    }
    return result;
}

LinkResult DeviceLink::ReadRegistersABShort(quint8 dest, quint8 access, quint16 &first,
                                            quint8 &second, quint16 &third)
{
    QByteArray reply;
    const LinkResult result = ReadExchange(dest, RegisterABCommand, RegisterABShortMinLength,
                                           RegisterTimeoutMs, access, reply);
    if (result == LinkResult::Success) {
        first = u16At(reply, PayloadOffset);
        second = quint8(reply.at(PayloadOffset + 2));
        third = u16At(reply, PayloadOffset + 3);
    }
    return result;
}

LinkResult DeviceLink::WriteRegistersAB(quint8 dest, quint8 access, quint8 first,
                                        const std::array<quint8, RegisterABBytes> &bytes)
{
    QByteArray payload;
    payload.append(char(first));
    appendU16(payload, 0);
    for (const quint8 byte : bytes) {
        payload.append(char(byte));
    }
    return WriteExchange(dest, RegisterABCommand, payload, RegisterTimeoutMs, access);
}

bool DeviceLink::applyLineSettings(QSerialPort &port)
{
    // Every setting is tried, as the device line needs all of them.
    bool ok = port.setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections);
    ok = port.setDataBits(QSerialPort::Data8) && ok;
    ok = port.setParity(QSerialPort::NoParity) && ok;
    ok = port.setStopBits(QSerialPort::OneStop) && ok;
    return ok;
}

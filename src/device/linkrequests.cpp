// The device's requests: which command, payload and reply layout each one uses. How a request
// travels and which reply counts for it is linkexchange.cpp's business.

#include "devicelink.h"

#include "deviceprotocol.h"
#include "framecodec.h"
#include "instruction.h"

#include <QtEndian>

// The name bytes of a cell are the program image's name.
static_assert(DeviceProtocol::NameBytes == ProgramImage::NameLength,
              "a program name must fill the device's name bytes exactly");

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

} // namespace

quint8 DeviceLink::cellCommand(quint8 base, int cell)
{
    return quint8(base + qBound(0, cell, DeviceProtocol::CellCount - 1));
}

QByteArray DeviceLink::packName(const QString &name)
{
    QByteArray packed(DeviceProtocol::NameBytes, ' ');
    for (int i = 0; i < qMin(DeviceProtocol::NameBytes, name.size()); ++i) {
        const ushort code = name.at(i).unicode();
        packed[i] = code <= 0xFF ? char(code) : char(0);
    }
    return packed;
}

LinkResult DeviceLink::ReadSize(quint8 dest, int cell, quint8 access, int &count)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(DeviceProtocol::CountCommandBase, cell),
                                         QByteArray(), SizeMinLength, access, reply);
    if (result == LinkResult::Success) {
        count = quint8(reply.at(PayloadOffset));
    }
    return result;
}

LinkResult DeviceLink::ReadPrgName(quint8 dest, QString &name, int cell, quint8 access)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(DeviceProtocol::NameCommandBase, cell),
                                         QByteArray(), NameMinLength, access, reply);
    if (result == LinkResult::Success) {
        // Replaced whole: whatever the string held before, it now holds the five characters.
        name = QString::fromLatin1(reply.constData() + PayloadOffset, DeviceProtocol::NameBytes);
    }
    return result;
}

LinkResult DeviceLink::ReadProgramLine(quint8 dest, Instruction &record, quint8 index, int cell,
                                       quint8 access)
{
    QByteArray reply;
    const LinkResult result = readMemory(dest, cellCommand(DeviceProtocol::LineCommandBase, cell),
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
    return WriteExchange(dest, cellCommand(DeviceProtocol::LineCommandBase, cell), payload,
                         MemoryTimeoutMs, access);
}

LinkResult DeviceLink::WriteSize(quint8 dest, int count, int cell, quint8 access)
{
    return WriteExchange(dest, cellCommand(DeviceProtocol::CountCommandBase, cell),
                         QByteArray(1, char(count & 0xFF)), MemoryTimeoutMs, access);
}

LinkResult DeviceLink::WritePrgName(quint8 dest, const QString &name, int cell, quint8 access)
{
    return WriteExchange(dest, cellCommand(DeviceProtocol::NameCommandBase, cell), packName(name),
                         MemoryTimeoutMs, access);
}

LinkResult DeviceLink::ReadRegisters01(quint8 dest, quint16 &first, qint16 &second,
                                       std::array<quint8, 4> &bytes)
{
    QByteArray reply;
    const LinkResult result =
        ReadExchange(dest, Register01Command, Register01MinLength, RegisterTimeoutMs,
                     DeviceProtocol::AccessRegisterRead, reply);
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
    const LinkResult result =
        ReadExchange(dest, Register10Command, Register10MinLength, RegisterTimeoutMs,
                     DeviceProtocol::AccessRegisterRead, reply);
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
    const LinkResult result =
        ReadExchange(dest, Register03Command, Register03MinLength, RegisterTimeoutMs,
                     DeviceProtocol::AccessRegisterRead, reply);
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
    return WriteExchange(dest, Register03Command, payload, RegisterTimeoutMs,
                         DeviceProtocol::AccessRegisterWrite);
}

LinkResult DeviceLink::WriteRegister07(quint8 dest, quint16 value)
{
    QByteArray payload;
    appendU16(payload, value);
    return WriteExchange(dest, Register07Command, payload, RegisterTimeoutMs,
                         DeviceProtocol::AccessRegisterWrite);
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

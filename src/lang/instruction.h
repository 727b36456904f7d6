#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// One compiled statement, and its 14-byte little-endian form on the device link.
struct Instruction
{
    quint8 func = 0;
    // Bits 0..6: code of the first operand; bit 7: arg1 holds an operand code, not a number.
    quint8 oper = 0;
    qint32 arg1 = 0;
    qint32 arg2 = 0;
    qint16 arg3 = 0;
    qint16 arg4 = 0;

    static constexpr int PackedSize = 14;
    static constexpr quint8 NamedOperandBit = 0x80;

    // Appends the 14 packed bytes to out.
    void packInto(QByteArray &out) const;
    QByteArray pack() const;
    // Reads 14 bytes at data; the caller guarantees they are there.
    static Instruction unpack(const char *data);
    static Instruction unpack(const QByteArray &bytes, int offset = 0);

    // format with %1..%6 replaced by func, oper (capital hexadecimal), arg1, arg2, arg3, arg4.
    QString fieldsText(const QString &format) const;

    friend bool operator==(const Instruction &a, const Instruction &b)
    {
        return a.func == b.func && a.oper == b.oper && a.arg1 == b.arg1 && a.arg2 == b.arg2 &&
               a.arg3 == b.arg3 && a.arg4 == b.arg4;
    }
    friend bool operator!=(const Instruction &a, const Instruction &b) { return !(a == b); }
};

Q_DECLARE_TYPEINFO(Instruction, Q_PRIMITIVE_TYPE);

using InstructionList = QVector<Instruction>;

// What one memory cell of the device holds.
namespace ProgramImage {
// The read-back refuses a stored count above this; the compiler reports against it.
constexpr int MaxRecords = 100;
// The count and the line index travel as single bytes.
constexpr int MaxAddressableRecords = 256;
constexpr int NameLength = 5;
} // namespace ProgramImage

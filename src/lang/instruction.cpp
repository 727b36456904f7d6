#include "instruction.h"

#include <QtEndian>

void Instruction::packInto(QByteArray &out) const
{
    char bytes[PackedSize];
    bytes[0] = char(func);
    bytes[1] = char(oper);
    qToLittleEndian<qint32>(arg1, bytes + 2);
    qToLittleEndian<qint32>(arg2, bytes + 6);
    qToLittleEndian<qint16>(arg3, bytes + 10);
    qToLittleEndian<qint16>(arg4, bytes + 12);
    out.append(bytes, PackedSize);
}

QByteArray Instruction::pack() const
{
    QByteArray out;
    out.reserve(PackedSize);
    packInto(out);
    return out;
}

Instruction Instruction::unpack(const char *data)
{
    Instruction r;
    r.func = quint8(data[0]);
    r.oper = quint8(data[1]);
    r.arg1 = qFromLittleEndian<qint32>(data + 2);
    r.arg2 = qFromLittleEndian<qint32>(data + 6);
    r.arg3 = qFromLittleEndian<qint16>(data + 10);
    r.arg4 = qFromLittleEndian<qint16>(data + 12);
    return r;
}

Instruction Instruction::unpack(const QByteArray &bytes, int offset)
{
    Q_ASSERT(offset >= 0 && bytes.size() - offset >= PackedSize);
    return unpack(bytes.constData() + offset);
}

QString Instruction::fieldsText(const QString &format) const
{
    return format.arg(func)
        .arg(QString::number(oper, 16).toUpper())
        .arg(arg1)
        .arg(arg2)
        .arg(arg3)
        .arg(arg4);
}

#include "registerlayout.h"

#include "devicelink.h"
#include "deviceprotocol.h"
#include "framecodec.h"

#include <QRegularExpression>
#include <QtEndian>

namespace {

using Type = RegisterLayout::FieldType;

// 9600 8N1: ten bits a character (start, eight data, stop).
constexpr qint64 BitsPerChar = 10;
constexpr qint64 Baud = 9600;
// '#', two digits a byte, CR.
int frameChars(int bytes)
{
    return 1 + 2 * bytes + 1;
}

int fieldBytes(Type type)
{
    return type == Type::U8 ? 1 : 2;
}

} // namespace

const QVector<RegisterLayout::Block> &RegisterLayout::blocks()
{
    static const QVector<Block> table = {
        {QStringLiteral("01"),
         0x01,
         11,
         false,
         {Type::U16, Type::S16, Type::U8, Type::U8, Type::U8, Type::U8}},
        {QStringLiteral("10"), 0x10, 15, false,
         QVector<Type>(DeviceLink::Register10Values, Type::U16)},
        {QStringLiteral("03"), 0x03, 7, false, {Type::U16, Type::S16}},
        {QStringLiteral("A8"),
         0xA8,
         25,
         true,
         {Type::U16, Type::S16, Type::U16, Type::S16, Type::U16, Type::S16, Type::U16, Type::S16,
          Type::U16, Type::S16, Type::U16}},
        {QStringLiteral("AB"),
         0xAB,
         13,
         true,
         {Type::U8, Type::U16, Type::U8, Type::U8, Type::U8, Type::U8, Type::U8, Type::U8,
          Type::U8}},
        {QStringLiteral("ABs"), 0xAB, 8, true, {Type::U16, Type::U8, Type::U16}},
    };
    return table;
}

const RegisterLayout::Block *RegisterLayout::find(const QString &key)
{
    for (const Block &block : blocks()) {
        if (block.key.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return &block;
    }
    return nullptr;
}

QStringList RegisterLayout::defaultKeys()
{
    return {QStringLiteral("01"), QStringLiteral("10"), QStringLiteral("03")};
}

QString RegisterLayout::fieldName(const Block &block, int index)
{
    return QStringLiteral("%1.%2").arg(block.key).arg(index);
}

QString RegisterLayout::typeName(FieldType type)
{
    switch (type) {
    case Type::U8:
        return QStringLiteral("u8");
    case Type::U16:
        return QStringLiteral("u16");
    case Type::S16:
        return QStringLiteral("s16");
    }
    return QString();
}

QStringList RegisterLayout::fieldNames(const QStringList &keys)
{
    QStringList names;
    for (const QString &key : keys) {
        if (const Block *block = find(key)) {
            for (int i = 0; i < block->fields.size(); ++i)
                names.append(fieldName(*block, i));
        }
    }
    return names;
}

QVector<int> RegisterLayout::decode(const Block &block, const QByteArray &reply)
{
    QVector<int> values;
    int offset = FrameCodec::HeaderBytes;
    for (const Type type : block.fields) {
        if (offset + fieldBytes(type) > reply.size())
            return {};
        const char *at = reply.constData() + offset;
        switch (type) {
        case Type::U8:
            values.append(quint8(*at));
            break;
        case Type::U16:
            values.append(qFromLittleEndian<quint16>(at));
            break;
        case Type::S16:
            values.append(qFromLittleEndian<qint16>(at));
            break;
        }
        offset += fieldBytes(type);
    }
    return values;
}

int RegisterLayout::readChars(const Block &block)
{
    const int request = FrameCodec::HeaderBytes + FrameCodec::CrcBytes;
    const int reply = block.minLength + 1 + FrameCodec::CrcBytes;
    return frameChars(request) + frameChars(reply);
}

qint64 RegisterLayout::pollLineUs(const QStringList &keys)
{
    qint64 us = 0;
    for (const QString &key : keys) {
        if (const Block *block = find(key))
            us += readChars(*block) * BitsPerChar * 1000000 / Baud + DeviceLink::QuietGapMs * 1000;
    }
    return us;
}

int RegisterLayout::shortestIntervalMs(const QStringList &keys)
{
    const qint64 ms = (pollLineUs(keys) + 999) / 1000;
    return int((ms + 9) / 10 * 10);
}

QStringList RegisterLayout::parseKeys(const QString &text, QString *bad)
{
    QStringList keys;
    const QStringList items =
        text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const Block *block = find(item);
        if (!block) {
            if (bad)
                *bad = item;
            return {};
        }
        if (!keys.contains(block->key))
            keys.append(block->key);
    }
    return keys;
}

LinkResult RegisterLayout::read(DeviceLink &link, quint8 dest, const Block &block, quint8 access,
                                QVector<int> &values)
{
    QByteArray reply;
    const LinkResult result =
        link.ReadExchange(dest, block.command, block.minLength, DeviceLink::RegisterTimeoutMs,
                          block.callerAccess ? access : DeviceProtocol::AccessRegisterRead, reply);
    if (result == LinkResult::Success)
        values = decode(block, reply);
    return result;
}

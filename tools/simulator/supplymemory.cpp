#include "supplymemory.h"

#include <cctype>

namespace {

constexpr quint8 LineBase = DeviceProtocol::LineCommandBase;
constexpr quint8 CountBase = DeviceProtocol::CountCommandBase;
constexpr quint8 NameBase = DeviceProtocol::NameCommandBase;
// Access code that selects the short read form of register 0xAB.
constexpr quint8 ShortFormAccess = 1;

// Read payload sizes of the fixed registers, and their write payload sizes.
struct RegisterLayout
{
    quint8 command;
    int readBytes;
    int writeBytes;
};

constexpr RegisterLayout RegisterLayouts[] = {
    {0x01, 8, -1}, {0x10, 12, -1}, {0x03, 4, 4}, {0x07, 0, 2}, {0xA8, 22, 22}, {0xAB, 10, 10},
};

const RegisterLayout *layoutOf(quint8 command)
{
    for (const RegisterLayout &layout : RegisterLayouts) {
        if (layout.command == command) {
            return &layout;
        }
    }
    return nullptr;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

bool parseHex(const QString &text, int size, QByteArray &out)
{
    if (text.size() != 2 * size) {
        return false;
    }
    for (const QChar c : text) {
        if (!std::isxdigit(c.toLatin1())) {
            return false;
        }
    }
    out = QByteArray::fromHex(text.toLatin1());
    return out.size() == size;
}

} // namespace

SupplyMemory::SupplyMemory()
{
    for (int cell = 0; cell < CellCount; ++cell) {
        names[cell] = QByteArray(NameBytes, ' ');
        lines[cell] = QVector<QByteArray>(LinesPerCell, QByteArray(LineBytes, '\0'));
    }
    for (const RegisterLayout &layout : RegisterLayouts) {
        registers.insert(layout.command,
                         QByteArray(qMax(layout.readBytes, layout.writeBytes), '\0'));
    }
}

QByteArray SupplyMemory::line(int cell, int index) const
{
    return lines[cell].at(index);
}

SupplyMemory::Request SupplyMemory::classify(quint8 command, int payloadLength)
{
    if (command >= LineBase && command < LineBase + CellCount) {
        return payloadLength == 1               ? Request::Read
               : payloadLength == LineBytes + 1 ? Request::Write
                                                : Request::Unknown;
    }
    if (command >= CountBase && command < CountBase + CellCount) {
        return payloadLength == 0   ? Request::Read
               : payloadLength == 1 ? Request::Write
                                    : Request::Unknown;
    }
    if (command >= NameBase && command < NameBase + CellCount) {
        return payloadLength == 0           ? Request::Read
               : payloadLength == NameBytes ? Request::Write
                                            : Request::Unknown;
    }
    const RegisterLayout *layout = layoutOf(command);
    if (!layout) {
        return Request::Unknown;
    }
    if (payloadLength == 0 && layout->readBytes > 0) {
        return Request::Read;
    }
    return payloadLength == layout->writeBytes ? Request::Write : Request::Unknown;
}

SupplyMemory::Request SupplyMemory::serve(quint8 command, quint8 access, const QByteArray &payload,
                                          QByteArray &replyPayload)
{
    replyPayload.clear();
    const Request request = classify(command, payload.size());
    if (request == Request::Unknown) {
        return request;
    }
    const bool read = request == Request::Read;
    if (command >= LineBase && command < LineBase + CellCount) {
        const int cell = command - LineBase;
        if (read) {
            replyPayload = lines[cell].at(quint8(payload.at(0)));
        } else {
            lines[cell][quint8(payload.at(LineBytes))] = payload.left(LineBytes);
        }
    } else if (command >= CountBase && command < CountBase + CellCount) {
        const int cell = command - CountBase;
        if (read) {
            replyPayload.append(char(counts[cell]));
        } else {
            counts[cell] = quint8(payload.at(0));
        }
    } else if (command >= NameBase && command < NameBase + CellCount) {
        const int cell = command - NameBase;
        if (read) {
            replyPayload = names[cell];
        } else {
            names[cell] = payload;
        }
    } else if (command == 0xAB) {
        QByteArray &stored = registers[command];
        if (read && access == ShortFormAccess) {
            // Short form: the 16-bit value, the first byte, then bytes 3..4.
            replyPayload = stored.mid(1, 2) + stored.left(1) + stored.mid(3, 2);
        } else if (read) {
            replyPayload = stored;
        } else {
            // The 16-bit slot of a write is always zero; the supply keeps its own value.
            stored[0] = payload.at(0);
            stored.replace(3, 7, payload.mid(3));
        }
    } else if (read) {
        replyPayload = registers.value(command);
    } else {
        registers[command] = payload;
    }
    return request;
}

void SupplyMemory::setRegisterPayload(quint8 command, const QByteArray &payload)
{
    auto it = registers.find(command);
    if (it != registers.end() && it->size() == payload.size())
        *it = payload;
}

QStringList SupplyMemory::toText() const
{
    QStringList text;
    for (int cell = 0; cell < CellCount; ++cell) {
        text << QStringLiteral("cell %1 count %2 name %3")
                    .arg(cell)
                    .arg(counts[cell])
                    .arg(hex(names[cell]));
        for (int index = 0; index < LinesPerCell; ++index) {
            const QByteArray &bytes = lines[cell].at(index);
            if (bytes.count('\0') != LineBytes) {
                text << QStringLiteral("line %1 %2 %3").arg(cell).arg(index).arg(hex(bytes));
            }
        }
    }
    for (auto it = registers.cbegin(); it != registers.cend(); ++it) {
        text << QStringLiteral("register %1 %2")
                    .arg(QString::fromLatin1(QByteArray(1, char(it.key())).toHex().toUpper()),
                         hex(it.value()));
    }
    return text;
}

bool SupplyMemory::applyLine(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("//"))) {
        return true;
    }
    const QStringList words = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = false;
    const QString &what = words.at(0);
    if (what == QLatin1String("cell") && words.size() == 6 &&
        words.at(2) == QLatin1String("count") && words.at(4) == QLatin1String("name")) {
        bool countOk = false;
        const int cell = words.at(1).toInt(&ok);
        const int count = words.at(3).toInt(&countOk);
        QByteArray name;
        if (ok && countOk && cell >= 0 && cell < CellCount && count >= 0 && count <= 255 &&
            parseHex(words.at(5), NameBytes, name)) {
            counts[cell] = count;
            names[cell] = name;
            return true;
        }
    } else if (what == QLatin1String("line") && words.size() == 4) {
        bool indexOk = false;
        const int cell = words.at(1).toInt(&ok);
        const int index = words.at(2).toInt(&indexOk);
        QByteArray bytes;
        if (ok && indexOk && cell >= 0 && cell < CellCount && index >= 0 && index < LinesPerCell &&
            parseHex(words.at(3), LineBytes, bytes)) {
            lines[cell][index] = bytes;
            return true;
        }
    } else if (what == QLatin1String("register") && words.size() == 3) {
        const uint command = words.at(1).toUInt(&ok, 16);
        QByteArray bytes;
        if (ok && command <= 0xFF && registers.contains(quint8(command)) &&
            parseHex(words.at(2), registers.value(quint8(command)).size(), bytes)) {
            registers[quint8(command)] = bytes;
            return true;
        }
    }
    *error = QStringLiteral("malformed memory line '%1'").arg(trimmed);
    return false;
}

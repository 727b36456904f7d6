#include "framecodec.h"

#include <QTextStream>

namespace FrameCodec {

namespace {

// Nibble value of an uppercase hex digit, -1 for anything else (lowercase included).
int nibbleOf(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

quint16 crc16Update(quint16 crc, quint8 byte)
{
    crc = quint16(crc ^ (quint16(byte) << 8));
    for (int bit = 0; bit < 8; ++bit) {
        if (crc & 0x8000) {
            crc = quint16((crc << 1) ^ CrcPolynomial);
        } else {
            crc = quint16(crc << 1);
        }
    }
    return crc;
}

quint16 crc16(const QByteArray &bytes, quint16 crc)
{
    for (const char c : bytes) {
        crc = crc16Update(crc, quint8(c));
    }
    return crc;
}

QByteArray frameBytes(quint8 dest, quint8 src, quint8 command, quint8 access,
                      const QByteArray &payload)
{
    if (payload.size() > MaxPayloadBytes) {
        return {};
    }
    QByteArray bytes;
    bytes.reserve(HeaderBytes + payload.size() + CrcBytes);
    bytes.append(char(dest));
    bytes.append(char(src));
    bytes.append(char(command));
    bytes.append(char(access));
    bytes.append(payload);
    const quint16 crc = crc16(bytes);
    bytes.append(char(crc >> 8));
    bytes.append(char(crc & 0xFF));
    return bytes;
}

QByteArray hexPair(quint8 byte)
{
    QByteArray pair(2, Qt::Uninitialized);
    pair[0] = HexDigits[byte >> 4];
    pair[1] = HexDigits[byte & 0x0F];
    return pair;
}

QByteArray frameText(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(2 * bytes.size() + 2);
    text.append(StartChar);
    for (const char c : bytes) {
        text.append(hexPair(quint8(c)));
    }
    text.append(EndChar);
    return text;
}

QByteArray encodeFrame(quint8 dest, quint8 src, quint8 command, quint8 access,
                       const QByteArray &payload)
{
    const QByteArray bytes = frameBytes(dest, src, command, access, payload);
    if (bytes.isEmpty()) {
        return {};
    }
    return frameText(bytes);
}

std::optional<QByteArray> decodeReply(const QByteArray &line)
{
    const int start = line.indexOf(StartChar);
    if (start < 0) {
        return std::nullopt;
    }
    const int end = line.indexOf(EndChar, start + 1);
    const int bodyLength = (end < 0 ? line.size() : end) - start - 1;
    // Without a CR there is no frame yet, but a body that already holds more than a reply
    // can carry is garbage either way.
    if (bodyLength > 2 * MaxReplyBytes) {
        return std::nullopt;
    }
    if (end < 0 || bodyLength == 0) {
        return QByteArray();
    }
    if (bodyLength % 2 != 0) {
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(bodyLength / 2);
    const char *body = line.constData() + start + 1;
    for (int i = 0; i < bodyLength; i += 2) {
        const int high = nibbleOf(body[i]);
        const int low = nibbleOf(body[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.append(char((high << 4) | low));
    }
    return bytes;
}

LinkResult checkReadReply(const std::optional<QByteArray> &decoded, int minLength,
                          QTextStream &diagnostics)
{
    if (!decoded) {
        diagnostics << "Error crc\n";
        return LinkResult::Failure;
    }
    const QByteArray &bytes = *decoded;
    const int count = bytes.size();
    if (count < minLength) {
        diagnostics << "Error linesize\n" << count << " " << minLength;
        return LinkResult::Failure;
    }
    // A reply cut short still sums to a sound CRC over what came, but its last fields would
    // be CRC bytes and bytes never sent; demand the whole reply.
    const int fullLength = minLength + 3;
    if (count < fullLength) {
        diagnostics << "Error linesize\n" << count << " " << fullLength;
        return LinkResult::Failure;
    }
    if (crc16(bytes) != 0) {
        diagnostics << "Error crc\n";
        return LinkResult::Failure;
    }
    if (quint8(bytes.at(0)) != OwnAddress) {
        diagnostics << "Error Id\n" << int(qint8(bytes.at(0)));
        return LinkResult::Failure;
    }
    return LinkResult::Success;
}

LinkResult checkWriteReply(const std::optional<QByteArray> &decoded)
{
    if (!decoded || decoded->isEmpty()) {
        return LinkResult::Failure;
    }
    if (crc16(*decoded) != 0) {
        return LinkResult::Failure;
    }
    if (decoded->size() < HeaderBytes) {
        return LinkResult::Failure;
    }
    return quint8(decoded->at(StatusOffset)) == WriteAccepted ? LinkResult::Success
                                                              : LinkResult::Failure;
}

} // namespace FrameCodec

#pragma once

#include "linkresult.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class QTextStream;

// The text frame of the device line: building, decoding, the CRC and the reply checks.
// Pure functions, so the simulated device and fuzzers share them without a port.
//
// A frame is '#', every byte as two uppercase hex digits, then CR. Its bytes are
// destination, source, command, access code (status in write replies), payload, CRC.
// CRC: CRC-16/CCITT-FALSE (CRC-16/IBM-3740): width 16, polynomial 0x1021, initial value
// 0xFFFF, no input or output reflection, no final XOR; sent high byte first. Check value
// over "123456789" is 0x29B1, and a whole frame including its CRC sums to 0.
namespace FrameCodec {

constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr char StartChar = '#';
constexpr char EndChar = '\r';
constexpr quint8 OwnAddress = 200;
constexpr int HeaderBytes = 4;
constexpr int CrcBytes = 2;
// The payload length travels as one byte on our side.
constexpr int MaxPayloadBytes = 255;
// A decoded reply holds at most this many bytes; more means garbage, not a reply.
constexpr int MaxReplyBytes = 255;
constexpr quint16 CrcInitial = 0xFFFF;
constexpr quint16 CrcPolynomial = 0x1021;
// Status byte of an accepted write.
constexpr quint8 WriteAccepted = 0x1F;
// Offset of the status byte in a write reply.
constexpr int StatusOffset = 3;

quint16 crc16Update(quint16 crc, quint8 byte);
quint16 crc16(const QByteArray &bytes, quint16 crc = CrcInitial);

// Header, payload and CRC as bytes; empty if the payload is longer than MaxPayloadBytes.
QByteArray frameBytes(quint8 dest, quint8 src, quint8 command, quint8 access,
                      const QByteArray &payload);
// The text form of frame bytes: '#', hex pairs, CR.
QByteArray frameText(const QByteArray &bytes);
// frameText(frameBytes(...)); empty if the payload is too long.
QByteArray encodeFrame(quint8 dest, quint8 src, quint8 command, quint8 access,
                       const QByteArray &payload);
// Two uppercase hex digits of one byte.
QByteArray hexPair(quint8 byte);

// The bytes of the first frame in a received line, or nothing when the line does not decode:
// no '#', a non-hex character (lowercase included), an odd digit count, or more than
// MaxReplyBytes bytes. A line with no CR after '#' (and at most MaxReplyBytes bytes of
// digits) or with an empty body gives zero bytes.
std::optional<QByteArray> decodeReply(const QByteArray &line);

// Accepts a reply to a read request whose last payload byte is at index minLength, so that a
// full reply is minLength + 3 bytes. Writes its diagnostics into `diagnostics`.
LinkResult checkReadReply(const std::optional<QByteArray> &decoded, int minLength,
                          QTextStream &diagnostics);
// Accepts a reply to a write request: CRC sound and status WriteAccepted. Silent.
LinkResult checkWriteReply(const std::optional<QByteArray> &decoded);

} // namespace FrameCodec

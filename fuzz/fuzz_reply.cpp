// Arbitrary received lines through reply decoding and the read and write checks: never a crash,
// and nothing accepted that a sound reply could not be.
#include "framecodec.h"

#include <QBuffer>
#include <QTextStream>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), int(size));
    const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
    if (decoded) {
        if (decoded->size() > FrameCodec::MaxReplyBytes)
            abort();
        // What decodes, encodes back to a line that decodes to the same bytes.
        if (FrameCodec::decodeReply(FrameCodec::frameText(*decoded)) != decoded)
            abort();
    }

    QByteArray sink;
    QBuffer buffer(&sink);
    buffer.open(QIODevice::WriteOnly);
    QTextStream diagnostics(&buffer);
    // The minimum lengths of the device's read requests.
    for (const int minLength : {4, 7, 8, 11, 13, 15, 17, 25}) {
        if (FrameCodec::checkReadReply(decoded, minLength, diagnostics) == LinkResult::Success) {
            if (!decoded || decoded->size() < minLength ||
                quint8(decoded->at(0)) != FrameCodec::OwnAddress ||
                FrameCodec::crc16(*decoded) != 0)
                abort();
        }
    }
    if (FrameCodec::checkWriteReply(decoded) == LinkResult::Success) {
        if (!decoded || decoded->size() < FrameCodec::HeaderBytes ||
            quint8(decoded->at(FrameCodec::StatusOffset)) != FrameCodec::WriteAccepted ||
            FrameCodec::crc16(*decoded) != 0)
            abort();
    }
    return 0;
}

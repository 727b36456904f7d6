// The frame codec on its own: CRC, request texts, reply decoding and the reply checks with
// their diagnostic texts.

#include "framecodec.h"

#include <QTextStream>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(LinkResult)

namespace {

// Frame text of the given bytes (hex) with a correct CRC appended.
QByteArray framed(const QByteArray &hexBytes)
{
    QByteArray bytes = QByteArray::fromHex(hexBytes);
    const quint16 crc = FrameCodec::crc16(bytes);
    bytes.append(char(crc >> 8));
    bytes.append(char(crc & 0xFF));
    return FrameCodec::frameText(bytes);
}

} // namespace

class TestFrameCodec : public QObject
{
    Q_OBJECT
private slots:
    void crc_data();
    void crc();
    void crcStepMatchesBitwiseDefinition();
    void encodeFrame_data();
    void encodeFrame();
    void encodeRefusesOverlongPayload();
    void decodeReply_data();
    void decodeReply();
    void readCheck_data();
    void readCheck();
    void writeCheck_data();
    void writeCheck();
};

void TestFrameCodec::crc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint16>("crc");
    QTest::newRow("check value 123456789") << QByteArray("123456789") << quint16(0x29B1);
    QTest::newRow("nothing leaves the initial value") << QByteArray() << quint16(0xFFFF);
    QTest::newRow("header 01 C8 B4 02") << QByteArray::fromHex("01C8B402") << quint16(0x8FA9);
    QTest::newRow("frame with its CRC sums to 0")
        << QByteArray::fromHex("01C8B4028FA9") << quint16(0);
    QTest::newRow("reply C8 01 B4 02 03") << QByteArray::fromHex("C801B40203") << quint16(0x2213);
}

void TestFrameCodec::crc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint16, crc);
    QCOMPARE(FrameCodec::crc16(bytes), crc);
}

void TestFrameCodec::crcStepMatchesBitwiseDefinition()
{
    // A straightforward bit-at-a-time CRC over the message bits, for every byte and several
    // starting values.
    for (const quint16 start : {quint16(0xFFFF), quint16(0), quint16(0x1234), quint16(0x8000)}) {
        for (int byte = 0; byte < 256; ++byte) {
            quint16 expected = start;
            for (int bit = 7; bit >= 0; --bit) {
                const bool top = ((expected >> 15) & 1) != ((byte >> bit) & 1);
                expected = quint16(expected << 1);
                if (top) {
                    expected ^= 0x1021;
                }
            }
            QCOMPARE(FrameCodec::crc16Update(start, quint8(byte)), expected);
        }
    }
}

void TestFrameCodec::encodeFrame_data()
{
    QTest::addColumn<int>("dest");
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("access");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("#01C8B4028FA9 read size")
        << 1 << 200 << 0xB4 << 2 << QByteArray() << QByteArray("#01C8B4028FA9\r");
    QTest::newRow("#C801B402032213 size reply")
        << 200 << 1 << 0xB4 << 2 << QByteArray::fromHex("03") << QByteArray("#C801B402032213\r");
    QTest::newRow("#C801B01F7844 acknowledgement")
        << 200 << 1 << 0xB0 << 0x1F << QByteArray() << QByteArray("#C801B01F7844\r");
    QTest::newRow("#01C8B8125072673120A0D5 name Prg1")
        << 1 << 200 << 0xB8 << 18 << QByteArray("Prg1 ") << QByteArray("#01C8B8125072673120A0D5\r");
    QTest::newRow("#01C8B51203CD47 size 3 cell 1")
        << 1 << 200 << 0xB5 << 18 << QByteArray::fromHex("03") << QByteArray("#01C8B51203CD47\r");
    QTest::newRow("#01C8B0020015A7 line 0")
        << 1 << 200 << 0xB0 << 2 << QByteArray::fromHex("00") << QByteArray("#01C8B0020015A7\r");
    QTest::newRow("#C801B51F87B1 acknowledgement cell 1")
        << 200 << 1 << 0xB5 << 0x1F << QByteArray() << QByteArray("#C801B51F87B1\r");
}

void TestFrameCodec::encodeFrame()
{
    QFETCH(int, dest);
    QFETCH(int, src);
    QFETCH(int, command);
    QFETCH(int, access);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, text);
    const QByteArray encoded = FrameCodec::encodeFrame(quint8(dest), quint8(src), quint8(command),
                                                       quint8(access), payload);
    QCOMPARE(encoded, text);
    QCOMPARE(encoded.size(), 2 * (4 + payload.size() + 2) + 2);
}

void TestFrameCodec::encodeRefusesOverlongPayload()
{
    QCOMPARE(FrameCodec::encodeFrame(1, 200, 0xB0, 18, QByteArray(255, 'x')).size(),
             2 * (4 + 255 + 2) + 2);
    QVERIFY(FrameCodec::encodeFrame(1, 200, 0xB0, 18, QByteArray(256, 'x')).isEmpty());
}

void TestFrameCodec::decodeReply_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray reply = QByteArray::fromHex("C801B402032213");
    QTest::newRow("plain reply") << QByteArray("#C801B402032213\r") << true << reply;
    QTest::newRow("noise before # ignored")
        << QByteArray("x\r\n?#C801B402032213\r") << true << reply;
    QTest::newRow("text after CR ignored") << QByteArray("#C801B402032213\r#zz") << true << reply;
    QTest::newRow("no # fails") << QByteArray("C801B402032213\r") << false << QByteArray();
    QTest::newRow("empty line fails") << QByteArray() << false << QByteArray();
    QTest::newRow("# and CR give zero bytes") << QByteArray("#\r") << true << QByteArray();
    QTest::newRow("no CR gives zero bytes") << QByteArray("#C801B4") << true << QByteArray();
    QTest::newRow("lowercase hex fails")
        << QByteArray("#c801b402032213\r") << false << QByteArray();
    QTest::newRow("second # in body fails") << QByteArray("#C801#C801\r") << false << QByteArray();
    QTest::newRow("odd digit count fails") << QByteArray("#C801B\r") << false << QByteArray();
    QTest::newRow("non-hex letter fails") << QByteArray("#C8G1\r") << false << QByteArray();
    QTest::newRow("255 bytes decode")
        << QByteArray("#" + QByteArray(510, 'A') + "\r") << true << QByteArray(255, char(0xAA));
    QTest::newRow("256 bytes fail")
        << QByteArray("#" + QByteArray(512, 'A') + "\r") << false << QByteArray();
    QTest::newRow("flood without CR fails")
        << QByteArray("#" + QByteArray(600, 'A')) << false << QByteArray();
}

void TestFrameCodec::decodeReply()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, decodes);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
    QCOMPARE(decoded.has_value(), decodes);
    if (decoded) {
        QCOMPARE(*decoded, bytes);
    }
}

void TestFrameCodec::readCheck_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("minLength");
    QTest::addColumn<LinkResult>("result");
    QTest::addColumn<QString>("diagnostics");
    QTest::newRow("size reply accepted")
        << QByteArray("#C801B402032213\r") << 4 << LinkResult::Success << QString();
    QTest::newRow("longer reply than needed accepted")
        << framed("C801B8025072673120") << 4 << LinkResult::Success << QString();
    QTest::newRow("lowercase reply: Error crc")
        << QByteArray("#c801b402032213\r") << 4 << LinkResult::Failure
        << QStringLiteral("Error crc\n");
    QTest::newRow("# CR: Error linesize 0 4")
        << QByteArray("#\r") << 4 << LinkResult::Failure << QStringLiteral("Error linesize\n0 4");
    QTest::newRow("name reply too short: Error linesize 7 8")
        << QByteArray("#C801B402032213\r") << 8 << LinkResult::Failure
        << QStringLiteral("Error linesize\n7 8");
    QTest::newRow("reply cut to the minimum: Error linesize 4 7")
        << framed("C801") << 4 << LinkResult::Failure << QStringLiteral("Error linesize\n4 7");
    QTest::newRow("reply cut by two: Error linesize 6 7")
        << framed("C801B402") << 4 << LinkResult::Failure << QStringLiteral("Error linesize\n6 7");
    QTest::newRow("bad CRC: Error crc") << QByteArray("#C801B402032214\r") << 4
                                        << LinkResult::Failure << QStringLiteral("Error crc\n");
    QTest::newRow("byte 0 is 01: Error Id 1")
        << framed("0101B40203") << 4 << LinkResult::Failure << QStringLiteral("Error Id\n1");
    QTest::newRow("byte 0 is FF: Error Id -1")
        << framed("FF01B40203") << 4 << LinkResult::Failure << QStringLiteral("Error Id\n-1");
    QTest::newRow("no # at all: Error crc") << QByteArray("C801B402032213\r") << 4
                                            << LinkResult::Failure << QStringLiteral("Error crc\n");
    QTest::newRow("over 255 bytes: Error crc")
        << framed("C801B402" + QByteArray(2 * 252, '0')) << 4 << LinkResult::Failure
        << QStringLiteral("Error crc\n");
}

void TestFrameCodec::readCheck()
{
    QFETCH(QByteArray, line);
    QFETCH(int, minLength);
    QFETCH(LinkResult, result);
    QFETCH(QString, diagnostics);
    QString written;
    QTextStream stream(&written);
    QCOMPARE(FrameCodec::checkReadReply(FrameCodec::decodeReply(line), minLength, stream), result);
    stream.flush();
    QCOMPARE(written, diagnostics);
}

void TestFrameCodec::writeCheck_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<LinkResult>("result");
    QTest::newRow("status 1F accepted") << QByteArray("#C801B51F87B1\r") << LinkResult::Success;
    QTest::newRow("status 1F whatever bytes 0 to 2") << framed("0000001F") << LinkResult::Success;
    QTest::newRow("status 1E rejected") << framed("C801B51E") << LinkResult::Failure;
    QTest::newRow("# CR rejected") << QByteArray("#\r") << LinkResult::Failure;
    QTest::newRow("bad CRC rejected") << QByteArray("#C801B51F87B2\r") << LinkResult::Failure;
    QTest::newRow("three bytes rejected") << framed("1F") << LinkResult::Failure;
    QTest::newRow("lowercase rejected") << QByteArray("#c801b51f87b1\r") << LinkResult::Failure;
    QTest::newRow("no # rejected") << QByteArray("garbage\r") << LinkResult::Failure;
}

void TestFrameCodec::writeCheck()
{
    QFETCH(QByteArray, line);
    QFETCH(LinkResult, result);
    QCOMPARE(FrameCodec::checkWriteReply(FrameCodec::decodeReply(line)), result);
}

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"

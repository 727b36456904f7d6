#include "registerdock.h"
#include "registerpoll.h"
#include "testrecord.h"
#include "transfertexts.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtEndian>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// CRC-16/CCITT-FALSE, kept apart from the program's own: poly 0x1021, init 0xFFFF, no
// reflection, no final XOR.
quint16 crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= quint16(quint8(c) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

// The text of a request frame from the program (address 200), as the simulator logs it.
QString request(quint8 dest, quint8 command, quint8 access, const QByteArray &payload = {})
{
    QByteArray bytes;
    bytes.append(char(dest)).append(char(200)).append(char(command)).append(char(access));
    bytes.append(payload);
    const quint16 crc = crc16(bytes);
    bytes.append(char(crc >> 8)).append(char(crc & 0xFF));
    return QLatin1Char('#') + QString::fromLatin1(bytes.toHex().toUpper());
}

// A record's 14 bytes on the link, little-endian.
QByteArray record(quint8 func, quint8 oper = 0, qint32 arg1 = 0, qint32 arg2 = 0, qint16 arg3 = 0,
                  qint16 arg4 = 0)
{
    QByteArray bytes(14, '\0');
    bytes[0] = char(func);
    bytes[1] = char(oper);
    qToLittleEndian<qint32>(arg1, bytes.data() + 2);
    qToLittleEndian<qint32>(arg2, bytes.data() + 6);
    qToLittleEndian<qint16>(arg3, bytes.data() + 10);
    qToLittleEndian<qint16>(arg4, bytes.data() + 12);
    return bytes;
}

using Records = QVector<QByteArray>;

using TransferTexts::lineRead;
using TransferTexts::lineWritten;
using TransferTexts::partWritten;
using TransferTexts::ReadHeading;
using TransferTexts::ReadSucceeded;
using TransferTexts::WriteFailed;
using TransferTexts::WriteHeading;
const QString &ReadLineFailed = TransferTexts::LineReadFailed;
// After a transfer that got no answer at all from Slave ID 0.
const QString NoAnswer =
    QStringLiteral("Прибор не отвечает: проверьте Slave ID (0), кабель и питание");
const QString Cancelled = QStringLiteral("Прервано");
const QString CheckPassed = QStringLiteral("Проверка пройдена: %1 записей совпадают");
const QString CompareHeading = QStringLiteral("Сравнение с программой в ячейке 1");

// The pane lines of a write that stored every record.
QStringList writtenPane(int records, const QString &name)
{
    return QStringList{WriteHeading} + TransferTexts::writeReportBefore(records + 2, records, name);
}

// The pane lines of a read up to and including record `upTo` - 1.
QStringList readPane(int count, const QString &storedName, int upTo)
{
    return QStringList{ReadHeading} + TransferTexts::readReportBefore(upTo + 2, count, storedName);
}

// The program written by the failure tests, and what its records must look like on the device.
const QString NewProgram = QStringLiteral("prgName = \"New\";\n#1;\nUs = 500;\njmp #1;");
const Records NewRecords{record(10, 0, 1), record(1, 0, 500), record(3, 0, 0)};
const QByteArray NewName("New  ");

// What cell " 1" holds before a write: seven delay lines under the name "Old".
const QByteArray OldName("Old  ");
constexpr int OldCount = 7;
QByteArray oldRecord(int index)
{
    return record(4, 0, 1000 + index);
}

Records oldRecords()
{
    Records old;
    for (int i = 0; i < OldCount; ++i)
        old << oldRecord(i);
    return old;
}

// What cell " 1" holds before a read: a sound five-record program.
const QByteArray StoredName("Prg1 ");
const Records StoredRecords{record(10, 0, 1), record(1, 0, 500), record(0), record(4, 0, 100),
                            record(3, 0, 0)};
const QString StoredText =
    QStringLiteral("prgName = \"Prg1\";\n\n#1;\nUs = 500;\nnop;\ndelay_ms 100;\njmp #1;");

// How often a test looks for new requests in the simulator's frame log.
constexpr int LogPollMs = 5;

// A supply this slow to answer keeps a click made after a report inside the next wait.
const QString SlowAnswerMs = QStringLiteral("100");

// What the editor holds while a read runs; a failed read leaves it so.
const QString EditorBefore = QStringLiteral("prgName = \"Mine\";\nM1 = 1;");

// A program of `count` records in its canonical text: label 0, a mix of statements with
// forward and backward jumps, label 99 last.
QString generatedProgram(int count)
{
    QStringList lines{QStringLiteral("prgName = \"Big\";"), QString(), QStringLiteral("#0;")};
    for (int i = 1; i < count - 1; ++i) {
        switch (i % 7) {
        case 0:
            lines << QStringLiteral("M1 += %1;").arg(i);
            break;
        case 1:
            lines << QStringLiteral("delay_ms %1;").arg(i);
            break;
        case 2:
            lines << QStringLiteral("if M1 > %1 #0 else #99;").arg(i);
            break;
        case 3:
            lines << QStringLiteral("Us = -%1;").arg(i);
            break;
        case 4:
            lines << QStringLiteral("jmp #99;");
            break;
        case 5:
            lines << QStringLiteral("nop;");
            break;
        default:
            lines << QStringLiteral("T2 *= M3;");
            break;
        }
    }
    lines << QStringLiteral("#99;");
    return lines.join(QLatin1Char('\n'));
}

// A plain program of `count` nop records (beyond what a cell takes when count > 100).
QString nopProgram(int count)
{
    QStringList lines{QStringLiteral("prgName = \"Long\";")};
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("nop;");
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// Writing a program into the simulated supply and reading it back, through the window and a
// real serial port: round trips, the exact requests, every failure and its pane lines, the
// device's cells afterwards, and what the user may do while a transfer waits.
class TestTransfer : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestTextsOfThisTest_data();
    void requestTextsOfThisTest();
    void roundTrip_data();
    void roundTrip();
    void writeSendsLinesCountNameInOrder();
    void readAsksCountNameAndEachLine();
    void writeFailures_data();
    void writeFailures();
    void readFailures_data();
    void readFailures();
    void decoderErrors_data();
    void decoderErrors();
    void unknownKindKeepsItsLineAndFailsRecompile();
    void readTextMustGiveTheCellBack_data();
    void readTextMustGiveTheCellBack();
    void storedNameInEditor_data();
    void storedNameInEditor();
    void writeRefusedBeforeAnyRequest_data();
    void writeRefusedBeforeAnyRequest();
    void disconnectMidTransfer_data();
    void disconnectMidTransfer();
    void newFileMidWrite();
    void closeDuringTransfer_data();
    void closeDuringTransfer();
    void progressReachesTotal_data();
    void progressReachesTotal();
    void cancelMidTransfer_data();
    void cancelMidTransfer();
    void verifyAfterWrite_data();
    void verifyAfterWrite();
    void compareLeavesEditorAlone_data();
    void compareLeavesEditorAlone();
    void registerDockAroundAWrite();

private:
    // Stores a program in a cell of the simulator.
    static bool preset(SimulatorProcess &sim, int cell, int count, const QByteArray &name,
                       const Records &records);
    // Runs `step` once, inside the transfer's wait, right after the pane shows `line` last;
    // with `now` it runs at once instead, as the pane changes.
    void whenPaneShows(const QString &line, std::function<void()> step, bool now = false);
    // Runs `step` once, inside the transfer's wait, as soon as the simulator has logged `frames`
    // requests: a click that lands while the device is about to answer.
    void whenReceived(const SimulatorProcess &sim, int frames, std::function<void()> step);

    QObject *watchers = nullptr;
};

bool TestTransfer::preset(SimulatorProcess &sim, int cell, int count, const QByteArray &name,
                          const Records &records)
{
    CellImage image;
    image.count = count;
    image.name = name;
    for (int i = 0; i < records.size(); ++i)
        image.lines.insert(i, records.at(i));
    return sim.setCell(cell, image);
}

void TestTransfer::whenPaneShows(const QString &line, std::function<void()> step, bool now)
{
    auto done = std::make_shared<bool>(false);
    connect(window->outputPane(), &QPlainTextEdit::textChanged, watchers,
            [this, done, line, step, now]() {
                if (*done || paneLines().constLast() != line)
                    return;
                *done = true;
                // A user's click lands in the event loop of the transfer's wait, not inside its
                // report.
                if (now)
                    step();
                else
                    QTimer::singleShot(0, watchers, step);
            });
}

void TestTransfer::whenReceived(const SimulatorProcess &sim, int frames, std::function<void()> step)
{
    auto *poll = new QTimer(watchers);
    poll->setInterval(LogPollMs);
    connect(poll, &QTimer::timeout, watchers, [&sim, frames, step, poll]() {
        if (sim.received().size() < frames)
            return;
        poll->stop();
        step();
    });
    poll->start();
}

void TestTransfer::initTestCase()
{
    QVERIFY(isolateSettings());
    // A window closed by a test must not end the application: later event loops would quit at
    // once and every reply wait with them.
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestTransfer::init()
{
    openWindow();
    // Most rows compare a write's own lines; the read-back after it has its own test.
    action("verifyAction")->setChecked(false);
    watchers = new QObject;
}

void TestTransfer::cleanup()
{
    delete watchers;
    watchers = nullptr;
    closeWindow();
}

void TestTransfer::requestTextsOfThisTest_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("known");
    // The worked request texts of the link: they check this test's own frame builder.
    QTest::newRow("count read, slave 1, cell 0") << request(1, 0xB4, 2) << "#01C8B4028FA9";
    QTest::newRow("count 3 write, slave 1, cell 1")
        << request(1, 0xB5, 0x12, QByteArray(1, 3)) << "#01C8B51203CD47";
    QTest::newRow("name Prg1 write, slave 1, cell 0")
        << request(1, 0xB8, 0x12, "Prg1 ") << "#01C8B8125072673120A0D5";
    QTest::newRow("line 0 read, slave 1, cell 0")
        << request(1, 0xB0, 2, QByteArray(1, 0)) << "#01C8B0020015A7";
}

void TestTransfer::requestTextsOfThisTest()
{
    QFETCH(QString, built);
    QFETCH(QString, known);
    QCOMPARE(built, known);
    QCOMPARE(crc16("123456789"), quint16(0x29B1));
}

void TestTransfer::roundTrip_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<int>("records");
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<int>("slave");
    QTest::addColumn<int>("cell");

    QTest::newRow("every statement kind, named and immediate operands")
        << "prgName = \"Kinds\";\n"
           "nop;\nUs = 500;\nUo = Is;\nOut += 1;\nRo -= Io;\nM1 /= 4;\nM8 *= T4;\nBlk = Us;\n"
           "#1;\ndelay_ms 250;\ndelay_s 3;\nif M2 == 7 #1;\nif T1 != Uo #2 else #1;\n"
           "if Us < -5 #1;\nif Is <= Blk #2;\nif Io > 0 #2;\nif M3 >= T2 #1 else #2;\n"
           "jmp #2;\n#2;"
        << "prgName = \"Kinds\";\n\n"
           "nop;\nUs = 500;\nUo = Is;\nOut += 1;\nRo -= Io;\nM1 /= 4;\nM8 *= T4;\nBlk = Us;\n"
           "#1;\ndelay_ms 250;\ndelay_s 3;\nif M2 == 7 #1;\nif T1 != Uo #2 else #1;\n"
           "if Us < -5 #1;\nif Is <= Blk #2;\nif Io > 0 #2;\nif M3 >= T2 #1 else #2;\n"
           "jmp #2;\n#2;"
        << 19 << QByteArray("Kinds") << 0 << 0;
    QTest::newRow("negative and extreme numbers")
        << "prgName = \"Ext\";\n#0;\nUs = -2147483648;\nUo = 2147483647;\nM1 += -1;\n"
           "M2 -= -0;\nM3 *= 007;\ndelay_ms 2147483647;\ndelay_s 0;\n"
           "if M4 < -2147483648 #0;\nif M5 >= 2147483647 #0;"
        << "prgName = \"Ext\";\n\n#0;\nUs = -2147483648;\nUo = 2147483647;\nM1 += -1;\n"
           "M2 -= 0;\nM3 *= 7;\ndelay_ms 2147483647;\ndelay_s 0;\n"
           "if M4 < -2147483648 #0;\nif M5 >= 2147483647 #0;"
        << 10 << QByteArray("Ext  ") << 255 << 3;
    QTest::newRow("labels 0 and 99, forward and backward jumps")
        << "prgName = \"Jumps\";\njmp #99;\n#0;\nM1 += 1;\nif M1 < 10 #0 else #99;\n#99;\n"
           "if M1 >= 10 #0;\njmp #0;"
        << "prgName = \"Jumps\";\n\njmp #99;\n#0;\nM1 += 1;\nif M1 < 10 #0 else #99;\n#99;\n"
           "if M1 >= 10 #0;\njmp #0;"
        << 7 << QByteArray("Jumps") << 1 << 1;
    QTest::newRow("spacing, comments, blank lines and leading zeros made canonical")
        << "prgName=\"Sp\";\n// set the voltage\n   Us=5;\n\nif Us>5 #01 else #07;\n#1;\n"
           "#07 ;\njmp   #1;\ndelay_ms  007;\nUs = 5; // a trailing comment hides the line"
        << "prgName = \"Sp\";\n\nUs = 5;\nif Us > 5 #1 else #7;\n#1;\n#7;\njmp #1;\ndelay_ms 7;"
        << 6 << QByteArray("Sp   ") << 0 << 2;
    QTest::newRow("else #0 stays a branch to label 0")
        << "prgName = \"E0\";\nnop;\nif Us > 0 #2 else #0;\n#2;\n#0;"
        << "prgName = \"E0\";\n\nnop;\nif Us > 0 #2 else #0;\n#2;\n#0;" << 4 << QByteArray("E0   ")
        << 0 << 0;
    QTest::newRow("no name line: five blanks, read back without a name line")
        << "Us = 1;\n// no name"
        << "Us = 1;" << 1 << QByteArray("     ") << 0 << 1;
    QTest::newRow("one record") << "prgName = \"One\";\nnop;"
                                << "prgName = \"One\";\n\nnop;" << 1 << QByteArray("One  ") << 0
                                << 0;
    QTest::newRow("100 records") << generatedProgram(100) << generatedProgram(100) << 100
                                 << QByteArray("Big  ") << 7 << 1;
    QTest::newRow("name of Latin-1 letters") << QStringLiteral("prgName = \"Äé1\";\nnop;")
                                             << QStringLiteral("prgName = \"Äé1\";\n\nnop;") << 1
                                             << QByteArray("\xC4\xE9"
                                                           "1  ")
                                             << 0 << 0;
}

void TestTransfer::roundTrip()
{
    QFETCH(QString, source);
    QFETCH(QString, canonical);
    QFETCH(int, records);
    QFETCH(QByteArray, storedName);
    QFETCH(int, slave);
    QFETCH(int, cell);

    SimulatorProcess *started =
        connectToSimulator({QStringLiteral("--slave"), QString::number(slave)});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    window->slaveIdBox()->setValue(slave);
    window->cellBox()->setCurrentIndex(cell);
    window->editor()->setPlainText(source);

    QString during;
    whenPaneShows(
        lineWritten(0), [&]() { during = states(); }, true);
    QVERIFY(runDeviceAction("writeAction"));
    const QString name = QString::fromLatin1(storedName).trimmed();
    QCOMPARE(paneLines(), writtenPane(records, name));
    QCOMPARE(during, TransferRunning);
    QCOMPARE(states(), Connected);
    const QStringList written = TestRecords::describe(window->compiledInstructions());
    QCOMPARE(written.size(), records);

    const CellImage stored = sim.cellImages().at(cell);
    QCOMPARE(stored.count, records);
    QCOMPARE(stored.name, storedName);

    window->editor()->setPlainText(EditorBefore);
    QVERIFY(runDeviceAction("readAction"));
    QCOMPARE(paneLines(), readPane(records, QString::fromLatin1(storedName), records)
                              << ReadSucceeded);
    QCOMPARE(window->editor()->toPlainText(), canonical);
    QCOMPARE(states(), Connected);

    action("compileAction")->trigger();
    QCOMPARE(window->compileErrorFlag(), 0);
    QCOMPARE(TestRecords::describe(window->compiledInstructions()), written);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestTransfer::writeSendsLinesCountNameInOrder()
{
    SimulatorProcess *started =
        connectToSimulator({QStringLiteral("--slave"), QStringLiteral("5")});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    window->slaveIdBox()->setValue(5);
    window->cellBox()->setCurrentIndex(1);
    window->editor()->setPlainText(QStringLiteral("prgName = \"Prg1\";\n#1;\nUs = 500;\njmp #1;"));
    // Both controls are read once, before the first request.
    whenPaneShows(lineWritten(0), [this]() {
        window->slaveIdBox()->setValue(7);
        window->cellBox()->setCurrentIndex(3);
    });

    QVERIFY(runDeviceAction("writeAction"));

    QCOMPARE(paneLines(), writtenPane(3, QStringLiteral("Prg1")));
    const QStringList expected{
        request(5, 0xB1, 0x12, record(10, 0, 1) + QByteArray(1, 0)),
        request(5, 0xB1, 0x12, record(1, 0, 500) + QByteArray(1, 1)),
        request(5, 0xB1, 0x12, record(3, 0, 0) + QByteArray(1, 2)),
        request(5, 0xB5, 0x12, QByteArray(1, 3)),
        request(5, 0xB9, 0x12, "Prg1 "),
    };
    QCOMPARE(sim.received(), expected);
    const QVector<CellImage> cells = sim.cellImages();
    QCOMPARE(cells.at(1).count, 3);
    QCOMPARE(cells.at(1).name, QByteArray("Prg1 "));
    QCOMPARE(cells.at(1).lines.values(),
             QList<QByteArray>({record(10, 0, 1), record(1, 0, 500), record(3, 0, 0)}));
    QCOMPARE(cells.at(0).count, 0);
    QCOMPARE(cells.at(3).count, 0);
}

void TestTransfer::readAsksCountNameAndEachLine()
{
    SimulatorProcess *started =
        connectToSimulator({QStringLiteral("--slave"), QStringLiteral("5")});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 1, 3, "Prg1 ", {record(10, 0, 1), record(1, 0, 500), record(3, 0, 0)}));
    window->slaveIdBox()->setValue(5);
    window->cellBox()->setCurrentIndex(1);
    whenPaneShows(lineRead(0), [this]() {
        window->slaveIdBox()->setValue(7);
        window->cellBox()->setCurrentIndex(3);
    });

    QVERIFY(runDeviceAction("readAction"));

    QCOMPARE(paneLines(), readPane(3, QStringLiteral("Prg1 "), 3) << ReadSucceeded);
    const QStringList expected{
        request(5, 0xB5, 2),
        request(5, 0xB9, 2),
        request(5, 0xB1, 2, QByteArray(1, 0)),
        request(5, 0xB1, 2, QByteArray(1, 1)),
        request(5, 0xB1, 2, QByteArray(1, 2)),
    };
    QCOMPARE(sim.received(), expected);
    QCOMPARE(window->editor()->toPlainText(),
             QStringLiteral("prgName = \"Prg1\";\n\n#1;\nUs = 500;\njmp #1;"));
    QVERIFY(action("saveAction")->isEnabled());
    QCOMPARE(states(), Connected);
}

void TestTransfer::writeFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("pane");
    QTest::addColumn<int>("sent");
    // Lines below newUpTo hold the new program, lines from oldFrom on the old one.
    QTest::addColumn<int>("newUpTo");
    QTest::addColumn<int>("oldFrom");
    // -1 and an empty name: not checked, the device may have kept the value it refused.
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("name");
    // «Ячейки прибора» on cell 1 after the write: what is known of it, nothing when untouched.
    QTest::addColumn<QString>("cellShown");
    const QString Written = QStringLiteral("\"New\"");
    const QString Unread = QStringLiteral("не прочитана");

    const QStringList all3{WriteHeading, lineWritten(0), lineWritten(1), lineWritten(2)};
    const QString sizeFailed = QStringLiteral("Ошибка записи size");
    const QString nameFailed = QStringLiteral("Ошибка записи prgName");
    const QString sizeWritten = QStringLiteral("Size записан");

    QTest::newRow("line 0 unanswered three times")
        << "silent@1x3" << QStringList{WriteHeading, WriteFailed, NoAnswer} << 3 << 0 << 0
        << OldCount << OldName << QString();
    QTest::newRow("line 2 unanswered three times")
        << "silent@3x3"
        << QStringList{WriteHeading, lineWritten(0), lineWritten(1), WriteFailed, partWritten(1)}
        << 5 << 2 << 2 << OldCount << OldName << Unread;
    QTest::newRow("line 1 answered on its third attempt")
        << "silent@2x2" << writtenPane(3, QStringLiteral("New")) << 7 << 3 << 3 << 3 << NewName
        << Written;
    QTest::newRow("line 1 rejected with status 1E, not retried")
        << "status1e@2" << QStringList{WriteHeading, lineWritten(0), WriteFailed, partWritten(1)}
        << 2 << 1 << 2 << OldCount << OldName << Unread;
    QTest::newRow("line 1 reply with a bad CRC")
        << "crc@2" << QStringList{WriteHeading, lineWritten(0), WriteFailed, partWritten(1)} << 2
        << 1 << 2 << OldCount << OldName << Unread;
    QTest::newRow("line 1 reply in lowercase hex")
        << "lowercase@2" << QStringList{WriteHeading, lineWritten(0), WriteFailed, partWritten(1)}
        << 2 << 1 << 2 << OldCount << OldName << Unread;
    QTest::newRow("line 1 answered by an overlong line")
        << "overlong@2" << QStringList{WriteHeading, lineWritten(0), WriteFailed, partWritten(1)}
        << 2 << 1 << 2 << OldCount << OldName << Unread;
    QTest::newRow("line 1 reply after noise is taken")
        << "noise@2" << writtenPane(3, QStringLiteral("New")) << 5 << 3 << 3 << 3 << NewName
        << Written;
    QTest::newRow("line 1 reply in pieces is assembled")
        << "split@2" << writtenPane(3, QStringLiteral("New")) << 5 << 3 << 3 << 3 << NewName
        << Written;
    // An acknowledgement to another station is dropped; the second try's answer counts.
    QTest::newRow("write reply to another station is dropped")
        << "address@2" << writtenPane(3, QStringLiteral("New")) << 6 << 3 << 3 << 3 << NewName
        << Written;
    // The count went out: the device may have stored it (this one did not).
    QTest::newRow("count unanswered three times")
        << "silent@4x3" << (QStringList(all3) << sizeFailed << TransferTexts::countMaybeWritten(1))
        << 6 << 3 << 3 << OldCount << OldName << Unread;
    QTest::newRow("count rejected with status 1E")
        << "status1e@4" << (QStringList(all3) << sizeFailed << TransferTexts::countMaybeWritten(1))
        << 4 << 3 << 3 << -1 << OldName << Unread;
    QTest::newRow("name unanswered three times")
        << "silent@5x3"
        << (QStringList(all3) << sizeWritten << nameFailed << TransferTexts::maybeWholeWritten(1))
        << 7 << 3 << 3 << 3 << OldName << Unread;
    QTest::newRow("name rejected with status 1E")
        << "status1e@5"
        << (QStringList(all3) << sizeWritten << nameFailed << TransferTexts::maybeWholeWritten(1))
        << 5 << 3 << 3 << 3 << QByteArray() << Unread;
}

void TestTransfer::writeFailures()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, pane);
    QFETCH(int, sent);
    QFETCH(int, newUpTo);
    QFETCH(int, oldFrom);
    QFETCH(int, count);
    QFETCH(QByteArray, name);
    QFETCH(QString, cellShown);

    SimulatorProcess *started = connectToSimulator({QStringLiteral("--fault"), fault});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    const Records old = oldRecords();
    QVERIFY(preset(sim, 0, OldCount, OldName, old));
    window->editor()->setPlainText(NewProgram);

    QVERIFY(runDeviceAction("writeAction"));

    QCOMPARE(paneLines(), pane);
    QCOMPARE(sim.received().size(), sent);
    QCOMPARE(states(), Connected);
    QCOMPARE(window->editor()->toPlainText(), NewProgram);
    const CellImage cell = sim.cellImages().at(0);
    for (int i = 0; i < newUpTo; ++i)
        QCOMPARE(cell.lines.value(i), NewRecords.at(i));
    for (int i = oldFrom; i < OldCount; ++i)
        QCOMPARE(cell.lines.value(i), oldRecord(i));
    if (count >= 0)
        QCOMPARE(cell.count, count);
    if (!name.isEmpty())
        QCOMPARE(cell.name, name);
    const auto *cells = window->findChild<QTableWidget *>(QStringLiteral("cellsTable"));
    QVERIFY(cells);
    QCOMPARE(cells->item(0, 0)->text(), cellShown);
}

void TestTransfer::readFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("pane");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("editor");

    const QString sizeFailed = QStringLiteral("error: ошибка чтения size");
    const QString nameFailed = QStringLiteral("error: ошибка чтения prgName");
    const QString badCount = QStringLiteral("error: некорректное кол-во строк");
    const QStringList nameShown = readPane(5, QString::fromLatin1(StoredName), 0);
    const QStringList whole = readPane(5, QString::fromLatin1(StoredName), 5) << ReadSucceeded;

    QTest::newRow("count unanswered twice")
        << "silent@1x2" << 5 << QStringList{ReadHeading, sizeFailed, NoAnswer} << 2 << EditorBefore;
    QTest::newRow("count reply with a bad CRC twice")
        << "crc@1x2" << 5 << QStringList{ReadHeading, sizeFailed} << 2 << EditorBefore;
    QTest::newRow("count reply for another address twice")
        << "address@1x2" << 5 << QStringList{ReadHeading, sizeFailed, NoAnswer} << 2
        << EditorBefore;
    QTest::newRow("count reply in lowercase hex twice")
        << "lowercase@1x2" << 5 << QStringList{ReadHeading, sizeFailed} << 2 << EditorBefore;
    QTest::newRow("count answered by overlong lines twice")
        << "overlong@1x2" << 5 << QStringList{ReadHeading, sizeFailed} << 2 << EditorBefore;
    QTest::newRow("count read on its second run") << "crc@1" << 5 << whole << 8 << StoredText;
    QTest::newRow("count 0") << "" << 0
                             << QStringList{ReadHeading, QStringLiteral("Нет записей для чтения")}
                             << 1 << EditorBefore;
    QTest::newRow("count 101") << "" << 101 << QStringList{ReadHeading, badCount} << 1
                               << EditorBefore;
    QTest::newRow("count 255") << "" << 255 << QStringList{ReadHeading, badCount} << 1
                               << EditorBefore;
    QTest::newRow("name unanswered twice")
        << "silent@2x2" << 5
        << QStringList{ReadHeading, QStringLiteral("Всего строк 5"), nameFailed} << 3
        << EditorBefore;
    QTest::newRow("name reply with a bad CRC twice")
        << "crc@2x2" << 5 << QStringList{ReadHeading, QStringLiteral("Всего строк 5"), nameFailed}
        << 3 << EditorBefore;
    QTest::newRow("record 0 reply with a bad CRC twice")
        << "crc@3x2" << 5 << (QStringList(nameShown) << ReadLineFailed) << 4 << EditorBefore;
    QTest::newRow("record 3 unanswered twice")
        << "silent@6x2" << 5 << (readPane(5, QString::fromLatin1(StoredName), 3) << ReadLineFailed)
        << 7 << EditorBefore;
    QTest::newRow("record 4 reply for another address twice")
        << "address@7x2" << 5 << (readPane(5, QString::fromLatin1(StoredName), 4) << ReadLineFailed)
        << 8 << EditorBefore;
    QTest::newRow("record 2 read on its second run") << "silent@5" << 5 << whole << 8 << StoredText;
    QTest::newRow("replies after noise and in pieces are taken")
        << "noise@2 split@4" << 5 << whole << 7 << StoredText;
}

void TestTransfer::readFailures()
{
    QFETCH(QString, fault);
    QFETCH(int, count);
    QFETCH(QStringList, pane);
    QFETCH(int, sent);
    QFETCH(QString, editor);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 0, count, StoredName, StoredRecords));
    if (!fault.isEmpty())
        QVERIFY(sim.addFault(fault));
    const QVector<CellImage> before = sim.cellImages();
    window->editor()->setPlainText(EditorBefore);

    QVERIFY(runDeviceAction("readAction"));

    QCOMPARE(paneLines(), pane);
    QCOMPARE(sim.received().size(), sent);
    QCOMPARE(window->editor()->toPlainText(), editor);
    QCOMPARE(states(), Connected);
    const CellImage after = sim.cellImages().at(0);
    QCOMPARE(after.count, before.at(0).count);
    QCOMPARE(after.name, before.at(0).name);
    QCOMPARE(after.lines, before.at(0).lines);
}

void TestTransfer::decoderErrors_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QString>("error");

    const QByteArray nop = record(0);
    const QByteArray label1 = record(10, 0, 1);
    // if Us > 5 with then-target t and else-target e, both record indices.
    const auto branch = [](qint16 t, qint16 e) { return record(2, 0, 5, 4, t, e); };

    QTest::newRow("label 4 on records 2 and 6")
        << Records{nop, nop, record(10, 0, 4), nop, nop, nop, record(10, 0, 4)}
        << "error: повтор ссылки #4";
    QTest::newRow("duplicate label reported before a bad jump")
        << Records{record(3, 0, 9), record(10, 0, 3), record(10, 0, 3)}
        << "error: повтор ссылки #3";
    QTest::newRow("if target 5 of 5 records")
        << Records{label1, branch(5, 0), nop, nop, nop} << "error: некорректная ссылка if";
    QTest::newRow("if target -1") << Records{label1, branch(-1, 0), nop, nop, nop}
                                  << "error: некорректная ссылка if";
    QTest::newRow("if target on a nop")
        << Records{label1, branch(2, 0), nop} << "error: некорректная ссылка #";
    QTest::newRow("else target out of range")
        << Records{label1, branch(0, 3), nop} << "error: некорректная ссылка if-else";
    QTest::newRow("else target on a nop")
        << Records{label1, branch(0, 2), nop} << "error: некорректная ссылка else #";
    QTest::newRow("jmp target out of range")
        << Records{label1, record(3, 0, 2)} << "error: некорректная ссылка jmp";
    QTest::newRow("jmp target on a nop")
        << Records{nop, record(3, 0, 0)} << "error: некорректная ссылка jmp #";
}

void TestTransfer::decoderErrors()
{
    QFETCH(Records, records);
    QFETCH(QString, error);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 0, records.size(), "Dec  ", records));
    window->editor()->setPlainText(EditorBefore);

    QVERIFY(runDeviceAction("readAction"));

    QCOMPARE(paneLines(), readPane(records.size(), QStringLiteral("Dec  "), records.size())
                              << error);
    QCOMPARE(window->editor()->toPlainText(), EditorBefore);
    // A record equal to the one before is read once more, as a repeated answer would read.
    int equalNeighbours = 0;
    for (int i = 1; i < records.size(); ++i)
        equalNeighbours += records.at(i) == records.at(i - 1) ? 1 : 0;
    QCOMPARE(sim.received().size(), 2 + records.size() + equalNeighbours);
    QCOMPARE(states(), Connected);
}

void TestTransfer::unknownKindKeepsItsLineAndFailsRecompile()
{
    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 0, 3, "Odd  ", {record(10, 0, 1), record(12, 3, 77), record(3, 0, 0)}));

    QVERIFY(runDeviceAction("readAction"));

    // The odd line does not compile: the read says so after its success line.
    QCOMPARE(paneLines().at(paneLines().size() - 2), ReadSucceeded);
    QVERIFY2(paneLines().constLast().startsWith(
                 QStringLiteral("Внимание: запись 1 (строка 4) не получается из текста: ")),
             qPrintable(paneLines().constLast()));
    const QStringList lines = window->editor()->toPlainText().split(QLatin1Char('\n'));
    // One line per record, so that the jump after the odd record still lands on its label.
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), QStringLiteral("prgName = \"Odd\";"));
    QCOMPARE(lines.at(2), QStringLiteral("#1;"));
    QCOMPARE(lines.at(4), QStringLiteral("jmp #1;"));
    const QString odd = lines.at(3);
    QVERIFY(!odd.trimmed().isEmpty());
    QVERIFY(!odd.contains(QStringLiteral("//")));

    action("compileAction")->trigger();
    QCOMPARE(window->compileErrorFlag(), 1);
    QVERIFY2(paneLines().contains(QStringLiteral("error: ") + odd), qPrintable(odd));
}

void TestTransfer::readTextMustGiveTheCellBack_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<QString>("editor");
    // The line after the success line; it is red and leads to program line `sourceLine`.
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("sourceLine");

    const QString differs = QStringLiteral(
        "Внимание: запись %1 (строка %2) не получается из текста: в приборе %3, из текста %4; "
        "сохранённый текст запишет в прибор другое");
    const QString refused = QStringLiteral(
        "Внимание: запись %1 (строка %2) не получается из текста: строка не компилируется "
        "(строка не является оператором языка); сохранённый текст в прибор не запишется");
    const QByteArray us5 = record(1, 0, 5);
    const auto hex = [](const QByteArray &bytes) {
        return QString::fromLatin1(bytes.toHex(' ').toUpper());
    };

    QTest::newRow("assignment with a comparison code")
        << Records{record(0), record(1, 0, 5, 77)} << QByteArray("Us5  ")
        << "prgName = \"Us5\";\n\nnop;\nUs = 5;"
        << differs.arg(1).arg(4).arg(hex(record(1, 0, 5, 77)), hex(us5)) << 4;
    QTest::newRow("assignment with branch targets")
        << Records{record(1, 0, 5, 0, 9, 9), record(0)} << QByteArray("Us5  ")
        << "prgName = \"Us5\";\n\nUs = 5;\nnop;"
        << differs.arg(0).arg(3).arg(hex(record(1, 0, 5, 0, 9, 9)), hex(us5)) << 3;
    QTest::newRow("a negative else target is no else")
        << Records{record(10, 0, 1), record(2, 0, 5, 4, 0, -3)} << QByteArray("Neg  ")
        << "prgName = \"Neg\";\n\n#1;\nif Us > 5 #1;"
        << differs.arg(1).arg(4).arg(hex(record(2, 0, 5, 4, 0, -3)), hex(record(2, 0, 5, 4))) << 4;
    QTest::newRow("erased records")
        << Records{QByteArray(14, '\xFF'), QByteArray(14, '\xFF')} << QByteArray("AB   ")
        << "prgName = \"AB\";\n\n?func:255 oper:FF arg1:-1 arg2:-1 arg3:-1 arg4:-1\n"
           "?func:255 oper:FF arg1:-1 arg2:-1 arg3:-1 arg4:-1"
        << refused.arg(0).arg(3) << 3;
    QTest::newRow("unknown operand code, no name")
        << Records{record(0), record(1, 18, 5)} << QByteArray("     ") << "nop;\n = 5;"
        << refused.arg(1).arg(2) << 2;
    QTest::newRow("a leading blank of the name is lost")
        << Records{record(0)} << QByteArray(" AB  ") << "prgName = \"AB\";\n\nnop;"
        << QStringLiteral("Внимание: имя программы не получается из текста: в приборе « AB  », "
                          "из текста «AB   »; сохранённый текст запишет в прибор другое")
        << 0;
}

void TestTransfer::readTextMustGiveTheCellBack()
{
    QFETCH(Records, records);
    QFETCH(QByteArray, storedName);
    QFETCH(QString, editor);
    QFETCH(QString, warning);
    QFETCH(int, sourceLine);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    QVERIFY(preset(*started, 0, records.size(), storedName, records));

    QVERIFY(runDeviceAction("readAction"));

    // The text is what the cell decodes to; the warning says it is not the cell.
    QCOMPARE(paneLines().mid(paneLines().size() - 2), (QStringList{ReadSucceeded, warning}));
    QCOMPARE(window->editor()->toPlainText(), editor);
    QPlainTextEdit *pane = window->outputPane();
    const int index = paneLines().size() - 1;
    bool red = false;
    for (const QTextEdit::ExtraSelection &s : pane->extraSelections())
        red |= s.cursor.blockNumber() == index && s.format.foreground().color() == Qt::red;
    QVERIFY(red);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->editor()->moveCursor(QTextCursor::End);
    const QTextCursor at(pane->document()->findBlockByNumber(index));
    pane->setTextCursor(at);
    pane->ensureCursorVisible();
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(at).center());
    if (sourceLine > 0)
        QCOMPARE(window->editor()->textCursor().blockNumber() + 1, sourceLine);
}

void TestTransfer::storedNameInEditor_data()
{
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<QString>("editor");
    // The name the text compiles to, with the same record; null when it does not compile.
    QTest::addColumn<QString>("name");
    // The name in the line after the success line when it cannot be written back as it is.
    QTest::addColumn<QString>("unwritable");

    QTest::newRow("erased name: no name line") << QByteArray(5, '\0') << "nop;"
                                               << "" << QStringLiteral("\\x00\\x00\\x00\\x00\\x00");
    QTest::newRow("five blanks: no name line") << QByteArray("     ") << "nop;"
                                               << "" << QString();
    QTest::newRow("control bytes dropped") << QByteArray("\x01"
                                                         "A\x7f"
                                                         "b ")
                                           << "prgName = \"Ab\";\n\nnop;"
                                           << "Ab" << QStringLiteral("\\x01A\\x7fb");
    // Plain text: appended as rich text, "<b>" would vanish into bold.
    QTest::newRow("markup characters shown as they are")
        << QByteArray("<b>&x") << "prgName = \"<b>&x\";\n\nnop;" << QString()
        << QStringLiteral("<b>&x");
    QTest::newRow("a hyphen") << QByteArray("A-B  ") << "prgName = \"A-B\";\n\nnop;" << QString()
                              << QStringLiteral("A-B");
    QTest::newRow("quotes and a backslash")
        << QByteArray("\" \"\\ ") << "prgName = \"\" \"\\\";\n\nnop;" << QString()
        << QStringLiteral("\" \"\\");
    QTest::newRow("word characters come back")
        << QByteArray("Ab_1 ") << "prgName = \"Ab_1\";\n\nnop;"
        << "Ab_1" << QString();
}

void TestTransfer::storedNameInEditor()
{
    QFETCH(QByteArray, storedName);
    QFETCH(QString, editor);
    QFETCH(QString, name);
    QFETCH(QString, unwritable);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 0, 1, storedName, {record(0)}));

    QVERIFY(runDeviceAction("readAction"));

    // The read succeeds either way; a name that cannot come back gets one line after it.
    QStringList tail{ReadSucceeded};
    if (!unwritable.isNull()) {
        tail << QStringLiteral("Внимание: имя программы в приборе («%1») нельзя записать обратно — "
                               "исправьте строку prgName")
                    .arg(unwritable);
    }
    QCOMPARE(paneLines().mid(paneLines().size() - tail.size()), tail);
    QCOMPARE(window->editor()->toPlainText(), editor);
    QVERIFY(window->editor()->document()->isModified());

    action("compileAction")->trigger();
    QCOMPARE(window->compileErrorFlag(), name.isNull() ? 1 : 0);
    if (!name.isNull()) {
        QCOMPARE(TestRecords::describe(window->compiledInstructions()),
                 QStringList{QStringLiteral("func 0 oper 0 arg1 0 arg2 0 arg3 0 arg4 0")});
        QCOMPARE(window->compiledProgramName(), name);
    }
}

void TestTransfer::writeRefusedBeforeAnyRequest_data()
{
    QTest::addColumn<QString>("source");
    // The operands' limits in their file form; none when empty.
    QTest::addColumn<QString>("limits");
    QTest::addColumn<QStringList>("pane");
    // The question before a write beyond the limits; none asked when empty. Declined first,
    // the program is then written on «Записать».
    QTest::addColumn<QString>("question");
    // «Прогон»'s time limit, which the write's model takes; its default when empty.
    QTest::addColumn<QString>("runLimit");

    QTest::newRow("compile error")
        << "prgName = \"P\";\nxyz;" << QString()
        << QStringList{QStringLiteral("Компиляция:"), QStringLiteral("prgName = \"P\";"),
                       QStringLiteral("error: xyz;"), QString(),
                       QStringLiteral(
                           "Ошибок: 1, первая в строке 2: строка не является оператором языка")}
        << QString() << QString();
    QTest::newRow("compile error beyond the limits: no question")
        << "prgName = \"P\";\nUs = 30000;\nxyz;" << QStringLiteral("Us ..3000")
        << QStringList{QStringLiteral("Компиляция:"),
                       QStringLiteral("prgName = \"P\";"),
                       QStringLiteral("Us = 30000;"),
                       QStringLiteral(">func:1 oper:0 arg1:30000 arg3:0 arg3:0 arg4:0"),
                       QStringLiteral("error: xyz;"),
                       QString(),
                       QStringLiteral(
                           "Ошибок: 1, первая в строке 3: строка не является оператором языка")}
        << QString() << QString();
    QTest::newRow("no records") << "prgName = \"P\";" << QString()
                                << QStringList{WriteHeading,
                                               QStringLiteral("Нет данных для записи")}
                                << QString() << QString();
    QTest::newRow("101 records") << nopProgram(101) << QString()
                                 << QStringList{WriteHeading,
                                                QStringLiteral("error: некорректное кол-во строк")}
                                 << QString() << QString();
    QTest::newRow("300 records, beyond one byte")
        << nopProgram(300) << QString()
        << QStringList{WriteHeading, QStringLiteral("error: некорректное кол-во строк")}
        << QString() << QString();
    QTest::newRow("name beyond Latin-1")
        << QStringLiteral("prgName = \"Имя\";\nnop;") << QString()
        << QStringList{WriteHeading, QStringLiteral("error: некорректное имя программы")}
        << QString() << QString();
    // The compile report of the ramp both rows below write.
    const QStringList rampReport{QStringLiteral("Компиляция:"),
                                 QStringLiteral("prgName = \"P\";"),
                                 QStringLiteral("Us = 30000;"),
                                 QStringLiteral(">func:1 oper:0 arg1:30000 arg3:0 arg3:0 arg4:0"),
                                 QStringLiteral("#1;"),
                                 QStringLiteral("Is += 100;"),
                                 QStringLiteral("delay_ms 500;"),
                                 QStringLiteral("if Is < 1000 #1;"),
                                 QString(),
                                 QStringLiteral("OK: 5/100")};
    QTest::newRow("beyond the limits, declined")
        << "prgName = \"P\";\nUs = 30000;\n#1;\nIs += 100;\ndelay_ms 500;\nif Is < 1000 #1;"
        << QStringLiteral("// bench\nUs 0..3000\nIs ..500")
        << (rampReport +
            QStringList{QStringLiteral("строка 2: Us = 30000 выше предела 3000"),
                        QStringLiteral("строка 4: Is = 600 выше предела 500 через 2,5 с"),
                        QStringLiteral("модель: начальные значения 0, за 1 ч"),
                        QStringLiteral("Программа не записана: выходит за пределы")})
        << QStringLiteral("Программа выходит за пределы: строка 2: Us = 30000 выше предела 3000; "
                          "строка 4: Is = 600 выше предела 500 через 2,5 с (модель: начальные "
                          "значения 0, за 1 ч). Записать всё равно?")
        << QString();
    QTest::newRow("beyond the limits within the run's time limit")
        << "prgName = \"P\";\nUs = 30000;\n#1;\nIs += 100;\ndelay_ms 500;\nif Is < 1000 #1;"
        << QStringLiteral("Us 0..3000\nIs ..500")
        << (rampReport + QStringList{QStringLiteral("строка 2: Us = 30000 выше предела 3000"),
                                     QStringLiteral("Программа не записана: выходит за пределы")})
        << QStringLiteral("Программа выходит за пределы: строка 2: Us = 30000 выше предела 3000. "
                          "Записать всё равно?")
        << QStringLiteral("2s");
}

void TestTransfer::writeRefusedBeforeAnyRequest()
{
    QFETCH(QString, source);
    QFETCH(QString, limits);
    QFETCH(QStringList, pane);
    QFETCH(QString, question);
    QFETCH(QString, runLimit);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    const Records old = oldRecords();
    QVERIFY(preset(sim, 0, OldCount, OldName, old));
    window->editor()->setPlainText(source);
    if (!limits.isEmpty())
        QVERIFY(setLimits(limits));
    if (!runLimit.isEmpty()) {
        auto *edit = window->findChild<QLineEdit *>(QStringLiteral("programRunLimit"));
        QVERIFY(edit);
        edit->setText(runLimit);
        emit edit->editingFinished();
    }

    QVERIFY(runDeviceAction("writeAction"));

    QCOMPARE(paneLines(), pane);
    QCOMPARE(sim.received(), QStringList());
    QCOMPARE(window->editor()->toPlainText(), source);
    QCOMPARE(states(), Connected);
    const CellImage cell = sim.cellImages().at(0);
    QCOMPARE(cell.count, OldCount);
    QCOMPARE(cell.name, OldName);
    QCOMPARE(cell.lines.size(), OldCount);
    QCOMPARE(dialogs->kinds().filter(QStringLiteral("limits")).size(), question.isEmpty() ? 0 : 1);
    if (question.isEmpty())
        return;
    QCOMPARE(dialogs->calls.constLast().text, question);
    // Each finding is red like a compile error (and leads to its line the same way).
    QStringList red;
    for (const QTextEdit::ExtraSelection &s : window->outputPane()->extraSelections()) {
        if (s.format.foreground().color() == Qt::red)
            red << s.cursor.block().text();
    }
    QCOMPARE(red, pane.filter(QRegularExpression(QStringLiteral("^строка \\d+: "))));

    // «Записать»: the same program goes in whole.
    dialogs->limitChoices.enqueue(true);
    QVERIFY(runDeviceAction("writeAction"));
    QCOMPARE(paneLines().constLast(), TransferTexts::WriteSucceeded);
    QCOMPARE(sim.cellImages().at(0).count, window->compiledInstructions().size());
    QCOMPARE(states(), Connected);
}

void TestTransfer::disconnectMidTransfer_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QStringList>("pane");
    QTest::addColumn<int>("sent");

    // Disconnect once the request after the second record is on the line, before its reply.
    QTest::newRow("write") << true
                           << QStringList{WriteHeading, lineWritten(0), lineWritten(1), WriteFailed,
                                          partWritten(1)}
                           << 3;
    QTest::newRow("read") << false
                          << (readPane(5, QString::fromLatin1(StoredName), 2) << ReadLineFailed)
                          << 5;
}

void TestTransfer::disconnectMidTransfer()
{
    QFETCH(bool, write);
    QFETCH(QStringList, pane);
    QFETCH(int, sent);

    SimulatorProcess *started = connectToSimulator({QStringLiteral("--turnaround"), SlowAnswerMs});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    const Records old = oldRecords();
    QVERIFY(write ? preset(sim, 0, OldCount, OldName, old)
                  : preset(sim, 0, 5, StoredName, StoredRecords));
    const QString text = write ? NewProgram : EditorBefore;
    window->editor()->setPlainText(text);
    whenReceived(sim, sent, [this]() { action("disconnectAction")->trigger(); });

    QVERIFY(runDeviceAction(write ? "writeAction" : "readAction"));

    QCOMPARE(paneLines(), pane);
    QCOMPARE(sim.received().size(), sent);
    QVERIFY(!window->serialPort()->isOpen());
    QCOMPARE(states(), NotConnected);
    QCOMPARE(window->editor()->toPlainText(), text);
    const CellImage cell = sim.cellImages().at(0);
    if (write) {
        QCOMPARE(cell.lines.value(0), NewRecords.at(0));
        QCOMPARE(cell.lines.value(1), NewRecords.at(1));
        QCOMPARE(cell.count, OldCount);
        QCOMPARE(cell.name, OldName);
    }
    QVERIFY(dialogs->calls.isEmpty());
}

void TestTransfer::newFileMidWrite()
{
    SimulatorProcess *started = connectToSimulator({QStringLiteral("--turnaround"), SlowAnswerMs});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    window->editor()->setPlainText(NewProgram);
    window->editor()->document()->setModified(false);
    whenPaneShows(lineWritten(0), [this]() { action("newAction")->trigger(); });

    QVERIFY(runDeviceAction("writeAction"));

    // "Создать файл" emptied the pane; the write went on reporting into it.
    QCOMPARE(paneLines(), writtenPane(3, QStringLiteral("New")).mid(2));
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"Prg1\";\n"));
    QVERIFY(window->compiledInstructions().isEmpty());
    QCOMPARE(states(), Connected);
    // The program written is the one compiled at the start, whole.
    const CellImage cell = sim.cellImages().at(0);
    QCOMPARE(cell.count, 3);
    QCOMPARE(cell.name, NewName);
    QCOMPARE(cell.lines.values(), NewRecords.toList());
    QCOMPARE(sim.received().size(), 5);
}

void TestTransfer::closeDuringTransfer_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("last");
    QTest::addColumn<bool>("modified");
    // The answer to «Идёт обмен с прибором. Прервать и закрыть окно?»: true is «Прервать».
    QTest::addColumn<bool>("stop");
    // The answer to the question about unsaved text, asked once the transfer has stopped.
    QTest::addColumn<bool>("keepText");
    // The question stays open until the supply has had every request of the write.
    QTest::addColumn<bool>("held");

    // Stopped after the request on the line; what the cell holds is said before the window goes.
    QTest::newRow("write") << true << partWritten(1) << false << true << false << false;
    QTest::newRow("read") << false << Cancelled << false << true << false << false;
    // The transfer's question first; the one about unsaved text once it has stopped.
    QTest::newRow("write, text changed")
        << true << partWritten(1) << true << true << false << false;
    QTest::newRow("read, text changed") << false << Cancelled << true << true << false << false;
    QTest::newRow("write, text changed, Прервать, then Отмена: stopped, window stays")
        << true << partWritten(1) << true << true << true << false;
    QTest::newRow("write, Отмена: goes on, window stays")
        << true << QStringLiteral("Данные успешно записаны") << false << false << false << false;
    // A modal question does not hold the line: the write goes on at its pace meanwhile.
    QTest::newRow("write, question held open: the write goes on under it")
        << true << QStringLiteral("Данные успешно записаны") << false << false << false << true;
}

void TestTransfer::closeDuringTransfer()
{
    QFETCH(bool, write);
    QFETCH(QString, last);
    QFETCH(bool, modified);
    QFETCH(bool, stop);
    QFETCH(bool, keepText);
    QFETCH(bool, held);

    SimulatorProcess *started = connectToSimulator({QStringLiteral("--turnaround"), SlowAnswerMs});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(preset(sim, 0, 5, StoredName, StoredRecords));
    window->editor()->setPlainText(write ? NewProgram : EditorBefore);
    window->editor()->document()->setModified(modified);
    // A read asks before it replaces changed text, and the close asks again.
    if (modified && !write)
        dialogs->saveChoices.enqueue(UserDialogs::SaveChoice::Discard);
    if (modified)
        dialogs->saveChoices.enqueue(keepText ? UserDialogs::SaveChoice::Cancel
                                              : UserDialogs::SaveChoice::Discard);
    dialogs->stopChoices.enqueue(stop);
    // Lines, count and name of the new program.
    const int requests = NewRecords.size() + 2;
    int servedWhileAsked = -1;
    if (held) {
        dialogs->whileAsked = [&]() {
            (void)QTest::qWaitFor([&]() { return sim.requestCount() >= requests; }, 20000);
            servedWhileAsked = sim.requestCount();
        };
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    int closeEvents = 0;
    bool visibleAtEnd = false;
    struct CloseCounter : QObject
    {
        int *count;
        explicit CloseCounter(int *counter) : count(counter) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Close)
                ++*count;
            return false;
        }
    } counter(&closeEvents);
    window->installEventFilter(&counter);
    whenPaneShows(write ? lineWritten(1) : lineRead(1), [this]() { window->close(); });
    whenPaneShows(
        last, [&]() { visibleAtEnd = window->isVisible(); }, true);

    QVERIFY(runDeviceAction(write ? "writeAction" : "readAction"));

    // The close waited for the transfer to stop after the request on the line.
    QCOMPARE(paneLines().constLast(), last);
    QVERIFY(visibleAtEnd);
    if (stop && keepText) {
        QTRY_COMPARE(closeEvents, 2);
        QTest::qWait(100);
        QVERIFY(window->isVisible());
        QCOMPARE(paneLines().at(paneLines().size() - 2), Cancelled);
    } else if (stop) {
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(paneLines().at(paneLines().size() - (write ? 2 : 1)), Cancelled);
        QCOMPARE(closeEvents, 2);
    } else {
        QTest::qWait(100);
        QVERIFY(window->isVisible());
        QCOMPARE(closeEvents, 1);
    }
    QVERIFY(!window->isTransferRunning());
    if (held)
        QCOMPARE(servedWhileAsked, requests);
    // The transfer's question comes first; the one about unsaved text once it has stopped.
    QStringList asked;
    if (modified && !write)
        asked << QStringLiteral("ask");
    asked << QStringLiteral("stop");
    if (modified && stop)
        asked << QStringLiteral("ask");
    QCOMPARE(dialogs->kinds(), asked);
    QCOMPARE(dialogs->calls.at(asked.indexOf(QStringLiteral("stop"))).text,
             QStringLiteral("Идёт обмен с прибором. Прервать и закрыть окно?"));
    window->removeEventFilter(&counter);
}

void TestTransfer::progressReachesTotal_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<int>("total");
    // Records plus count and name: the write knows it at once, a read and a compare from the
    // count.
    QTest::newRow("write") << "writeAction" << 5;
    QTest::newRow("read") << "readAction" << 7;
    QTest::newRow("compare") << "compareAction" << 7;
}

void TestTransfer::progressReachesTotal()
{
    QFETCH(QString, actionName);
    QFETCH(int, total);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    QVERIFY(preset(*started, 0, 5, StoredName, StoredRecords));
    window->editor()->setPlainText(NewProgram);
    auto *bar = window->findChild<QProgressBar *>(QStringLiteral("transferProgress"));
    auto *timeLeft = window->findChild<QLabel *>(QStringLiteral("transferTimeLeft"));
    QVERIFY(bar && timeLeft);
    QVERIFY(bar->isHidden());

    QStringList seen;
    bool cancelEnabled = false;
    connect(bar, &QProgressBar::valueChanged, watchers, [&](int value) {
        seen << QStringLiteral("%1/%2").arg(value).arg(bar->maximum());
        cancelEnabled = action("cancelAction")->isEnabled() && !bar->isHidden();
        if (value == 1 &&
            !timeLeft->text().contains(QRegularExpression(QStringLiteral("^осталось \\d+ с$"))))
            seen << QStringLiteral("time left: ") + timeLeft->text();
    });
    QVERIFY(runDeviceAction(actionName));

    QStringList expected;
    for (int done = 1; done <= total; ++done)
        expected << QStringLiteral("%1/%2").arg(done).arg(total);
    QCOMPARE(seen.mid(seen.size() - total), expected);
    QVERIFY(cancelEnabled);
    QVERIFY(bar->isHidden());
    QVERIFY(timeLeft->isHidden());
    QVERIFY(!action("cancelAction")->isEnabled());
}

void TestTransfer::cancelMidTransfer_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QStringList>("pane");
    QTest::addColumn<int>("sent");
    // Esc typed into the open find bar instead of the action: the transfer takes it.
    QTest::addColumn<bool>("escInFindBar");
    // What the cell holds afterwards: its count and name (a write's lines are all new).
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("name");

    // «Прервать» while the third request awaits its reply: that exchange ends, nothing follows.
    const QStringList written{WriteHeading,   lineWritten(0), lineWritten(1),
                              lineWritten(2), Cancelled,      partWritten(1)};
    QTest::newRow("write") << true << written << 3 << false << OldCount << OldName;
    QTest::newRow("read") << false << (readPane(5, QString::fromLatin1(StoredName), 1) << Cancelled)
                          << 3 << false << 5 << QByteArray(StoredName);
    QTest::newRow("write, Esc in the find bar")
        << true << written << 3 << true << OldCount << OldName;
    // The count answered: the warning says it is new.
    QTest::newRow("write, count on the line")
        << true
        << (QStringList(writtenPane(3, QStringLiteral("New")).mid(0, 4))
            << TransferTexts::SizeWritten << Cancelled << TransferTexts::nameNotWritten(1))
        << 4 << false << 3 << OldName;
    // The name answered: the program is whole, and nothing is said against it.
    QTest::newRow("write, name on the line")
        << true << writtenPane(3, QStringLiteral("New")) << 5 << false << 3 << NewName;
}

void TestTransfer::cancelMidTransfer()
{
    QFETCH(bool, write);
    QFETCH(QStringList, pane);
    QFETCH(int, sent);
    QFETCH(bool, escInFindBar);
    QFETCH(int, count);
    QFETCH(QByteArray, name);

    SimulatorProcess *started = connectToSimulator({QStringLiteral("--turnaround"), SlowAnswerMs});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    const Records old = oldRecords();
    QVERIFY(write ? preset(sim, 0, OldCount, OldName, old)
                  : preset(sim, 0, 5, StoredName, StoredRecords));
    const QString text = write ? NewProgram : EditorBefore;
    window->editor()->setPlainText(text);
    QWidget *findBar = nullptr;
    if (escInFindBar) {
        // Keys need a shown, active window.
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        action("findAction")->trigger();
        findBar =
            QApplication::focusWidget() ? QApplication::focusWidget()->parentWidget() : nullptr;
        QVERIFY(findBar && findBar->isVisible());
    }
    whenReceived(sim, sent, [this, escInFindBar]() {
        if (escInFindBar)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            action("cancelAction")->trigger();
    });

    QVERIFY(runDeviceAction(write ? "writeAction" : "readAction"));

    QCOMPARE(paneLines(), pane);
    QCOMPARE(sim.received().size(), sent);
    QCOMPARE(states(), Connected);
    QCOMPARE(window->editor()->toPlainText(), text);
    if (findBar) {
        // The Esc went to the transfer; once idle, Esc closes the bar again.
        QVERIFY(findBar->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!findBar->isVisible());
    }
    const CellImage cell = sim.cellImages().at(0);
    if (write) {
        for (int i = 0; i < OldCount; ++i)
            QCOMPARE(cell.lines.value(i), i < 3 ? NewRecords.at(i) : old.at(i));
    }
    QCOMPARE(cell.count, count);
    QCOMPARE(cell.name, name);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestTransfer::verifyAfterWrite_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("check");
    // The program line a double-click on the check's last line leads to: -1 when that line is
    // no error (not red), 0 when it is red but names no program line.
    QTest::addColumn<int>("sourceLine");

    const QString prefix = QStringLiteral("error: проверка: ");
    QTest::newRow("cell holds what was written")
        << QString() << QStringList{CheckPassed.arg(3)} << -1;
    // Requests 1 to 3 write the records, 4 the count, 5 the name.
    QTest::newRow("second record stored otherwise")
        << "corrupt@2"
        << QStringList{prefix + QStringLiteral(
                                    "запись 1 (строка 3) отличается; всего отличается записей: 1"),
                       // The bytes on both sides, as the command-line tool gives them.
                       prefix + QStringLiteral("запись 1: в программе 01 00 F4 01 00 00 00 00 00 "
                                               "00 00 00 00 00, в приборе 00 00 F4 01 00 00 00 00 "
                                               "00 00 00 00 00 00")}
        << 3;
    QTest::newRow("count stored otherwise")
        << "corrupt@4"
        << QStringList{prefix + QStringLiteral("кол-во записей в программе 3, в приборе 2")} << 0;
    QTest::newRow("name stored otherwise")
        << "corrupt@5"
        << QStringList{prefix + QStringLiteral("имя в программе \"New\", в приборе \"Oew  \"")}
        << 0;
}

void TestTransfer::verifyAfterWrite()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, check);
    QFETCH(int, sourceLine);

    QStringList options;
    if (!fault.isEmpty())
        options << QStringLiteral("--fault") << fault;
    SimulatorProcess *started = connectToSimulator(options);
    QVERIFY(started);
    QVERIFY(!action("verifyAction")->isChecked());
    action("verifyAction")->trigger();
    window->editor()->setPlainText(NewProgram);

    QVERIFY(runDeviceAction("writeAction"));

    // The write's own lines as without the check, then only the check's words.
    QCOMPARE(paneLines(), writtenPane(3, QStringLiteral("New")) + check);
    // The read-back asked for the count, the name and each record it was told of.
    const int readBack = started->received().size() - 5;
    QVERIFY2(readBack >= 4, qPrintable(QString::number(readBack)));
    QCOMPARE(states(), Connected);
    QVERIFY(dialogs->calls.isEmpty());

    // The check's error line is red like a compile's, and a double-click on it puts the editor's
    // cursor on the program line it names.
    QPlainTextEdit *pane = window->outputPane();
    const int index = paneLines().size() - 1;
    bool red = false;
    for (const QTextEdit::ExtraSelection &s : pane->extraSelections())
        red |= s.cursor.blockNumber() == index && s.format.foreground().color() == Qt::red;
    QCOMPARE(red, sourceLine >= 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->editor()->moveCursor(QTextCursor::Start);
    const QTextCursor at(pane->document()->findBlockByNumber(index));
    pane->setTextCursor(at);
    pane->ensureCursorVisible();
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(at).center());
    QCOMPARE(window->editor()->textCursor().blockNumber() + 1, std::max(sourceLine, 1));
}

void TestTransfer::compareLeavesEditorAlone_data()
{
    QTest::addColumn<bool>("same");
    QTest::addColumn<QStringList>("pane");

    const QString prefix = QStringLiteral("error: проверка: ");
    QTest::newRow("cell holds the editor's program")
        << true << QStringList{CompareHeading, CheckPassed.arg(3)};
    QTest::newRow("cell holds another program")
        << false
        << QStringList{CompareHeading,
                       prefix + QStringLiteral("кол-во записей в программе 3, в приборе 7"),
                       prefix + QStringLiteral("имя в программе \"New\", в приборе \"Old  \""),
                       prefix + QStringLiteral(
                                    "запись 0 (строка 2) отличается; всего отличается записей: 3"),
                       prefix + QStringLiteral("запись 0: в программе 0A 00 01 00 00 00 00 00 00 "
                                               "00 00 00 00 00, в приборе 04 00 E8 03 00 00 00 00 "
                                               "00 00 00 00 00 00")};
}

void TestTransfer::compareLeavesEditorAlone()
{
    QFETCH(bool, same);
    QFETCH(QStringList, pane);

    SimulatorProcess *started = connectToSimulator({});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(same ? preset(sim, 0, 3, NewName, NewRecords)
                 : preset(sim, 0, OldCount, OldName, oldRecords()));
    window->editor()->setPlainText(NewProgram);
    window->editor()->document()->setModified(false);
    const int stored = same ? 3 : OldCount;

    QVERIFY(runDeviceAction("compareAction"));

    QCOMPARE(paneLines(), pane);
    // Each error line stays red as the lines after it arrive.
    QStringList red;
    for (const QTextEdit::ExtraSelection &s : window->outputPane()->extraSelections()) {
        if (s.format.foreground().color() == Qt::red)
            red << paneLines().at(s.cursor.blockNumber());
    }
    QCOMPARE(red, pane.filter(QRegularExpression(QStringLiteral("^error: "))));
    QCOMPARE(window->editor()->toPlainText(), NewProgram);
    QVERIFY(!window->editor()->document()->isModified());
    // Reads only: count, name and every stored record, no write.
    QCOMPARE(sim.received().size(), 2 + stored);
    QCOMPARE(sim.cellImages().at(0).count, stored);
    QCOMPARE(states(), Connected);
    QVERIFY(dialogs->calls.isEmpty());
}

void TestTransfer::registerDockAroundAWrite()
{
    SimulatorProcess *started =
        connectToSimulator({QStringLiteral("--turnaround"), QStringLiteral("5")});
    QVERIFY(started);
    SimulatorProcess &sim = *started;
    QVERIFY(sim.setMemory(QStringLiteral("register 03 D2040600")));
    action("registersAction")->trigger();
    auto *dock = window->findChild<RegisterDock *>(QStringLiteral("registerDock"));
    QVERIFY(dock && !dock->isHidden());
    const auto button = [dock](const char *name) {
        return dock->findChild<QPushButton *>(QLatin1String(name));
    };
    const auto status = [dock]() {
        return dock->findChild<QLabel *>(QStringLiteral("registerStatus"))->text();
    };
    auto *table = dock->findChild<QTableWidget *>(QStringLiteral("registerTable"));
    const auto rawOf = [table](const QString &field) {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == field)
                return table->item(row, 2)->text();
        }
        return QString();
    };

    // The save dialog's own suffix: «log» becomes log.csv.
    QTemporaryDir dir;
    dialogs->fileNames.enqueue(dir.filePath(QStringLiteral("log")));
    button("csvButton")->click();
    button("pollButton")->click();
    QVERIFY(dock->isPolling());
    QTRY_VERIFY_WITH_TIMEOUT(dock->poll().polls() >= 2, 10000);
    QCOMPARE(rawOf(QStringLiteral("03.0")), QStringLiteral("1234"));

    // The write takes the line as one job: no poll between its first and last frame.
    window->editor()->setPlainText(NewProgram);
    const int before = sim.received().size();
    QVERIFY(runDeviceAction("writeAction"));
    QCOMPARE(paneLines().constLast(), TransferTexts::WriteSucceeded);
    const CellImage cell = sim.cellImages().at(0);
    QCOMPARE(cell.count, NewRecords.size());
    QCOMPARE(cell.name, NewName);
    const QStringList frames = sim.received().mid(before);
    const auto isCell = [](const QString &frame) { return frame.mid(5, 1) == QLatin1String("B"); };
    const int firstCell =
        int(std::find_if(frames.cbegin(), frames.cend(), isCell) - frames.cbegin());
    const int lastCell =
        int(frames.size() - 1 -
            (std::find_if(frames.crbegin(), frames.crend(), isCell) - frames.crbegin()));
    QCOMPARE(lastCell - firstCell + 1, NewRecords.size() + 2);
    const int polls = dock->poll().polls();
    QTRY_VERIFY_WITH_TIMEOUT(dock->poll().polls() > polls, 10000);

    // A register write is asked first with its frame; declined, nothing goes out.
    dock->findChild<QLineEdit *>(QStringLiteral("writeFirstEdit"))->setText(QStringLiteral("1200"));
    dock->findChild<QLineEdit *>(QStringLiteral("writeSecondEdit"))
        ->setText(QStringLiteral("-300"));
    dialogs->registerChoices.enqueue(false);
    button("writeRegisterButton")->click();
    QCOMPARE(dialogs->calls.constLast().title, QStringLiteral("Запись регистра"));
    const QString question = dialogs->calls.constLast().text;
    const QString asked =
        QStringLiteral("Записать в регистр 03 прибора 0 значения 1200, -300?\nКадр: ");
    QVERIFY2(question.startsWith(asked + QStringLiteral("#00C80311B004D4FE")),
             qPrintable(question));
    QTest::qWait(300);
    QVERIFY(sim.received().filter(QStringLiteral("#00C80311")).isEmpty());
    dialogs->registerChoices.enqueue(true);
    button("writeRegisterButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Регистр 03 записан: 1200, -300"), 10000);
    // The frame shown is the frame sent.
    QCOMPARE(sim.received().filter(QStringLiteral("#00C80311")),
             QStringList{question.mid(asked.size())});
    QTRY_COMPARE_WITH_TIMEOUT(rawOf(QStringLiteral("03.1")), QStringLiteral("-300"), 10000);

    // Disconnecting stops polling, and the log holds every sample taken.
    action("disconnectAction")->trigger();
    QVERIFY(!dock->isPolling());
    QCOMPARE(status(), QStringLiteral("Опрос остановлен: порт закрыт"));
    QVERIFY(waitUntilDeviceIdle());
    button("csvButton")->click();
    QFile log(dir.filePath(QStringLiteral("log.csv")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = log.readAll().split('\n');
    QCOMPARE(rows.first(), QByteArray("time,01.0,01.1,01.2,01.3,01.4,01.5,10.0,10.1,10.2,10.3,"
                                      "10.4,10.5,03.0,03.1"));
    // Header, a line per sample, and the empty rest after the last line feed.
    QCOMPARE(rows.size(), dock->poll().polls() + 2);
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"

#include "testrecord.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSerialPort>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <algorithm>

// The fault matrix: every fault of the line, and Disconnect and "Создать файл" pressed while a
// request waits, at every step of a write and of a read, through the window and the simulated
// supply. Each row checks the pane, the editor, the device's cells, the actions, and that the next
// transfer on the same line works again.
class TestFaults : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void faultDuringWrite_data();
    void faultDuringWrite();
    void faultDuringRead_data();
    void faultDuringRead();
    void duplicateAnswerOfRetriedRead();
    void lateAnswerThenRefusedLastStep_data();
    void lateAnswerThenRefusedLastStep();
    void floodWhileIdle();

private:
    // Starts the supply with `options` and connects the window to it; false says why.
    bool startAndConnect(const QStringList &options, QString *why);
    bool connectAgain(QString *why);
    // Triggers the action once, as soon as the pane shows exactly `before`: the request of the
    // next step has then been sent and is waiting for its reply. The first step's request goes
    // out only after the quiet start.
    void triggerAfter(const QStringList &before, const QString &actionName, bool firstStep);
    // The dump without the cell under test.
    QStringList otherCells();

    // The supply of the current test; the fixture stops it after the window is gone.
    SimulatorProcess *sim = nullptr;
    bool triggered = false;
};

namespace {

// The supply answers as Slave ID 7; the program goes to cell " 3", index 2.
constexpr int SlaveId = 7;
constexpr int Cell = 2;
// A short program: three lines, then the count, then the name. Five requests without retries.
constexpr int Steps = 5;
constexpr int Records = 3;

const QString WriteHeading = QStringLiteral("Запись данных в устройство");
const QString WriteSucceeded = QStringLiteral("Данные успешно записаны");
const QString ReadHeading = QStringLiteral("Чтение данных из устройства");
const QString ReadSucceeded = QStringLiteral("Данные успешно считаны и декодированы");
const QString LineLost = QStringLiteral("Связь с прибором потеряна");
const QString NoAnswer =
    QStringLiteral("Прибор не отвечает: проверьте Slave ID (%1), кабель и питание").arg(SlaveId);
// After a write that stopped once a line was stored; the box shows the cell as Cell + 1.
const QString PartWritten = QStringLiteral("Внимание: в ячейке %1 теперь часть новой программы и "
                                           "прежние число строк и имя — запишите программу снова")
                                .arg(Cell + 1);

using TestRecords::describe;
using TestRecords::record;

// What the window writes: label 1, Us = 500, a jump to record 0.
const QString WriteText = QStringLiteral("prgName = \"New\";\n#1;\nUs = 500;\njmp #1;");
const InstructionList WriteRecords{record(10, 0, 1), record(1, 0, 500), record(3, 0, 0)};
const QByteArray WriteName("New  ");

// What the cell held before the write: seven delays under the name "Old".
SimulatedCell oldCell()
{
    SimulatedCell cell;
    cell.count = 7;
    cell.name = QByteArray("Old  ");
    for (int i = 0; i < 7; ++i)
        cell.lines << record(4, 0, 1000 + i);
    return cell;
}

// What the read fetches: label 2, M1 *= M8, a jump to record 0, under "Rd" and three blanks.
SimulatedCell readCell()
{
    SimulatedCell cell;
    cell.count = Records;
    cell.name = QByteArray("Rd   ");
    cell.lines = InstructionList{record(10, 0, 2), record(9, 0x86, 13), record(3, 0, 0)};
    return cell;
}
const QString ReadText = QStringLiteral("prgName = \"Rd\";\n\n#2;\nM1 *= M8;\njmp #2;");
const QString EditorBeforeRead = QStringLiteral("prgName = \"Ed\";\nnop;");
// The editor after "Создать файл".
const QString NewFileText = QStringLiteral("prgName = \"Prg1\";\n");

const char *const WriteStepNames[Steps] = {"line 0", "line 1", "line 2", "count", "name"};
const char *const ReadStepNames[Steps] = {"count", "name", "line 0", "line 1", "line 2"};

// The pane of a write, up to (not including) what step `step` reports; Steps gives them all.
QStringList writePaneBefore(int step)
{
    QStringList pane{WriteHeading};
    for (int i = 0; i < qMin(step, Records); ++i)
        pane << QStringLiteral("Строка %1 записана").arg(i);
    if (step > Records)
        pane << QStringLiteral("Size записан");
    if (step > Records + 1)
        pane << QStringLiteral("PrgName \"New\" записан") << QString() << WriteSucceeded;
    return pane;
}

QString writeFailure(int step)
{
    if (step < Records)
        return QStringLiteral("Ошибка записи");
    return step == Records ? QStringLiteral("Ошибка записи size")
                           : QStringLiteral("Ошибка записи prgName");
}

QStringList readPaneBefore(int step)
{
    QStringList pane{ReadHeading};
    if (step > 0)
        pane << QStringLiteral("Всего строк 3");
    if (step > 1)
        pane << QStringLiteral("prgName = \"Rd   \"");
    for (int i = 0; i < step - 2; ++i)
        pane << QStringLiteral("Строка %1 считана").arg(i);
    if (step == Steps)
        pane << ReadSucceeded;
    return pane;
}

QString readFailure(int step)
{
    if (step == 0)
        return QStringLiteral("error: ошибка чтения size");
    return step == 1 ? QStringLiteral("error: ошибка чтения prgName")
                     : QStringLiteral("error: ошибка чтения строки");
}

// Faults that leave a request without any answer the link could take for its own.
bool leavesNoAnswer(const QString &rule)
{
    for (const char *kind : {"silent@", "address@", "command@", "source@"}) {
        if (rule.startsWith(QLatin1String(kind)))
            return true;
    }
    return false;
}

// One kind of trouble on the line, as one column set of the matrix.
struct Fault
{
    const char *name;
    // The simulator's fault rules; %1 is the request number of the step, %2 the one after it.
    const char *rule;
    // The action pressed while the step's request waits; empty: none.
    const char *action;
    bool fails;
    // Requests the step costs: the first try and the retries the link makes.
    int tries;
    // The device took the data of the failing write request (only its answer was spoiled).
    bool stored;
    // The window ends Not connected.
    bool portLost;
};

// Writes retry only on silence, up to three tries; an answer that comes is final.
const Fault WriteFaults[] = {
    {"silence", "silent@%1x3", "", true, 3, false, false},
    {"silence twice, third try answered", "silent@%1x2", "", false, 3, false, false},
    {"corrupt CRC", "crc@%1", "", true, 1, true, false},
    // An answer to another station, from another Slave ID or to another command is dropped and
    // the wait goes on to its time-out: the next try's answer counts.
    {"answer to another station, second try answered", "address@%1", "", false, 2, true, false},
    {"other command byte, second try answered", "command@%1", "", false, 2, true, false},
    {"from another Slave ID, second try answered", "source@%1", "", false, 2, true, false},
    {"only answers to something else", "command@%1x3", "", true, 3, true, false},
    // The second answer casts doubt on the first: the step is sent once more.
    {"answer sent twice", "twice@%1", "", false, 2, true, false},
    {"answer repeated late", "repeat@%1", "", false, 1, true, false},
    {"status 0x1E", "status1e@%1", "", true, 1, true, false},
    {"noise before the answer", "noise@%1", "", false, 1, true, false},
    {"answer split in pieces", "split@%1", "", false, 1, true, false},
    {"lowercase hex", "lowercase@%1", "", true, 1, true, false},
    // The second try goes unanswered, so that the late answer of the first is the only one.
    {"late answer, taken by the second try", "late@%1 silent@%2", "", false, 2, true, false},
    {"over-long line", "overlong@%1", "", true, 1, true, false},
    {"hang-up", "hangup@%1", "", true, 1, false, true},
    // The request is kept unanswered so that the press surely falls into its wait.
    {"Disconnect", "silent@%1", "disconnectAction", true, 1, false, true},
    {"Создать файл", "silent@%1", "newAction", false, 2, true, false},
};

// Reads run each request a second time on any failure; the status byte is not checked.
const Fault ReadFaults[] = {
    {"silence", "silent@%1x2", "", true, 2, false, false},
    {"corrupt CRC once, retried", "crc@%1", "", false, 2, false, false},
    {"corrupt CRC", "crc@%1x2", "", true, 2, false, false},
    {"wrong address", "address@%1x2", "", true, 2, false, false},
    {"other command byte", "command@%1x2", "", true, 2, false, false},
    {"from another Slave ID", "source@%1x2", "", true, 2, false, false},
    {"from another Slave ID once, retried", "source@%1", "", false, 2, false, false},
    {"answer sent twice", "twice@%1", "", false, 2, false, false},
    {"answer repeated late", "repeat@%1", "", false, 1, false, false},
    {"status 0x1E, not checked on reads", "status1e@%1", "", false, 1, false, false},
    {"noise before the answer", "noise@%1", "", false, 1, false, false},
    {"answer split in pieces", "split@%1", "", false, 1, false, false},
    {"lowercase hex", "lowercase@%1x2", "", true, 2, false, false},
    {"late answer, taken by the second run", "late@%1 silent@%2", "", false, 2, false, false},
    {"over-long line", "overlong@%1x2", "", true, 2, false, false},
    {"hang-up", "hangup@%1", "", true, 1, false, true},
    {"Disconnect", "silent@%1", "disconnectAction", true, 1, false, true},
    {"Создать файл", "silent@%1", "newAction", false, 2, false, false},
};

void addColumns()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<int>("tries");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("portLost");
}

template <size_t N> void addRows(const Fault (&faults)[N], const char *const (&stepNames)[Steps])
{
    for (const Fault &fault : faults) {
        for (int step = 0; step < Steps; ++step) {
            const QString rule = QString::fromUtf8(fault.rule)
                                     .replace(QStringLiteral("%1"), QString::number(step + 1))
                                     .replace(QStringLiteral("%2"), QString::number(step + 2));
            QTest::addRow("%s at %s", fault.name, stepNames[step])
                << step << rule << QString::fromLatin1(fault.action) << fault.fails << fault.tries
                << fault.stored << fault.portLost;
        }
    }
}

// Reads tried before the duplicate answer of a retried read is taken to be harmless.
constexpr int DuplicateTries = 20;

// After the pane shows a step's line: the next request is then on the line and waiting.
constexpr int PressDelayMs = 20;
// The first request after connecting waits this long for a quiet line.
constexpr int QuietStartMs = 244;

// Lines compared in the cell: the old program had seven.
constexpr int ComparedLines = 8;

// Resident memory of this process in kB, 0 when unknown.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

bool TestFaults::startAndConnect(const QStringList &options, QString *why)
{
    sim = connectToSimulator(
        QStringList{QStringLiteral("--slave"), QString::number(SlaveId)} + options, why);
    if (!sim)
        return false;
    dialogs->calls.clear();
    return true;
}

bool TestFaults::connectAgain(QString *why)
{
    return connectTo(*sim, why);
}

void TestFaults::triggerAfter(const QStringList &before, const QString &actionName, bool firstStep)
{
    QAction *target = action(actionName);
    QVERIFY(target);
    // The pressed steps' requests go unanswered, so a later press still falls into their wait.
    const int delayMs = firstStep ? QuietStartMs + 5 * PressDelayMs : PressDelayMs;
    connect(window->outputPane(), &QPlainTextEdit::textChanged, target,
            [this, before, target, delayMs]() {
                if (triggered || paneLines() != before)
                    return;
                triggered = true;
                // The link waits for a quiet line before it sends; press once the request is out.
                QTimer::singleShot(delayMs, target, &QAction::trigger);
            });
}

QStringList TestFaults::otherCells()
{
    QStringList lines = sim->dump();
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString &line) {
                                   return line.startsWith(QStringLiteral("cell %1 ").arg(Cell)) ||
                                          line.startsWith(QStringLiteral("line %1 ").arg(Cell));
                               }),
                lines.end());
    return lines;
}

void TestFaults::initTestCase()
{
    QVERIFY(isolateSettings());
    if (SimulatorProcess::executable().isEmpty())
        QSKIP("QUORVEL_SIMULATOR is not set: run through ctest");
}

void TestFaults::init()
{
    openWindow();
    // "Создать файл" asks before dropping changed text: drop it.
    dialogs->saveChoices.enqueue(UserDialogs::SaveChoice::Discard);
    window->slaveIdBox()->setValue(SlaveId);
    window->cellBox()->setCurrentIndex(Cell);
    // The matrix counts the write's own requests; the read-back after it has its own tests.
    action("verifyAction")->setChecked(false);
    triggered = false;
}

void TestFaults::cleanup()
{
    closeWindow();
    sim = nullptr;
}

void TestFaults::faultDuringWrite_data()
{
    addColumns();
    addRows(WriteFaults, WriteStepNames);
}

void TestFaults::faultDuringWrite()
{
    QFETCH(int, step);
    QFETCH(QString, rule);
    QFETCH(QString, press);
    QFETCH(bool, fails);
    QFETCH(int, tries);
    QFETCH(bool, stored);
    QFETCH(bool, portLost);

    QString why;
    QVERIFY2(startAndConnect({}, &why), qPrintable(why));
    QVERIFY(sim->setCell(Cell, oldCell()));
    const QStringList others = otherCells();
    QVERIFY(sim->addFault(rule));
    window->editor()->setPlainText(WriteText);
    if (!press.isEmpty())
        triggerAfter(writePaneBefore(step), press, step == 0);

    action(QStringLiteral("writeAction"))->trigger();

    QVERIFY(!window->isTransferRunning());
    QCOMPARE(triggered, !press.isEmpty());
    QStringList pane = writePaneBefore(fails ? step : Steps);
    if (fails) {
        pane << writeFailure(step);
        // Not a single answer: the pane names the likely causes.
        if (step == 0 && !portLost && leavesNoAnswer(rule))
            pane << NoAnswer;
        // A hang-up closes the line under the write; Disconnect is the user's own doing.
        if (portLost && press.isEmpty())
            pane << LineLost;
        // Every step before the failing one was acknowledged.
        if (step > 0)
            pane << PartWritten;
    }
    // "Создать файл" empties the pane; the write goes on reporting into the empty pane.
    if (press == QLatin1String("newAction"))
        pane = pane.mid(writePaneBefore(step).size());
    QCOMPARE(paneLines(), pane);
    QCOMPARE(paneLines().contains(WriteSucceeded), !fails);
    QCOMPARE(window->editor()->toPlainText(),
             press == QLatin1String("newAction") ? NewFileText : WriteText);
    QCOMPARE(states(), portLost ? NotConnected : Connected);
    QCOMPARE(window->serialPort()->isOpen(), !portLost);
    QCOMPARE(dialogs->kinds().contains(QStringLiteral("critical")), false);

    // Nothing after the failing step reaches the device. Answered with a line's command byte,
    // the count's first try reads as a second answer to the line before, which goes again.
    const int resent =
        rule.startsWith(QLatin1String("command@")) && step == Records && !fails ? 1 : 0;
    QCOMPARE(sim->requestCount(), (fails ? step + tries : Steps + tries - 1) + resent);

    // The cell: what was acknowledged is new, what was never sent is old; the failing request's
    // data is there when only its answer was spoiled.
    SimulatedCell expected = oldCell();
    const int newLines = fails ? qMin(step + (stored ? 1 : 0), Records) : Records;
    for (int i = 0; i < newLines; ++i)
        expected.lines[i] = WriteRecords.at(i);
    if (!fails || step > Records || (step == Records && stored))
        expected.count = Records;
    if (!fails || (step == Records + 1 && stored))
        expected.name = WriteName;
    QCOMPARE(describe(sim->cell(Cell), ComparedLines), describe(expected, ComparedLines));
    QCOMPARE(otherCells(), others);

    // The same line works again once the trouble is over.
    QVERIFY(sim->clearFaults());
    if (portLost) {
        if (rule.startsWith(QLatin1String("hangup")))
            return; // the supply has hung up for good
        QVERIFY2(connectAgain(&why), qPrintable(why));
    }
    window->editor()->setPlainText(WriteText);
    action(QStringLiteral("writeAction"))->trigger();
    QCOMPARE(paneLines(), writePaneBefore(Steps));
    expected.count = Records;
    expected.name = WriteName;
    for (int i = 0; i < Records; ++i)
        expected.lines[i] = WriteRecords.at(i);
    QCOMPARE(describe(sim->cell(Cell), ComparedLines), describe(expected, ComparedLines));
    QCOMPARE(states(), Connected);
}

void TestFaults::faultDuringRead_data()
{
    addColumns();
    addRows(ReadFaults, ReadStepNames);
}

void TestFaults::faultDuringRead()
{
    QFETCH(int, step);
    QFETCH(QString, rule);
    QFETCH(QString, press);
    QFETCH(bool, fails);
    QFETCH(int, tries);
    QFETCH(bool, portLost);

    QString why;
    QVERIFY2(startAndConnect({}, &why), qPrintable(why));
    QVERIFY(sim->setCell(Cell, readCell()));
    const QStringList before = sim->dump();
    QVERIFY(sim->addFault(rule));
    window->editor()->setPlainText(EditorBeforeRead);
    if (!press.isEmpty())
        triggerAfter(readPaneBefore(step), press, step == 0);

    action(QStringLiteral("readAction"))->trigger();

    QVERIFY(!window->isTransferRunning());
    QCOMPARE(triggered, !press.isEmpty());
    QStringList pane = readPaneBefore(fails ? step : Steps);
    if (fails)
        pane << readFailure(step);
    if (fails && step == 0 && !portLost && leavesNoAnswer(rule))
        pane << NoAnswer;
    if (fails && portLost && press.isEmpty())
        pane << LineLost;
    if (press == QLatin1String("newAction"))
        pane = pane.mid(readPaneBefore(step).size());
    QCOMPARE(paneLines(), pane);
    QCOMPARE(paneLines().contains(ReadSucceeded), !fails);
    // A failed read leaves the editor alone; a read that got everything shows the program, also
    // over the text "Создать файл" put there meanwhile.
    QCOMPARE(window->editor()->toPlainText(), fails ? EditorBeforeRead : ReadText);
    QCOMPARE(states(), portLost ? NotConnected : Connected);
    QCOMPARE(window->serialPort()->isOpen(), !portLost);
    QCOMPARE(sim->requestCount(), fails ? step + tries : Steps + tries - 1);
    QCOMPARE(sim->dump(), before);

    QVERIFY(sim->clearFaults());
    if (portLost) {
        if (rule.startsWith(QLatin1String("hangup")))
            return; // the supply has hung up for good
        QVERIFY2(connectAgain(&why), qPrintable(why));
    }
    window->editor()->setPlainText(EditorBeforeRead);
    action(QStringLiteral("readAction"))->trigger();
    QCOMPARE(paneLines(), readPaneBefore(Steps));
    QCOMPARE(window->editor()->toPlainText(), ReadText);
    QCOMPARE(states(), Connected);
}

// A late answer arrives while the retry of its request waits, and the retry's own answer follows
// right behind it. The link takes the first; the second must not pass for the answer to the next
// request. With the supply timed like a real 9600 baud line the second answer lands in the
// port's input just after the first has been taken: the next record is then read as a copy of
// this one and the read reports success with a program the device does not hold.
void TestFaults::duplicateAnswerOfRetriedRead()
{
    QString why;
    QVERIFY2(startAndConnect({QStringLiteral("--pace")}, &why), qPrintable(why));
    QVERIFY(sim->setCell(Cell, readCell()));

    QStringList pane;
    QString editor;
    for (int attempt = 0; attempt < DuplicateTries; ++attempt) {
        // Line 1 is the fourth request of a read: count, name, line 0, line 1.
        const int lineOne = sim->requestCount() + 4;
        QVERIFY(sim->clearFaults());
        QVERIFY(sim->addFault(QStringLiteral("late@%1").arg(lineOne)));
        window->editor()->setPlainText(EditorBeforeRead);
        action(QStringLiteral("readAction"))->trigger();
        pane = paneLines();
        editor = window->editor()->toPlainText();
        if (pane.contains(ReadSucceeded) && editor != ReadText)
            break;
    }
    qInfo().noquote() << "pane:" << pane.join(QStringLiteral(" | ")) << "\neditor:" << editor;
    // The retry's own answer follows the late one it took; the link drops it, so the next record
    // is not read as a copy of this one.
    QCOMPARE(editor, pane.contains(ReadSucceeded) ? ReadText : EditorBeforeRead);
}

// A first transfer gives up on a request whose answers all come late; the second transfer, started
// at once on a line timed like a real one, meets those answers while its last step is refused. It
// must end with that step's failure line, never with a success over what the late answers said.
void TestFaults::lateAnswerThenRefusedLastStep_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("firstFault");
    QTest::addColumn<QString>("refusal");
    // Write: line 0, then line 1 tried three times (requests 2 to 4); the second write's name
    // (command BA, cell 3) is refused.
    QTest::newRow("write, then a write whose name is refused") << true << "late@2x3"
                                                               << "status1e@cmd=BA";
    // Read: the count run twice (requests 1, 2); the second read's last line is request 7.
    QTest::newRow("read, then a read whose last line is refused") << false << "late@1x2"
                                                                  << "crc@7x2";
}

void TestFaults::lateAnswerThenRefusedLastStep()
{
    QFETCH(bool, write);
    QFETCH(QString, firstFault);
    QFETCH(QString, refusal);
    QString why;
    // Later than every try of the request: it gives up before the first answer comes.
    QVERIFY2(startAndConnect(
                 {QStringLiteral("--pace"), QStringLiteral("--late-delay"), QStringLiteral("800")},
                 &why),
             qPrintable(why));
    QVERIFY(sim->setCell(Cell, write ? oldCell() : readCell()));
    QVERIFY(sim->addFault(firstFault));
    QVERIFY(sim->addFault(refusal));
    const QString editor = write ? WriteText : EditorBeforeRead;
    window->editor()->setPlainText(editor);
    QAction *transfer =
        action(write ? QStringLiteral("writeAction") : QStringLiteral("readAction"));

    transfer->trigger();
    // The first write has stored line 0 when line 1 fails.
    // The first read had no answer in time at all.
    QCOMPARE(paneLines().constLast(), write ? PartWritten : NoAnswer);
    if (!write)
        QCOMPARE(paneLines().value(paneLines().size() - 2), readFailure(0));
    transfer->trigger();

    const int last = Steps - 1;
    QStringList pane = write ? writePaneBefore(last) : readPaneBefore(last);
    pane << (write ? writeFailure(last) : readFailure(last));
    if (write)
        pane << PartWritten;
    QCOMPARE(paneLines(), pane);
    QCOMPARE(window->editor()->toPlainText(), editor);
    // A late answer that lands after a line was answered puts that line in doubt, and it goes
    // again: the write may take more requests, never fewer.
    if (write)
        QVERIFY2(sim->requestCount() >= 9, qPrintable(QString::number(sim->requestCount())));
    else
        QCOMPARE(sim->requestCount(), 8);
    if (write) {
        // Status 0x1E: the supply took the name but said no.
        SimulatedCell expected = oldCell();
        expected.count = Records;
        expected.name = WriteName;
        for (int i = 0; i < Records; ++i)
            expected.lines[i] = WriteRecords.at(i);
        QCOMPARE(describe(sim->cell(Cell), ComparedLines), describe(expected, ComparedLines));
    }
    QCOMPARE(states(), Connected);
}

// A supply that floods the line while the window sits connected and idle: the window reads and
// drops it as it comes, so its memory stays flat, and none of it feeds the next read.
void TestFaults::floodWhileIdle()
{
    QString why;
    QVERIFY2(startAndConnect({}, &why), qPrintable(why));
    QVERIFY(sim->setCell(Cell, readCell()));
    window->editor()->setPlainText(EditorBeforeRead);
    constexpr int FloodMs = 2000;
    // Far below what the flood brings in that time.
    constexpr qint64 GrowthLimitKb = 4096;
    const qint64 before = residentKb();
    QCOMPARE(sim->command(QStringLiteral("flood %1").arg(FloodMs)), QStringList{"ok"});
    qint64 most = before;
    QElapsedTimer flood;
    flood.start();
    while (flood.elapsed() < FloodMs + 200) {
        QTest::qWait(50);
        most = qMax(most, residentKb());
    }
    qInfo("resident memory %lld kB before the flood, at most %lld kB during it", before, most);
    QVERIFY2(most - before < GrowthLimitKb, qPrintable(QString::number(most - before)));

    action(QStringLiteral("readAction"))->trigger();
    QCOMPARE(paneLines(), readPaneBefore(Steps));
    QCOMPARE(window->editor()->toPlainText(), ReadText);
    QCOMPARE(sim->requestCount(), Steps);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"

#include "devicelink.h"
#include "faultmatrix.h"
#include "programtransfer.h"
#include "simulatorprocess.h"
#include "testrecord.h"
#include "transfertexts.h"

#include <QSerialPort>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace FaultMatrix;
using TestRecords::describe;

// The fault matrix at the link: every fault at every step of a write and of a read, through a
// ProgramTransfer on one DeviceLink, against one simulated supply per table whose faults are
// changed between rows. Each row checks the transfer's report and result, the device's cells,
// the requests the supply saw, and that the next transfer on the same line works again. What the
// window makes of each outcome is tst_faults' business.
class TestLinkFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void faultDuringWrite_data();
    void faultDuringWrite();
    void faultDuringRead_data();
    void faultDuringRead();

private:
    // A running supply with the port open on it and a link on the port; a supply that hung up
    // is replaced. False says why.
    bool ready(QString *why);
    bool openPort(QString *why);
    void restart();
    // The dump without the cell under test.
    QStringList otherCells();
    // A repeated answer goes out a late delay after the first, maybe after the row's last
    // transfer: wait until the supply has sent it (its log, from line `from` on, then holds one
    // answer more than requests), so that it cannot land in the next row's requests. A late
    // answer needs no wait: the row's second try has taken it.
    void letRepeatPass(const QString &rule, int from);
    int logLines() { return sim->log().size(); }

    // Where a row starts: the requests served and the log's length before it, and, for the
    // Disconnect rows, the port closing at the faulted request.
    struct Armed
    {
        int served = -1;
        int logFrom = 0;
        std::unique_ptr<OnRequest> disconnect;
    };
    // Readies the supply, sets the cell under test and arms the row's fault from the next
    // request on. False says why.
    bool arm(const QString &rule, int step, const QString &pressed, const SimulatedCell &cell,
             Armed &armed, QString *why);

    std::unique_ptr<SimulatorProcess> sim;
    QSerialPort port;
    std::unique_ptr<DeviceLink> link;
};

namespace {

// Far beyond the supply's late delay of 400 ms.
constexpr int RepeatTimeoutMs = 5000;

int tagged(const QStringList &log, const QString &tag)
{
    return int(std::count_if(log.cbegin(), log.cend(),
                             [&tag](const QString &line) { return line.startsWith(tag); }));
}

} // namespace

void TestLinkFaults::initTestCase()
{
    if (SimulatorProcess::executable().isEmpty())
        QSKIP("QUORVEL_SIMULATOR is not set: run through ctest");
}

void TestLinkFaults::cleanupTestCase()
{
    restart();
}

void TestLinkFaults::restart()
{
    link.reset();
    port.close();
    sim.reset();
}

bool TestLinkFaults::arm(const QString &rule, int step, const QString &pressed,
                         const SimulatedCell &cell, Armed &armed, QString *why)
{
    if (!ready(why))
        return false;
    armed.served = sim->requestCount();
    armed.logFrom = logLines();
    if (armed.served < 0 || !sim->setCell(Cell, cell) ||
        !sim->addFault(ruleAt(rule, step, armed.served))) {
        *why = QStringLiteral("the supply did not take the row's cell or fault");
        return false;
    }
    if (pressed == DisconnectAction)
        armed.disconnect =
            std::make_unique<OnRequest>(*sim, armed.served + step + 1, [this]() { port.close(); });
    return true;
}

bool TestLinkFaults::ready(QString *why)
{
    if (sim && sim->isRunning() && port.isOpen() && port.error() == QSerialPort::NoError)
        return true;
    restart();
    sim = std::make_unique<SimulatorProcess>();
    if (!sim->start({QStringLiteral("--slave"), QString::number(SlaveId)})) {
        *why = sim->errorString();
        return false;
    }
    return openPort(why);
}

bool TestLinkFaults::openPort(QString *why)
{
    link.reset();
    port.close();
    port.setPortName(sim->portPath());
    if (!port.open(QIODevice::ReadWrite)) {
        *why = port.errorString();
        return false;
    }
    DeviceLink::applyLineSettings(port);
    link = std::make_unique<DeviceLink>(&port);
    link->setTraceDevice(nullptr);
    return true;
}

QStringList TestLinkFaults::otherCells()
{
    return FaultMatrix::otherCells(*sim);
}

void TestLinkFaults::letRepeatPass(const QString &rule, int from)
{
    if (!rule.startsWith(QLatin1String("repeat@")))
        return;
    const auto sentAll = [this, from]() {
        const QStringList log = sim->log().mid(from);
        return tagged(log, QStringLiteral("TX ")) == tagged(log, QStringLiteral("RX ")) + 1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sentAll(), RepeatTimeoutMs);
}

void TestLinkFaults::faultDuringWrite_data()
{
    addColumns();
    addRows(WriteFaults, WriteStepNames);
}

// "Создать файл" has no part in the link: its rows show what the link does with the silence the
// press fell into. Disconnect closes the port.
void TestLinkFaults::faultDuringWrite()
{
    QFETCH(int, step);
    QFETCH(QString, rule);
    QFETCH(QString, pressed);
    QFETCH(bool, fails);
    QFETCH(int, tries);
    QFETCH(bool, stored);
    QFETCH(bool, portLost);

    QString why;
    Armed armed;
    QVERIFY2(arm(rule, step, pressed, oldCell(), armed, &why), qPrintable(why));
    const int served = armed.served;
    const QStringList others = otherCells();

    QStringList report;
    ProgramTransfer transfer(*link, SlaveId, Cell, [&report](const QString &text) {
        report << text.split(QLatin1Char('\n'));
    });
    const ProgramTransfer::WriteResult result = transfer.write(WriteRecords, QStringLiteral("New"));

    if (armed.disconnect)
        QVERIFY(armed.disconnect->done());
    QStringList expected =
        TransferTexts::writeReportBefore(fails ? step : Steps, Records, QStringLiteral("New"));
    if (fails)
        expected << TransferTexts::writeFailure(step, Records);
    QCOMPARE(report, expected);
    QCOMPARE(report.contains(TransferTexts::WriteSucceeded), !fails);
    const ProgramTransfer::WriteResult failure =
        step < Records    ? ProgramTransfer::WriteResult::LineFailed
        : step == Records ? ProgramTransfer::WriteResult::SizeFailed
                          : ProgramTransfer::WriteResult::NameFailed;
    QCOMPARE(result, fails ? failure : ProgramTransfer::WriteResult::Written);
    // The window warns of a half-written cell exactly when a line was stored.
    QCOMPARE(transfer.storedLines(), fails ? qMin(step, Records) : Records);
    QCOMPARE(port.isOpen() && port.error() == QSerialPort::NoError, !portLost);

    QCOMPARE(sim->requestCount() - served, requestsSeen(rule, step, fails, tries));
    SimulatedCell cell = cellAfterWrite(fails, step, stored);
    const SimulatedCell held = sim->cell(Cell);
    QCOMPARE(describe(held, ComparedLines), describe(cell, ComparedLines));
    QCOMPARE(otherCells(), others);
    // What the transfer says the cell holds never contradicts it: a part called stored is new,
    // a part called not stored is old; only an unanswered part is left open.
    const ProgramTransfer::CellState &state = transfer.cellState();
    if (state.countStored)
        QCOMPARE(held.count == Records, *state.countStored);
    if (state.nameStored)
        QCOMPARE(held.name == WriteName, *state.nameStored);
    for (int i = 0; i < state.storedLines; ++i)
        QCOMPARE(held.lines.value(i), WriteRecords.at(i));
    QCOMPARE(ProgramTransfer::cellStateWarning(state, Cell + 1),
             fails && step > 0 ? cellWarning(step) : QString());

    // The same line works again once the trouble is over.
    QVERIFY(sim->clearFaults());
    if (portLost) {
        if (rule.startsWith(QLatin1String("hangup")))
            return; // the supply has hung up for good: the next row starts another
        QVERIFY2(openPort(&why), qPrintable(why));
    }
    report.clear();
    QCOMPARE(
        ProgramTransfer(*link, SlaveId, Cell,
                        [&report](const QString &text) { report << text.split(QLatin1Char('\n')); })
            .write(WriteRecords, QStringLiteral("New")),
        ProgramTransfer::WriteResult::Written);
    QCOMPARE(report, TransferTexts::writeReportBefore(Steps, Records, QStringLiteral("New")));
    cell = cellAfterWrite(false, Steps, true);
    QCOMPARE(describe(sim->cell(Cell), ComparedLines), describe(cell, ComparedLines));
    letRepeatPass(rule, armed.logFrom);
}

void TestLinkFaults::faultDuringRead_data()
{
    addColumns();
    addRows(ReadFaults, ReadStepNames);
}

void TestLinkFaults::faultDuringRead()
{
    QFETCH(int, step);
    QFETCH(QString, rule);
    QFETCH(QString, pressed);
    QFETCH(bool, fails);
    QFETCH(int, tries);
    QFETCH(bool, portLost);

    QString why;
    Armed armed;
    QVERIFY2(arm(rule, step, pressed, readCell(), armed, &why), qPrintable(why));
    const int served = armed.served;
    const QStringList before = sim->dump();

    const SimulatedCell stored = readCell();
    const QString storedName = QString::fromLatin1(stored.name);
    QStringList report;
    ProgramTransfer transfer(*link, SlaveId, Cell,
                             [&report](const QString &text) { report << text; });
    const ProgramTransfer::ReadResult result = transfer.read();

    if (armed.disconnect)
        QVERIFY(armed.disconnect->done());
    QStringList expected =
        TransferTexts::readReportBefore(fails ? step : Steps, Records, storedName);
    if (fails)
        expected << TransferTexts::readFailure(step);
    QCOMPARE(report, expected);
    const ProgramTransfer::ReadStatus failure = step == 0 ? ProgramTransfer::ReadStatus::SizeFailed
                                                : step == 1
                                                    ? ProgramTransfer::ReadStatus::NameFailed
                                                    : ProgramTransfer::ReadStatus::LineFailed;
    QCOMPARE(result.status, fails ? failure : ProgramTransfer::ReadStatus::Read);
    // A failed read hands over nothing; one that got everything, exactly what the cell holds.
    QCOMPARE(describe(result.records), fails ? QStringList() : describe(stored.lines));
    QCOMPARE(result.name, fails ? QString() : storedName);
    QCOMPARE(port.isOpen() && port.error() == QSerialPort::NoError, !portLost);
    QCOMPARE(sim->requestCount() - served, fails ? step + tries : Steps + tries - 1);
    QCOMPARE(sim->dump(), before);

    QVERIFY(sim->clearFaults());
    if (portLost) {
        if (rule.startsWith(QLatin1String("hangup")))
            return; // the supply has hung up for good: the next row starts another
        QVERIFY2(openPort(&why), qPrintable(why));
    }
    report.clear();
    const ProgramTransfer::ReadResult again =
        ProgramTransfer(*link, SlaveId, Cell, [&report](const QString &text) {
            report << text;
        }).read();
    QCOMPARE(again.status, ProgramTransfer::ReadStatus::Read);
    QCOMPARE(report, TransferTexts::readReportBefore(Steps, Records, storedName));
    QCOMPARE(describe(again.records), describe(stored.lines));
    letRepeatPass(rule, armed.logFrom);
}

QTEST_GUILESS_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"

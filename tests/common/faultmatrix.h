#pragma once

#include "simulatedcell.h"
#include "simulatorprocess.h"
#include "testrecord.h"
#include "transfertexts.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>

// The fault matrix: every fault of the line, and a press of Disconnect or "Создать файл" while a
// request waits, at every step of a write and of a read. The link test runs every row against one
// simulated supply per table; the window test runs one row per outcome the window shows.
namespace FaultMatrix {

// The supply answers as Slave ID 7; the program goes to cell " 3", index 2.
constexpr int SlaveId = 7;
constexpr int Cell = 2;
// A short program: three lines, then the count, then the name. Five requests without retries.
constexpr int Steps = 5;
constexpr int Records = 3;
// Lines compared in the cell: the old program had seven.
constexpr int ComparedLines = 8;

inline const QString PartWritten = TransferTexts::partWritten(Cell + 1);

// What the window writes: label 1, Us = 500, a jump to record 0.
inline const QString WriteText = QStringLiteral("prgName = \"New\";\n#1;\nUs = 500;\njmp #1;");
inline const InstructionList WriteRecords{
    TestRecords::record(10, 0, 1), TestRecords::record(1, 0, 500), TestRecords::record(3, 0, 0)};
inline const QByteArray WriteName("New  ");

// What the cell held before the write: seven delays under the name "Old".
// The supply's dump without the cell under test: what a fault there must leave alone.
inline QStringList otherCells(SimulatorProcess &sim)
{
    QStringList lines = sim.dump();
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString &line) {
                                   return line.startsWith(QStringLiteral("cell %1 ").arg(Cell)) ||
                                          line.startsWith(QStringLiteral("line %1 ").arg(Cell));
                               }),
                lines.end());
    return lines;
}

inline SimulatedCell oldCell()
{
    SimulatedCell cell;
    cell.count = 7;
    cell.name = QByteArray("Old  ");
    for (int i = 0; i < 7; ++i)
        cell.lines << TestRecords::record(4, 0, 1000 + i);
    return cell;
}

// What the read fetches: label 2, M1 *= M8, a jump to record 0, under "Rd" and three blanks.
inline SimulatedCell readCell()
{
    SimulatedCell cell;
    cell.count = Records;
    cell.name = QByteArray("Rd   ");
    cell.lines = InstructionList{TestRecords::record(10, 0, 2), TestRecords::record(9, 0x86, 13),
                                 TestRecords::record(3, 0, 0)};
    return cell;
}
inline const QString ReadText = QStringLiteral("prgName = \"Rd\";\n\n#2;\nM1 *= M8;\njmp #2;");

inline const char *const WriteStepNames[Steps] = {"line 0", "line 1", "line 2", "count", "name"};
inline const char *const ReadStepNames[Steps] = {"count", "name", "line 0", "line 1", "line 2"};

// The pane of a write, up to (not including) what step `step` reports; Steps gives them all.
inline QStringList writePaneBefore(int step)
{
    return QStringList{TransferTexts::WriteHeading} +
           TransferTexts::writeReportBefore(step, Records, QStringLiteral("New"));
}

inline QStringList readPaneBefore(int step)
{
    QStringList pane{TransferTexts::ReadHeading};
    pane << TransferTexts::readReportBefore(step, Records, QStringLiteral("Rd   "));
    if (step == Steps)
        pane << TransferTexts::ReadSucceeded;
    return pane;
}

// The cell after a write that failed at `step` (or succeeded): what was acknowledged is new, what
// was never sent is old; the failing request's data is there when only its answer was spoiled.
inline SimulatedCell cellAfterWrite(bool fails, int step, bool stored)
{
    SimulatedCell expected = oldCell();
    const int newLines = fails ? qMin(step + (stored ? 1 : 0), Records) : Records;
    for (int i = 0; i < newLines; ++i)
        expected.lines[i] = WriteRecords.at(i);
    if (!fails || step > Records || (step == Records && stored))
        expected.count = Records;
    if (!fails || (step == Records + 1 && stored))
        expected.name = WriteName;
    return expected;
}

// What the pane says of the cell after a write that failed at `step` (past line 0): a request
// that went out may have been carried out, whatever its answer said.
inline QString cellWarning(int step)
{
    if (step < Records)
        return PartWritten;
    return step == Records ? TransferTexts::countMaybeWritten(Cell + 1)
                           : TransferTexts::maybeWholeWritten(Cell + 1);
}

// Requests the supply sees for a row. Answered with a line's command byte, the count's first
// try reads as a second answer to the line before, which goes again.
inline int requestsSeen(const QString &rule, int step, bool fails, int tries)
{
    const int resent =
        rule.startsWith(QLatin1String("command@")) && step == Records && !fails ? 1 : 0;
    return (fails ? step + tries : Steps + tries - 1) + resent;
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
    // The line is gone at the end (hang-up or Disconnect).
    bool portLost;
};

inline const QString DisconnectAction = QStringLiteral("disconnectAction");
inline const QString NewAction = QStringLiteral("newAction");

// Writes retry only on silence, up to three tries; an answer that comes is final.
inline const Fault WriteFaults[] = {
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
inline const Fault ReadFaults[] = {
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

inline void addColumns()
{
    QTest::addColumn<int>("step");
    // The rule with %1 and %2 still open: a supply that has served requests before shifts them.
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<int>("tries");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("portLost");
}

inline void addRow(const Fault &fault, int step, const char *stepName)
{
    QTest::addRow("%s at %s", fault.name, stepName)
        << step << QString::fromUtf8(fault.rule) << QString::fromLatin1(fault.action) << fault.fails
        << fault.tries << fault.stored << fault.portLost;
}

// Every fault at every step; `keep` picks rows by fault and step (all when empty).
template <size_t N>
void addRows(const Fault (&faults)[N], const char *const (&stepNames)[Steps],
             const std::function<bool(const Fault &, int)> &keep = {})
{
    for (const Fault &fault : faults) {
        for (int step = 0; step < Steps; ++step) {
            if (!keep || keep(fault, step))
                addRow(fault, step, stepNames[step]);
        }
    }
}

// The rules of a row for a supply that has served `served` requests before it.
inline QString ruleAt(const QString &rule, int step, int served)
{
    const int request = served + step + 1;
    return QString(rule)
        .replace(QStringLiteral("%1"), QString::number(request))
        .replace(QStringLiteral("%2"), QString::number(request + 1));
}

// Calls `act` once, as soon as the supply has taken its request number `request`: that request
// is then on the line and waiting for its reply. The supply is asked every few milliseconds
// while the caller's event loop runs, so a loaded machine delays the act, never moves it before
// the request.
class OnRequest : public QObject
{
public:
    static constexpr int PollMs = 2;

    OnRequest(SimulatorProcess &supply, int request, std::function<void()> act)
        : sim(supply), awaited(request), action(std::move(act))
    {
        connect(&poll, &QTimer::timeout, this, [this]() {
            if (sim.requestCount() < awaited)
                return;
            poll.stop();
            acted = true;
            action();
        });
        poll.start(PollMs);
    }

    bool done() const { return acted; }

private:
    SimulatorProcess &sim;
    int awaited;
    std::function<void()> action;
    QTimer poll;
    bool acted = false;
};

} // namespace FaultMatrix

#pragma once

#include "deviceprotocol.h"
#include "instruction.h"
#include "linkresult.h"

#include <QString>

#include <QHash>
#include <QVector>

#include <atomic>
#include <functional>
#include <optional>

class DeviceLink;

// The order of requests that moves a compiled program into a memory cell and back, and the line
// reported for each step. The window and the command-line tool both run their transfers here.
class ProgramTransfer
{
public:
    // Receives each report line as it happens; a text may hold a line feed.
    using Reporter = std::function<void(const QString &text)>;
    // Told after every answered request: done of total requests, where total is the record count
    // plus two (count and name). A read learns the total from its first answer.
    using Progress = std::function<void(int done, int total)>;

    enum class WriteResult
    {
        Written,
        NothingToWrite,
        TooManyRecords,
        BadName,
        LineFailed,
        SizeFailed,
        NameFailed,
        // cancel() took effect between two requests.
        Cancelled,
    };

    enum class ReadStatus
    {
        Read,
        SizeFailed,
        NoRecords,
        BadCount,
        NameFailed,
        LineFailed,
        Cancelled,
    };

    struct ReadResult
    {
        ReadStatus status = ReadStatus::SizeFailed;
        // The five name characters exactly as stored, trailing blanks included.
        QString name;
        InstructionList records;
    };

    // What the cell holds after a write, as far as the device's answers tell. A request that
    // went out without a sound answer leaves its part unknown: the device may have stored it.
    struct CellState
    {
        // Lines acknowledged, from line 0 on; the lines after them hold what they held.
        int storedLines = 0;
        // Line storedLines went out, and no answer said whether it was stored.
        bool lineInDoubt = false;
        // true: acknowledged; false: not sent, or refused; nullopt: sent, answer missing.
        std::optional<bool> countStored = false;
        std::optional<bool> nameStored = false;

        // Something of the new program may be in the cell.
        bool touched() const
        {
            return storedLines > 0 || countStored != false || nameStored != false;
        }
    };

    // Memory-cell access codes the transfers pass with every request.
    static constexpr quint8 WriteAccess = DeviceProtocol::AccessMemoryWrite;
    static constexpr quint8 ReadAccess = DeviceProtocol::AccessMemoryRead;

    ProgramTransfer(DeviceLink &link, quint8 slaveId, int cell, Reporter report);

    // Writes lines, then the count, then the name. The caller shows the heading first and keeps
    // program and name unchanged for the call (pass copies when other code may touch them).
    WriteResult write(const InstructionList &program, const QString &name);
    // Reads the count, the name and every record. The caller shows the heading first.
    ReadResult read();

    // Optional; set before write() or read().
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Asks the running write() or read() to stop; the exchange in flight ends first, and the
    // transfer then returns Cancelled without a report line. Safe from any thread; it holds for
    // every later write() and read() of this transfer too.
    void cancel() { m_cancelRequested = true; }
    bool cancelRequested() const { return m_cancelRequested; }
    // Lines the last write() had acknowledged when it ended.
    int storedLines() const { return m_cellState.storedLines; }
    // What the last write() left in the cell.
    const CellState &cellState() const { return m_cellState; }

    // How long the line needs for the request at `index` (0-based, in the order sent) of a write
    // or read of `total` requests: both frames at 9600 baud, in microseconds.
    static qint64 requestLineMicros(bool write, int index, int total);
    // Time left in milliseconds once `done` of `total` requests have been answered in
    // `elapsedMs`: the line time of the rest, each with the turnaround seen so far on top.
    static qint64 remainingMs(bool write, int done, int total, qint64 elapsedMs);

    // What the pane says after a write that stopped or failed with something of the new program
    // in the cell (1..4): which parts are new, which old and which unknown. Empty when the cell
    // is untouched or holds the whole new program.
    static QString cellStateWarning(const CellState &state, int cellNumber);

    // Whether a name can travel in the five name bytes.
    static bool nameFitsDevice(const QString &name);

    // Whether the last transfer ended because the device answered one request twice, twice in a
    // row, so that no answer could be trusted.
    bool answeredTwice() const { return m_answeredTwice; }
    // Whether the last transfer failed without a single answer understood: a request went
    // unanswered and none before it was answered.
    bool unanswered() const;

private:
    DeviceLink &m_link;
    quint8 m_slaveId;
    int m_cell;
    Reporter m_report;
    Progress m_progress;
    std::atomic<bool> m_cancelRequested{false};
    CellState m_cellState;
    bool m_answeredTwice = false;
    LinkResult m_lastFailure = LinkResult::Success;
    quint64 m_answersBefore = 0;

    // The requests of the running transfer by step, so that one whose answer came into doubt
    // can be sent again, and which step each answered exchange belongs to.
    using Step = std::function<LinkResult()>;
    QVector<Step> m_steps;
    QHash<quint64, int> m_exchangeSteps;
    int m_doubtStep = -1;
    int m_doubtStreak = 0;

    void beginSteps();
    // Sends step `step` once and notes the exchanges it had answered; false when it failed.
    bool sendStep(int step);
    // Runs step `step`; on Success settles any doubt that an extra answer cast, which may send
    // an earlier step again. Gives the step that failed, or -1; `last` listens after the
    // answer for a second one first.
    int runStep(int step, bool last = false);
    int settleDoubts(bool last);

    void progressed(int done, int total)
    {
        if (m_progress)
            m_progress(done, total);
    }
};

#pragma once

#include "decoder.h"
#include "instruction.h"
#include "programcomparison.h"
#include "programtransfer.h"
#include "roundtrip.h"

#include <QElapsedTimer>
#include <QString>
#include <QVector>

#include <functional>

class DeviceLink;

// What a transfer job did, step by step, for the front ends to word: a write (and the check
// after it), a read (and its decoding) or a comparison with the cell.
struct TransferOutcome
{
    // The write; NothingToWrite until one ran.
    bool writeRan = false;
    ProgramTransfer::WriteResult written = ProgramTransfer::WriteResult::NothingToWrite;
    // Lines the write had acknowledged when it ended.
    int storedLines = 0;
    // What the write left in the cell, part by part.
    ProgramTransfer::CellState cellState;

    // The read, the read-back of a check, or the comparison's read.
    bool readRan = false;
    ProgramTransfer::ReadResult read;
    // Set when the read was held against a program (check after a write, comparison).
    bool compared = false;
    ProgramComparison comparison;
    // The program line of the first record that differs, 0 when none or unknown.
    int firstDifferenceLine = 0;

    // A plain read: the program text, and a warning when its name would not compile back.
    bool decodeRan = false;
    DecodeResult decoded;
    QString nameWarning;
    // Whether that text compiles back to what the cell holds; set with the decoded text.
    RoundTrip roundTrip;

    // «Прервать» or a stop signal took effect.
    bool cancelled = false;
    // The device answered one request twice, twice in a row.
    bool answeredTwice = false;
    // The last pass failed without any answer understood.
    bool unanswered = false;

    bool readOk() const { return read.status == ProgramTransfer::ReadStatus::Read; }
    // The write left something of the new program, but not all of it for sure.
    bool partlyWritten() const { return writeRan && !writtenOk() && cellState.touched(); }
    // What the front ends say about such a cell (1..4); empty when there is nothing to say.
    QString cellWarning(int cellNumber) const
    {
        return partlyWritten() ? ProgramTransfer::cellStateWarning(cellState, cellNumber)
                               : QString();
    }
    bool writtenOk() const { return written == ProgramTransfer::WriteResult::Written; }
};

// One transfer between a front end and a memory cell: the order of requests (ProgramTransfer),
// progress with the time left, cancel, and a structured outcome. The window and the command-line
// tool start jobs and word their outcomes; neither runs the steps itself.
class TransferJob
{
public:
    // Done of total requests, and the time left in milliseconds (-1 while the total is unknown).
    using Progress = std::function<void(int done, int total, qint64 leftMs)>;

    TransferJob(DeviceLink &link, quint8 slaveId, int cell, ProgramTransfer::Reporter report);
    TransferJob(const TransferJob &) = delete;
    TransferJob &operator=(const TransferJob &) = delete;

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Stops after the request on the line; see ProgramTransfer::cancel(). Safe from any thread.
    void cancel() { m_transfer.cancel(); }
    // A stop was asked for; a check after a write that completed meanwhile is not made.
    bool stopRequested() const { return m_transfer.cancelRequested(); }

    // Writes the program (lines, count, name). Keep program and name unchanged meanwhile.
    const TransferOutcome &write(const InstructionList &program, const QString &name);
    // Reads the cell and decodes what it holds with the given tables.
    const TransferOutcome &read(const Decoder &decoder);
    // Reads the cell and holds it against program and name; `sourceLines` gives the program
    // line of each record. `quiet` keeps the read's own lines out of the report.
    const TransferOutcome &compare(const InstructionList &program, const QString &name,
                                   const QVector<int> &sourceLines, bool quiet);

    const TransferOutcome &outcome() const { return m_outcome; }
    int slaveId() const { return m_slaveId; }
    // 0-based.
    int cell() const { return m_cell; }

    // Time left once `done` of `total` requests have taken `elapsedMs`.
    static qint64 timeLeftMs(bool write, int done, int total, qint64 elapsedMs)
    {
        return ProgramTransfer::remainingMs(write, done, total, elapsedMs);
    }

private:
    // Starts the clock of a new pass and shows `total` (0 while unknown) requests to go.
    void follow(bool writing, int total);

    ProgramTransfer::Reporter m_report;
    bool m_quiet = false;
    quint8 m_slaveId;
    int m_cell;
    ProgramTransfer m_transfer;
    Progress m_progress;
    QElapsedTimer m_clock;
    TransferOutcome m_outcome;
};

#pragma once

#include "decoder.h"
#include "instruction.h"
#include "transferjob.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class DeviceSession;

// One transfer with a memory cell of one supply, run step by step (write, read, compare) as jobs
// of a device session. Each step takes its own copy of what it sends, so the caller may change
// its program meanwhile; report lines, progress and the end of each step arrive in the caller's
// thread in the order they happened. A step asked for while another runs follows it.
class SessionTransfer : public QObject
{
    Q_OBJECT
public:
    SessionTransfer(DeviceSession &session, quint8 slaveId, int cell, QObject *parent = nullptr);
    ~SessionTransfer() override;

    // Writes the program (lines, count, name).
    void write(const InstructionList &program, const QString &name);
    // Reads the cell and decodes what it holds with the decoder's tables.
    void read(const Decoder &decoder);
    // Reads the cell and holds it against program and name; `sourceLines` gives the program
    // line of each record. `quiet` keeps the read's own lines out of the report.
    void compare(const InstructionList &program, const QString &name,
                 const QVector<int> &sourceLines, bool quiet);

    // Stops the running step after the request on the line, and every later step at once.
    void cancel();
    // A stop was asked for; a check after a write that completed meanwhile is not made.
    bool stopRequested() const;

    // What the steps found so far; current once finished() came for the last step asked.
    const TransferOutcome &outcome() const { return m_outcome; }
    bool isRunning() const { return m_running > 0; }
    quint8 slaveId() const { return m_slaveId; }
    // 0-based.
    int cell() const { return m_cell; }

    // For a tool without a window: returns once every step asked for has finished.
    void waitForFinished();

signals:
    // A report line of the running step; a text may hold a line feed.
    void line(const QString &text);
    // Done of total requests, and the time left in milliseconds (-1 while the total is unknown).
    void progress(int done, int total, qint64 leftMs);
    // A step has ended; outcome() holds what it found.
    void finished();

private:
    struct Shared;
    using Step = std::function<void(TransferJob &job)>;
    void run(Step step);

    DeviceSession &m_session;
    std::shared_ptr<Shared> m_shared;
    quint8 m_slaveId;
    int m_cell;
    TransferOutcome m_outcome;
    int m_running = 0;
};

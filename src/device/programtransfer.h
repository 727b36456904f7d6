#pragma once

#include "deviceprotocol.h"
#include "instruction.h"

#include <QString>

#include <functional>

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
    };

    enum class ReadStatus
    {
        Read,
        SizeFailed,
        NoRecords,
        BadCount,
        NameFailed,
        LineFailed,
    };

    struct ReadResult
    {
        ReadStatus status = ReadStatus::SizeFailed;
        // The five name characters exactly as stored, trailing blanks included.
        QString name;
        InstructionList records;
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

    // Whether a name can travel in the five name bytes.
    static bool nameFitsDevice(const QString &name);

private:
    DeviceLink &m_link;
    quint8 m_slaveId;
    int m_cell;
    Reporter m_report;
    Progress m_progress;

    void progressed(int done, int total)
    {
        if (m_progress)
            m_progress(done, total);
    }
};

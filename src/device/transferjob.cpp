#include "transferjob.h"

#include "devicelink.h"

TransferJob::TransferJob(DeviceLink &link, quint8 slaveId, int cell,
                         ProgramTransfer::Reporter report)
    : m_report(std::move(report)), m_slaveId(slaveId), m_cell(cell),
      m_transfer(link, slaveId, cell, [this](const QString &text) {
          if (!m_quiet && m_report)
              m_report(text);
      })
{
}

void TransferJob::follow(bool writing, int total)
{
    m_clock.start();
    const auto show = [this, writing](int done, int planned) {
        if (!m_progress)
            return;
        // A read learns its total from its first answer.
        const qint64 left =
            planned > 0 ? timeLeftMs(writing, done, planned, m_clock.elapsed()) : -1;
        m_progress(done, planned, left);
    };
    m_transfer.setProgress(show);
    show(0, total);
}

const TransferOutcome &TransferJob::write(const InstructionList &program, const QString &name)
{
    follow(true, program.size() + 2);
    m_outcome.writeRan = true;
    m_outcome.written = m_transfer.write(program, name);
    m_outcome.storedLines = m_transfer.storedLines();
    m_outcome.cellState = m_transfer.cellState();
    m_outcome.cancelled = m_outcome.written == ProgramTransfer::WriteResult::Cancelled;
    m_outcome.answeredTwice = m_transfer.answeredTwice();
    m_outcome.unanswered = m_transfer.unanswered();
    return m_outcome;
}

const TransferOutcome &TransferJob::read(const Decoder &decoder)
{
    follow(false, 0);
    m_outcome.readRan = true;
    m_outcome.read = m_transfer.read();
    m_outcome.cancelled = m_outcome.read.status == ProgramTransfer::ReadStatus::Cancelled;
    m_outcome.answeredTwice = m_transfer.answeredTwice();
    m_outcome.unanswered = m_transfer.unanswered();
    if (m_outcome.readOk()) {
        m_outcome.decodeRan = true;
        m_outcome.decoded = decoder.decode(m_outcome.read.name, m_outcome.read.records);
        // Read faithfully, but the name would not pass the compiler on the way back.
        if (m_outcome.decoded.ok) {
            m_outcome.nameWarning = Decoder::unwritableNameWarning(m_outcome.read.name);
            // The decoder writes every record some way; only compiling the text back shows
            // whether a saved copy would write the same cell again.
            m_outcome.roundTrip =
                RoundTrip::check(m_outcome.read.name, m_outcome.read.records, m_outcome.decoded,
                                 !m_outcome.nameWarning.isEmpty());
        }
    }
    return m_outcome;
}

const TransferOutcome &TransferJob::compare(const InstructionList &program, const QString &name,
                                            const QVector<int> &sourceLines, bool quiet)
{
    follow(false, 0);
    m_quiet = quiet;
    m_outcome.readRan = true;
    m_outcome.read = m_transfer.read();
    m_quiet = false;
    m_outcome.cancelled = m_outcome.read.status == ProgramTransfer::ReadStatus::Cancelled;
    m_outcome.answeredTwice = m_transfer.answeredTwice();
    m_outcome.unanswered = m_transfer.unanswered();
    m_outcome.compared = true;
    m_outcome.comparison = compareProgram(program, name, m_outcome.read);
    const int first = m_outcome.comparison.firstDifferingRecord();
    m_outcome.firstDifferenceLine =
        first >= 0 && first < sourceLines.size() ? sourceLines.at(first) : 0;
    return m_outcome;
}

#include "programtransfer.h"

#include "devicelink.h"
#include "linkresult.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ProgramTransfer)
};

constexpr int MaxNameCharCode = 255;

// Start bit, eight data bits, stop bit at 9600 baud.
constexpr qint64 CharMicros = 10 * 1000000 / 9600;
// A frame's text: '#', two digits per byte, CR; its bytes are a four-byte header, the payload
// and a two-byte CRC.
constexpr int frameChars(int payloadBytes)
{
    return 2 + 2 * (4 + payloadBytes + 2);
}
constexpr int RecordBytes = 14;
constexpr int CountBytes = 1;

} // namespace

ProgramTransfer::ProgramTransfer(DeviceLink &link, quint8 slaveId, int cell, Reporter report)
    : m_link(link), m_slaveId(slaveId), m_cell(cell), m_report(std::move(report))
{
}

QString ProgramTransfer::cellStateWarning(const CellState &state, int cellNumber)
{
    if (!state.touched() || state.nameStored == true)
        return QString();
    if (state.countStored == false) {
        return Texts::tr("Внимание: в ячейке %1 теперь часть новой программы и прежние число "
                         "строк и имя — запишите программу снова")
            .arg(cellNumber);
    }
    if (!state.countStored) {
        return Texts::tr("Внимание: в ячейке %1 теперь строки новой программы, число строк, "
                         "возможно, тоже новое, а имя прежнее — запишите программу снова")
            .arg(cellNumber);
    }
    if (state.nameStored == false) {
        return Texts::tr("Внимание: в ячейке %1 теперь строки и число строк новой программы, а "
                         "имя прежнее — запишите программу снова")
            .arg(cellNumber);
    }
    return Texts::tr("Внимание: в ячейке %1 строки и число строк новые, а имя ушло без ответа: "
                     "программа, возможно, записана полностью — проверьте: Shift+F9 / compare")
        .arg(cellNumber);
}

bool ProgramTransfer::nameFitsDevice(const QString &name)
{
    if (name.size() > ProgramImage::NameLength)
        return false;
    for (const QChar c : name) {
        if (c.unicode() > MaxNameCharCode)
            return false;
    }
    return true;
}

qint64 ProgramTransfer::requestLineMicros(bool write, int index, int total)
{
    const int lines = total - 2;
    int chars = 0;
    if (write) {
        // Lines (record and index), the count, the name; each answered by a bare header.
        const int payload = index < lines    ? RecordBytes + 1
                            : index == lines ? CountBytes
                                             : DeviceProtocol::NameBytes;
        chars = frameChars(payload) + frameChars(0);
    } else {
        // The count, the name, then lines asked for by index.
        const int asked = index < 2 ? 0 : 1;
        const int answered = index == 0   ? CountBytes
                             : index == 1 ? DeviceProtocol::NameBytes
                                          : RecordBytes;
        chars = frameChars(asked) + frameChars(answered);
    }
    return chars * CharMicros;
}

qint64 ProgramTransfer::remainingMs(bool write, int done, int total, qint64 elapsedMs)
{
    qint64 lineDone = 0;
    for (int i = 0; i < done; ++i)
        lineDone += requestLineMicros(write, i, total);
    const qint64 turnaround = done > 0 ? qMax<qint64>(0, elapsedMs * 1000 - lineDone) / done : 0;
    qint64 left = 0;
    for (int i = done; i < total; ++i)
        left += requestLineMicros(write, i, total) + turnaround;
    return (left + 999) / 1000;
}

bool ProgramTransfer::unanswered() const
{
    return m_lastFailure == LinkResult::NoReply && m_link.lastAnsweredExchange() == m_answersBefore;
}

namespace {

QString answeredTwiceLine()
{
    return Texts::tr(
        "Прибор ответил дважды на один запрос, и его ответам нельзя доверять — проверьте "
        "линию (помехи, повторитель RS-485, второй прибор с тем же Slave ID) и повторите");
}

} // namespace

void ProgramTransfer::beginSteps()
{
    m_answeredTwice = false;
    m_lastFailure = LinkResult::Success;
    m_answersBefore = m_link.lastAnsweredExchange();
    m_steps.clear();
    m_exchangeSteps.clear();
    m_doubtStep = -1;
    m_doubtStreak = 0;
    // A doubt left from before this transfer concerns none of its requests.
    m_link.takeDoubt();
}

bool ProgramTransfer::sendStep(int step)
{
    const quint64 before = m_link.lastAnsweredExchange();
    m_lastFailure = m_steps.at(step)();
    if (m_lastFailure != LinkResult::Success)
        return false;
    // Which step each answered exchange belongs to, for a doubt cast on it later.
    for (quint64 id = before + 1; id <= m_link.lastAnsweredExchange(); ++id)
        m_exchangeSteps.insert(id, step);
    return true;
}

int ProgramTransfer::runStep(int step, bool last)
{
    return sendStep(step) ? settleDoubts(last) : step;
}

int ProgramTransfer::settleDoubts(bool last)
{
    for (;;) {
        // A second answer may already be here; after the last request, give it time to come.
        if (last)
            m_link.settle();
        else
            m_link.drainPending();
        const std::optional<quint64> doubt = m_link.takeDoubt();
        const int step = doubt ? m_exchangeSteps.value(*doubt, -1) : -1;
        if (step < 0) {
            m_doubtStep = -1;
            m_doubtStreak = 0;
            return -1;
        }
        m_doubtStreak = step == m_doubtStep ? m_doubtStreak + 1 : 1;
        m_doubtStep = step;
        if (m_doubtStreak >= 2) {
            m_answeredTwice = true;
            return step;
        }
        if (m_cancelRequested)
            return -1;
        // The answer that step took may have been another's: ask again (storing a line twice,
        // or reading it twice, is harmless).
        if (!sendStep(step))
            return step;
    }
}

ProgramTransfer::WriteResult ProgramTransfer::write(const InstructionList &program,
                                                    const QString &name)
{
    m_cellState = CellState();
    beginSteps();
    if (program.isEmpty()) {
        m_report(Texts::tr("Нет данных для записи"));
        return WriteResult::NothingToWrite;
    }
    // The count travels as one byte and the read-back refuses more than this: a longer program
    // would be stored but could never be read again.
    if (program.size() > ProgramImage::MaxRecords) {
        m_report(Texts::tr("error: некорректное кол-во строк"));
        return WriteResult::TooManyRecords;
    }
    // A character beyond one byte would be stored as 0 and come back as another name.
    if (!nameFitsDevice(name)) {
        m_report(Texts::tr("error: некорректное имя программы"));
        return WriteResult::BadName;
    }

    const int lines = program.size();
    for (int i = 0; i < lines; ++i) {
        m_steps << [this, &program, i]() {
            return m_link.WriteProgramLine(m_slaveId, program.at(i), quint8(i), m_cell,
                                           WriteAccess);
        };
    }
    m_steps << [this, lines]() { return m_link.WriteSize(m_slaveId, lines, m_cell, WriteAccess); };
    m_steps <<
        [this, &name]() { return m_link.WritePrgName(m_slaveId, name, m_cell, WriteAccess); };
    // Frames on the line before the step in hand: a step that failed after sending may have
    // been carried out all the same. Even a refusing status proves nothing: a supply may store
    // the data and still answer so.
    quint64 sentBefore = 0;
    const auto unknownAfterFailure = [this, &sentBefore]() {
        return m_answeredTwice || m_link.sentFrames() > sentBefore;
    };
    const auto failed = [this, lines, &unknownAfterFailure](int step) {
        // A step cast into doubt after later ones were answered puts those in doubt as well.
        const bool unknown = unknownAfterFailure();
        const std::optional<bool> notStored = unknown ? std::nullopt : std::optional<bool>(false);
        if (step < lines) {
            m_cellState.storedLines = std::min(m_cellState.storedLines, step);
            m_cellState.lineInDoubt = unknown;
        } else if (step == lines) {
            m_cellState.countStored = notStored;
        } else {
            m_cellState.nameStored = notStored;
        }
        // No answer can be trusted once the device answered twice: what was acknowledged is
        // only possibly there.
        if (m_answeredTwice) {
            if (m_cellState.countStored == true)
                m_cellState.countStored = std::nullopt;
            if (m_cellState.nameStored == true)
                m_cellState.nameStored = std::nullopt;
        }
        if (step < lines)
            m_report(Texts::tr("Ошибка записи"));
        else
            m_report(step == lines ? Texts::tr("Ошибка записи size")
                                   : Texts::tr("Ошибка записи prgName"));
        if (m_answeredTwice)
            m_report(answeredTwiceLine());
        return step < lines    ? WriteResult::LineFailed
               : step == lines ? WriteResult::SizeFailed
                               : WriteResult::NameFailed;
    };

    for (int i = 0; i < lines; ++i) {
        if (m_cancelRequested)
            return WriteResult::Cancelled;
        sentBefore = m_link.sentFrames();
        const int failedStep = runStep(i);
        if (failedStep >= 0)
            return failed(failedStep);
        m_cellState.storedLines = i + 1;
        m_report(Texts::tr("Строка %1 записана").arg(i));
        progressed(i + 1, lines + 2);
    }

    if (m_cancelRequested)
        return WriteResult::Cancelled;
    sentBefore = m_link.sentFrames();
    int failedStep = runStep(lines);
    if (failedStep >= 0)
        return failed(failedStep);
    m_cellState.countStored = true;
    m_report(Texts::tr("Size записан"));
    progressed(lines + 1, lines + 2);

    if (m_cancelRequested)
        return WriteResult::Cancelled;
    sentBefore = m_link.sentFrames();
    failedStep = runStep(lines + 1, true);
    if (failedStep >= 0)
        return failed(failedStep);
    // Acknowledged: the cell holds the whole new program, whether or not a stop came meanwhile.
    m_cellState.nameStored = true;
    m_report(Texts::tr("PrgName \"%1\" записан\n").arg(name));
    progressed(lines + 2, lines + 2);
    m_report(Texts::tr("Данные успешно записаны"));
    return WriteResult::Written;
}

ProgramTransfer::ReadResult ProgramTransfer::read()
{
    ReadResult result;
    beginSteps();
    // Stopped before it began (the check after a write the user stopped): nothing is asked.
    if (m_cancelRequested) {
        result.status = ReadStatus::Cancelled;
        return result;
    }

    int count = 0;
    QString name;
    bool readsDisagree = false;
    m_steps << [this, &count]() { return m_link.ReadSize(m_slaveId, m_cell, ReadAccess, count); };
    m_steps << [this, &name]() { return m_link.ReadPrgName(m_slaveId, name, m_cell, ReadAccess); };
    const auto readLine = [this](int i, Instruction &record) {
        return m_link.ReadProgramLine(m_slaveId, record, quint8(i), m_cell, ReadAccess);
    };
    const auto addLineStep = [&](int i) {
        m_steps << [&, i]() {
            Instruction record;
            LinkResult got = readLine(i, record);
            // A repeat of the previous line's answer taken for this one reads exactly like the
            // previous line: keep such a line only once two reads of it agree.
            if (got == LinkResult::Success && i > 0 && record == result.records.at(i - 1)) {
                Instruction again;
                got = readLine(i, again);
                if (got == LinkResult::Success && !(again == record)) {
                    Instruction third;
                    got = readLine(i, third);
                    if (got == LinkResult::Success && !(third == again) && !(third == record)) {
                        readsDisagree = true;
                        got = LinkResult::Failure;
                    }
                    record = third;
                }
            }
            if (got == LinkResult::Success)
                result.records[i] = record;
            return got;
        };
    };
    const auto failed = [&](int step) {
        result.records.clear();
        if (step == 0) {
            m_report(Texts::tr("error: ошибка чтения size"));
            result.status = ReadStatus::SizeFailed;
        } else if (step == 1) {
            m_report(Texts::tr("error: ошибка чтения prgName"));
            result.status = ReadStatus::NameFailed;
        } else {
            m_report(Texts::tr("error: ошибка чтения строки"));
            if (readsDisagree) {
                m_report(
                    Texts::tr("Строка %1 при трёх чтениях пришла по-разному — проверьте линию и "
                              "повторите чтение")
                        .arg(step - 2));
            }
            result.status = ReadStatus::LineFailed;
        }
        if (m_answeredTwice)
            m_report(answeredTwiceLine());
        return result;
    };
    const auto countRefused = [&]() {
        if (count <= 0) {
            m_report(Texts::tr("Нет записей для чтения"));
            result.status = ReadStatus::NoRecords;
            return true;
        }
        if (count > ProgramImage::MaxRecords) {
            m_report(Texts::tr("error: некорректное кол-во строк"));
            result.status = ReadStatus::BadCount;
            return true;
        }
        return false;
    };

    int failedStep = runStep(0);
    if (failedStep >= 0)
        return failed(failedStep);
    if (countRefused())
        return result;
    m_report(Texts::tr("Всего строк %1").arg(count));
    const int firstCount = count;
    progressed(1, count + 2);

    if (m_cancelRequested) {
        result.status = ReadStatus::Cancelled;
        return result;
    }
    failedStep = runStep(1);
    if (failedStep >= 0)
        return failed(failedStep);
    // The count asked again after a second answer may differ from the first one.
    if (count != firstCount) {
        if (countRefused())
            return result;
        m_report(Texts::tr("Всего строк %1").arg(count));
    }
    m_report(QStringLiteral("prgName = \"") + name + QLatin1Char('"'));
    progressed(2, count + 2);

    // Lines are filled in place, so that one asked again lands where it belongs.
    result.records.resize(count);
    for (int i = 0; i < count; ++i)
        addLineStep(i);
    for (int i = 0; i < count; ++i) {
        if (m_cancelRequested) {
            result.records.clear();
            result.status = ReadStatus::Cancelled;
            return result;
        }
        failedStep = runStep(i + 2, i + 1 == count);
        if (failedStep >= 0)
            return failed(failedStep);
        m_report(Texts::tr("Строка %1 считана").arg(i));
        progressed(i + 3, count + 2);
    }
    if (m_cancelRequested) {
        result.records.clear();
        result.status = ReadStatus::Cancelled;
        return result;
    }
    result.name = name;
    result.status = ReadStatus::Read;
    return result;
}

#include "programtransfer.h"

#include "devicelink.h"
#include "linkresult.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ProgramTransfer", text);
}

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

ProgramTransfer::WriteResult ProgramTransfer::write(const InstructionList &program,
                                                    const QString &name)
{
    m_storedLines = 0;
    if (program.isEmpty()) {
        m_report(tr("Нет данных для записи"));
        return WriteResult::NothingToWrite;
    }
    // The count travels as one byte and the read-back refuses more than this: a longer program
    // would be stored but could never be read again.
    if (program.size() > ProgramImage::MaxRecords) {
        m_report(tr("error: некорректное кол-во строк"));
        return WriteResult::TooManyRecords;
    }
    // A character beyond one byte would be stored as 0 and come back as another name.
    if (!nameFitsDevice(name)) {
        m_report(tr("error: некорректное имя программы"));
        return WriteResult::BadName;
    }

    for (int i = 0; i < program.size(); ++i) {
        if (m_cancelRequested)
            return WriteResult::Cancelled;
        if (m_link.WriteProgramLine(m_slaveId, program.at(i), quint8(i), m_cell, WriteAccess) !=
            LinkResult::Success) {
            m_report(tr("Ошибка записи"));
            return WriteResult::LineFailed;
        }
        m_storedLines = i + 1;
        m_report(tr("Строка %1 записана").arg(i));
        progressed(i + 1, program.size() + 2);
    }

    if (m_cancelRequested)
        return WriteResult::Cancelled;
    if (m_link.WriteSize(m_slaveId, program.size(), m_cell, WriteAccess) != LinkResult::Success) {
        m_report(tr("Ошибка записи size"));
        return WriteResult::SizeFailed;
    }
    m_report(tr("Size записан"));
    progressed(program.size() + 1, program.size() + 2);

    if (m_cancelRequested)
        return WriteResult::Cancelled;
    if (m_link.WritePrgName(m_slaveId, name, m_cell, WriteAccess) != LinkResult::Success) {
        m_report(tr("Ошибка записи prgName"));
        return WriteResult::NameFailed;
    }
    m_report(tr("PrgName \"%1\" записан\n").arg(name));
    progressed(program.size() + 2, program.size() + 2);
    m_report(tr("Данные успешно записаны"));
    return WriteResult::Written;
}

ProgramTransfer::ReadResult ProgramTransfer::read()
{
    ReadResult result;

    int count = 0;
    if (m_link.ReadSize(m_slaveId, m_cell, ReadAccess, count) != LinkResult::Success) {
        m_report(tr("error: ошибка чтения size"));
        result.status = ReadStatus::SizeFailed;
        return result;
    }
    if (count <= 0) {
        m_report(tr("Нет записей для чтения"));
        result.status = ReadStatus::NoRecords;
        return result;
    }
    if (count > ProgramImage::MaxRecords) {
        m_report(tr("error: некорректное кол-во строк"));
        result.status = ReadStatus::BadCount;
        return result;
    }
    m_report(tr("Всего строк %1").arg(count));
    progressed(1, count + 2);

    if (m_cancelRequested) {
        result.status = ReadStatus::Cancelled;
        return result;
    }
    QString name;
    if (m_link.ReadPrgName(m_slaveId, name, m_cell, ReadAccess) != LinkResult::Success) {
        m_report(tr("error: ошибка чтения prgName"));
        result.status = ReadStatus::NameFailed;
        return result;
    }
    m_report(QStringLiteral("prgName = \"") + name + QLatin1Char('"'));
    result.name = name;
    progressed(2, count + 2);

    result.records.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (m_cancelRequested) {
            result.records.clear();
            result.status = ReadStatus::Cancelled;
            return result;
        }
        Instruction record;
        if (m_link.ReadProgramLine(m_slaveId, record, quint8(i), m_cell, ReadAccess) !=
            LinkResult::Success) {
            m_report(tr("error: ошибка чтения строки"));
            result.records.clear();
            result.status = ReadStatus::LineFailed;
            return result;
        }
        result.records.append(record);
        m_report(tr("Строка %1 считана").arg(i));
        progressed(i + 3, count + 2);
    }
    result.status = ReadStatus::Read;
    return result;
}

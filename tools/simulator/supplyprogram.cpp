#include "supplyprogram.h"

#include "instruction.h"
#include "language.h"
#include "supplymemory.h"

#include <QtEndian>

#include <limits>

namespace {

// How often the played rows are looked at: a step shows within this of its time.
constexpr int TickMs = 5;
constexpr qint64 FirstWindowMs = 1000;

int code(const char *name)
{
    static const auto codes = Language::operandCodes();
    return codes.value(QString::fromLatin1(name));
}

void putU16(QByteArray &bytes, int offset, qint32 value)
{
    qToLittleEndian<quint16>(quint16(qBound<qint32>(0, value, 0xFFFF)), bytes.data() + offset);
}

void putS16(QByteArray &bytes, int offset, qint32 value)
{
    constexpr qint32 Low = std::numeric_limits<qint16>::min();
    constexpr qint32 High = std::numeric_limits<qint16>::max();
    qToLittleEndian<qint16>(qint16(qBound(Low, value, High)), bytes.data() + offset);
}

qint32 u16At(const QByteArray &bytes, int offset)
{
    return bytes.size() >= offset + 2 ? qFromLittleEndian<quint16>(bytes.constData() + offset) : 0;
}

qint32 s16At(const QByteArray &bytes, int offset)
{
    return bytes.size() >= offset + 2 ? qFromLittleEndian<qint16>(bytes.constData() + offset) : 0;
}

} // namespace

SupplyProgram::SupplyProgram(SupplyMemory &memory, QObject *parent)
    : QObject(parent), m_memory(memory)
{
    m_timer.setInterval(TickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SupplyProgram::advance);
}

SupplyProgram::~SupplyProgram() = default;

void SupplyProgram::loadFromRegisters()
{
    const QByteArray r01 = m_memory.registerPayload(0x01);
    const QByteArray r10 = m_memory.registerPayload(0x10);
    const QByteArray r03 = m_memory.registerPayload(0x03);
    m_values[std::size_t(code("Uo"))] = u16At(r01, 0);
    m_values[std::size_t(code("Io"))] = s16At(r01, 2);
    const char *bytes[] = {"Out", "Blk", "T1", "T2"};
    for (int i = 0; i < 4; ++i)
        m_values[std::size_t(code(bytes[i]))] = r01.size() > 4 + i ? quint8(r01.at(4 + i)) : 0;
    for (int i = 0; i < 6; ++i)
        m_values[std::size_t(code(QStringLiteral("M%1").arg(i + 1).toLatin1().constData()))] =
            u16At(r10, 2 * i);
    m_values[std::size_t(code("Us"))] = u16At(r03, 0);
    m_values[std::size_t(code("Is"))] = s16At(r03, 2);
}

bool SupplyProgram::start(int cell, QString *error)
{
    const int count = m_memory.count(cell);
    if (count == 0) {
        *error = QStringLiteral("cell %1 holds no program").arg(cell + 1);
        return false;
    }
    InstructionList records;
    for (int i = 0; i < count; ++i)
        records.append(Instruction::unpack(m_memory.line(cell, i)));
    stop();
    if (!m_everRan)
        loadFromRegisters();
    m_everRan = true;
    m_run = std::make_unique<ProgramRun>(records);
    for (int c = 0; c < int(m_values.size()); ++c)
        m_run->setStartValue(c, m_values.at(std::size_t(c)));
    m_cell = cell;
    m_window.clear();
    m_next = 0;
    m_doneMs = -1;
    m_lastWindow = false;
    m_endText.clear();
    m_running = true;
    m_clock.start();
    advance();
    if (m_running)
        m_timer.start();
    return true;
}

void SupplyProgram::stop()
{
    m_timer.stop();
    m_running = false;
    m_window.clear();
    m_window.squeeze();
}

bool SupplyProgram::computeWindow()
{
    // Rows before the limit are sure: only a delay takes program time up to and past it.
    const qint64 span = qBound(FirstWindowMs, m_doneMs + 1, MaxWindowMs);
    const qint64 limit = m_doneMs + 1 + span;
    m_run->setTimeLimitMs(limit);
    m_window.clear();
    m_next = 0;
    const qint64 from = m_doneMs;
    m_outcome = m_run->runWatched([this, from, limit](const RunTraceRow &row) {
        if (row.timeMs > from && row.timeMs < limit)
            m_window.append(row);
    });
    m_doneMs = limit - 1;
    m_lastWindow = m_outcome.stop != RunStop::Time;
    return true;
}

void SupplyProgram::advance()
{
    if (!m_running)
        return;
    const qint64 now = m_clock.elapsed();
    bool changed = false;
    for (;;) {
        while (m_next < m_window.size() && m_window.at(m_next).timeMs <= now) {
            const RunTraceRow &row = m_window.at(m_next++);
            setOperand(row.operand, row.value);
            changed = true;
        }
        if (m_next < m_window.size())
            break;
        if (m_lastWindow) {
            if (changed)
                publish();
            m_endText = ProgramRun::stopText(m_outcome, m_run->timeLimitMs());
            stop();
            emit ended();
            return;
        }
        if (now <= m_doneMs)
            break;
        computeWindow();
    }
    if (changed)
        publish();
}

void SupplyProgram::setOperand(int code, qint32 value)
{
    if (code >= 0 && code < int(m_values.size()))
        m_values[std::size_t(code)] = value;
}

void SupplyProgram::registerWritten(quint8 command, const QByteArray &payload)
{
    if (!m_everRan)
        return;
    if (command == 0x03) {
        setOperand(code("Us"), u16At(payload, 0));
        setOperand(code("Is"), s16At(payload, 2));
    } else if (command == 0x07) {
        setOperand(code("Out"), u16At(payload, 0));
    } else {
        return;
    }
    publish();
}

void SupplyProgram::publish()
{
    const auto value = [this](const char *name) { return m_values.at(std::size_t(code(name))); };
    QByteArray r01(8, '\0');
    putU16(r01, 0, value("Uo"));
    putS16(r01, 2, value("Io"));
    const char *bytes[] = {"Out", "Blk", "T1", "T2"};
    for (int i = 0; i < 4; ++i)
        r01[4 + i] = char(quint8(qBound<qint32>(0, value(bytes[i]), 0xFF)));
    QByteArray r10(12, '\0');
    for (int i = 0; i < 6; ++i)
        putU16(r10, 2 * i, value(QStringLiteral("M%1").arg(i + 1).toLatin1().constData()));
    QByteArray r03(4, '\0');
    putU16(r03, 0, value("Us"));
    putS16(r03, 2, value("Is"));
    m_memory.setRegisterPayload(0x01, r01);
    m_memory.setRegisterPayload(0x10, r10);
    m_memory.setRegisterPayload(0x03, r03);
}

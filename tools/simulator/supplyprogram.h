#pragma once

#include "programrun.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <array>
#include <memory>

class SupplyMemory;

// A supply running the program of one of its cells in real time, with the project's run model,
// and its fixed registers following the operands:
//   0x01: Uo (u16), Io (s16), then single bytes Out, Blk, T1, T2
//   0x10: M1..M6 (u16)          0x03: Us (u16), Is (s16)
// Writes of 0x03 set Us and Is, of 0x07 Out, from the first run on; the program's own
// comparisons go on from what it assigned itself. Values beyond a field are held at its bounds.
//
// The model runs ahead in windows of program time (doubling up to a minute), each run again from
// the start and kept only for its window, so that memory stays small however long it runs.
class SupplyProgram : public QObject
{
    Q_OBJECT
public:
    // The window of program time computed at once, at most.
    static constexpr qint64 MaxWindowMs = 60 * 1000;

    explicit SupplyProgram(SupplyMemory &memory, QObject *parent = nullptr);
    ~SupplyProgram() override;

    // Runs the program of `cell` (0..3) from the operands as they are; false with the reason for
    // an empty cell or records that are no program.
    bool start(int cell, QString *error);
    void stop();
    bool isRunning() const { return m_running; }
    int cell() const { return m_cell; }
    // How the last run ended, once it has: «program ended at 1.5 s» and the like.
    QString endText() const { return m_endText; }

    // A register write accepted on the line.
    void registerWritten(quint8 command, const QByteArray &payload);
    qint32 operand(int code) const { return m_values.at(std::size_t(code)); }

signals:
    // The program ended by itself; endText() says how.
    void ended();

private:
    void advance();
    bool computeWindow();
    void setOperand(int code, qint32 value);
    void publish();
    void loadFromRegisters();

    SupplyMemory &m_memory;
    std::unique_ptr<ProgramRun> m_run;
    std::array<qint32, 128> m_values{};
    QElapsedTimer m_clock;
    QTimer m_timer;
    QVector<RunTraceRow> m_window;
    int m_next = 0;
    // Program time up to which rows have been taken into windows.
    qint64 m_doneMs = -1;
    bool m_lastWindow = false;
    RunOutcome m_outcome;
    QString m_endText;
    int m_cell = -1;
    bool m_running = false;
    bool m_everRan = false;
};

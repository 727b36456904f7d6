#pragma once

#include "faultplan.h"
#include "supplybank.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <QHash>
#include <QVector>

#include <deque>
#include <map>
#include <memory>
#include <optional>

class QSocketNotifier;
class SupplyProgram;

// The Brisca power supplies on one line, a pseudo-terminal: reads request frames from the master
// side, hands each to the supply it is addressed to (one SupplyMemory per Slave ID, in a
// SupplyBank), paces and distorts the answers as told, and logs every frame. The line, its pacing
// and the faults are shared by the supplies. The slave side is kept open here so that clients can
// close and reopen it.
class SimulatedSupply : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        // The supplies on the line, the first one first: an old cells file is its.
        QVector<quint8> slaveIds = {0};
        QString cellsPath; // empty: the cells live only in memory
        QString logPath;   // empty: no log; "-": standard error
        bool pace = false; // 9600 8N1 timing both ways
        int turnaroundMs = 0;
        int lateMs = 400;     // delay of a "late" answer, past the requester's 244 ms
        int repeatGapMs = -1; // gap before a "repeat" answer goes again; below 0: lateMs
        bool echo = false;    // every character received goes back, as a two-wire adapter does
        int splitGapMs = 30;
    };

    // One character of 9600 8N1: start bit, 8 data bits, stop bit.
    static constexpr qint64 CharTimeNs = 10 * 1000000000LL / 9600;
    // Input without a CR beyond this is dropped.
    static constexpr int MaxRequestChars = 1024;
    // Chars of an "overlong" answer: far beyond any reply.
    static constexpr int OverlongChars = 1200;
    static constexpr int SplitPieces = 3;
    // Retry delay when the pseudo-terminal's buffer is full.
    static constexpr int WriteRetryMs = 5;

    explicit SimulatedSupply(const Settings &settings, QObject *parent = nullptr);
    ~SimulatedSupply() override;

    // Loads the cells, opens the log and the pseudo-terminal.
    bool start(QString *error);
    QString portPath() const { return slavePath; }

    bool addFault(const QString &rule, QString *error) { return faults.add(rule, error); }
    void clearFaults() { faults.clear(); }
    // Applies one line of the cells-file form and saves the cells.
    bool setMemory(const QString &line, QString *error);

    // Floods the line with noise, over-long lines and answers to nothing for `durationMs`,
    // whenever no answer is going out.
    void flood(int durationMs);

    // Runs the program of `cell` (1..4) on a supply of the line (the first by default); false
    // with the reason when it cannot. stopProgram() leaves the registers as they are.
    bool runProgram(int cell, std::optional<quint8> slave, QString *error);
    bool stopProgram(std::optional<quint8> slave, QString *error);
    // The supply's running program, or nullptr.
    const SupplyProgram *program(quint8 slave) const;

    // Requests served, by every supply of the line.
    int requestCount() const { return requests; }
    const SupplyBank &bank() const { return supplies; }
    // The first supply's memory.
    const SupplyMemory &memory() const { return *supplies.memory(supplies.firstSlave()); }

private:
    struct Piece
    {
        qint64 notBeforeNs;
        QByteArray bytes;
        bool started = false;
    };

    void readMaster();
    void takeFrames();
    void handleFrame(const QByteArray &text, qint64 arrivalNs);
    void queueReply(const QByteArray &text, qint64 notBeforeNs, bool split);
    // Sends `text` at `atNs` whatever is queued then, without holding back answers due earlier.
    void sendAt(const QByteArray &text, qint64 atNs);
    // Puts `text` out now, ahead of the answers not yet due.
    void sendNow(const QByteArray &text);
    void pumpOutput();
    void pumpFlood();
    void hangUp();
    void log(const QString &line);
    void saveCells();

    Settings settings;
    SupplyBank supplies;
    std::map<quint8, std::unique_ptr<SupplyProgram>> programs;
    FaultPlan faults;
    QFile logFile;
    QString slavePath;
    int masterFd = -1;
    int slaveFd = -1;
    QSocketNotifier *readNotifier = nullptr;
    QElapsedTimer clock;
    QByteArray input;
    // When the last character read would have arrived on a real line.
    qint64 inputClockNs = 0;
    // When the output line is free again.
    qint64 lineFreeNs = 0;
    std::deque<Piece> output;
    QTimer outputTimer;
    QTimer floodTimer;
    QByteArray floodText;
    int floodOffset = 0;
    qint64 floodUntilNs = 0;
    int requests = 0;
    QHash<quint8, int> requestsBySlave;
};

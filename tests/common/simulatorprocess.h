#pragma once

#include "simulatedcell.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs the simulated power supply (quorvel-sim) for one test and talks to it.
//
// The executable comes from the environment variable QUORVEL_SIMULATOR, which
// quorvel_add_test() sets. start() launches it with the given arguments plus a frame log in a
// temporary folder and waits for the pseudo-terminal path it prints; open portPath() with a
// QSerialPort at 9600 8N1. The simulator answers Slave ID 0 unless "--slave LIST" is passed
// ("1,3,5-8": one supply each; "slave N " before a memory line or "slave=N" in a fault's
// selector names one; cell()/cellImages() read the cells of a line with one supply).
// Other useful arguments: "--cells FILE", "--pace", "--turnaround MS", "--late-delay MS",
// "--repeat-gap MS", "--echo" (every character received sent back), "--split-gap MS",
// "--fault KIND@SELECTOR" (repeatable; KIND one of silent, crc, address, status1e, noise, split,
// lowercase, late, overlong, hangup, twice, repeat (sent again after the repeat gap), command,
// source, corrupt (a write acknowledged but stored with its first byte changed); SELECTOR a
// request number "3",
// a run "3x2", a range "3-5", a command "cmd=B5" or "*").
//
// start() hands out only a port that no other process still holds the lock file of: a
// pseudo-terminal's number is given out again as soon as its last user closes it, and
// QSerialPort removes its lock file only after that, so a test running beside this one may
// still hold the lock of the number this simulator has just got. Such a simulator is kept
// running while another is started, which then gets another number.
//
// While it runs: addFault()/clearFaults() change the faults, setMemory()/setCell() preload
// the cells, cell()/cellImages()/dump() read them back, requestCount() counts the requests it
// served, received()/sent() give the frame texts (without CR) from its log, in order.
// Control calls block for at most a few seconds while the simulator answers.
// The destructor stops the simulator.
class SimulatorProcess
{
public:
    static constexpr int StartTimeoutMs = 10000;
    static constexpr int AnswerTimeoutMs = 10000;
    // Simulators started before start() gives up finding a port whose lock is free.
    static constexpr int PortAttempts = 3;

    SimulatorProcess();
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // The simulator's path from QUORVEL_SIMULATOR; empty when unset.
    static QString executable();

    bool start(const QStringList &arguments = {});
    void stop();
    // Ends the simulator as a crash would, without a word on its control channel.
    void kill();
    bool waitForExit(int timeoutMs);
    bool isRunning() const;
    QString portPath() const { return path; }
    QString errorString() const { return error; }
    // The folder of the log; tests may put their cells files here too.
    QString workPath() const { return workDir.path(); }

    // Sends one control line and returns its answer lines ("ok", "error ...", "count N",
    // the dump lines ending in "end"); empty on a time-out.
    QStringList command(const QString &line);
    bool addFault(const QString &rule);
    bool clearFaults();
    // A line of the cells text form, e.g. "cell 0 count 3 name 5072673120".
    bool setMemory(const QString &line);
    bool setCell(int cell, const SimulatedCell &contents);
    bool setCell(int cell, const CellImage &contents);
    SimulatedCell cell(int index);
    // The four cells with their records as stored bytes.
    QVector<CellImage> cellImages();
    QStringList dump();
    int requestCount();

    QStringList log() const;
    QStringList received() const;
    QStringList sent() const;

private:
    // Starts one simulator and reads its port path.
    bool launch(const QStringList &arguments);
    QStringList framesTagged(const QString &tag) const;

    QTemporaryDir workDir;
    std::unique_ptr<QProcess> process;
    QString path;
    QString error;
};

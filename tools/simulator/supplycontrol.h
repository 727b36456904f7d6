#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QSocketNotifier;
class SimulatedSupply;

// The simulator's control protocol: one line in (fault, flood, clear, count, path, dump, cell,
// line, register, each perhaps after "slave N", quit), the lines of its answer out, on behalf of a
// SimulatedSupply.
class SupplyControl : public QObject
{
    Q_OBJECT
public:
    explicit SupplyControl(SimulatedSupply &supply, QObject *parent = nullptr);

    // Runs one control line; returns the lines to answer. Sets `quit` for "quit".
    QStringList run(const QString &line, bool *quit);

    // Reads control lines from standard input and answers each on standard output, until
    // "quit" or the end of the input; then emits finished().
    void listen();

signals:
    void finished();

private:
    void readInput();

    SimulatedSupply &supply;
    QSocketNotifier *inputNotifier = nullptr;
    // Control input not yet ended by a line feed.
    QByteArray pending;
};

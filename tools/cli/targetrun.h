#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QMetaObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class Console;
class SessionTransfer;
struct Invocation;

// One memory cell of one supply on the bus.
struct Target
{
    quint8 slaveId = 0;
    int cell = 0;

    int cellNumber() const { return cell + 1; }
    QString label() const;
};

// Every slave with every cell, slave by slave in the order given.
QVector<Target> targetsOf(const Invocation &invocation);
// The fields every target's JSON object starts with.
QJsonObject targetJson(const QString &command, const Invocation &invocation, const Target &target);

// Lets a stop signal stop `job` after the request on the line while it runs.
class StopOnSignal
{
public:
    explicit StopOnSignal(SessionTransfer &job);
    ~StopOnSignal();
    StopOnSignal(const StopOnSignal &) = delete;
    StopOnSignal &operator=(const StopOnSignal &) = delete;

private:
    QMetaObject::Connection m_connection;
};

// Runs the transfers of one command over the targets: the report lines to the chosen stream (or
// collected for JSON), a progress line on a terminal, and a header and a summary per target when
// there are several.
class TargetRun
{
    Q_DECLARE_TR_FUNCTIONS(TargetRun)

public:
    TargetRun(const Invocation &invocation, Console &console, bool linesOnError);

    // Starts a target: its header, then a fresh list of lines.
    void begin(const Target &target, int index);
    // A report line; a text may hold a line feed, as the transfer's name line does, and then
    // stands for several lines.
    void line(const QString &text);
    // A report line that says why the target failed or what it left (stopped, no answer): it
    // goes to standard error too, after the line where the transfer failed.
    void note(const QString &text);
    // A note for standard error only (a partly written cell), kept out of the report lines.
    void errorNote(const QString &text);
    // Shows the job's progress on a terminal.
    void follow(SessionTransfer &job);
    // The target's one-line summary, when there are several targets or under --quiet; on a
    // failure also the failing lines on standard error: `failure`, or else the last report line
    // before the notes, with the notes. `failureShown`: the failure is on standard error already.
    void summary(bool ok, const QString &what, const QStringList &failure = {},
                 bool failureShown = false);
    // The last report line: what went wrong, in the transfer's own words.
    QString lastLine() const { return lines.isEmpty() ? QString() : lines.constLast(); }

    QStringList lines;

private:
    void show(const QString &text);
    // The failing lines and the notes on standard error, led by the target when there are
    // several.
    void reportFailure(const QStringList &failure, bool failureShown);

    const Invocation &m_invocation;
    Console &m_console;
    const bool m_linesOnError;
    const bool m_several;
    Target m_current;
    // The notes of the present target, in order; each with whether it is among the report lines.
    QVector<QPair<QString, bool>> m_notes;
    // The report lines before the first note.
    int m_linesBeforeNotes = -1;
};

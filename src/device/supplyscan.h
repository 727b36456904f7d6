#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class DeviceLink;
class DeviceSession;

// A supply that answered a scan, with what its four cells hold.
struct FoundSupply
{
    struct Cell
    {
        // False when its count or name could not be read.
        bool read = false;
        int count = 0;
        // The five stored characters, trailing spaces kept.
        QString name;
    };

    QString port;
    quint8 slaveId = 0;
    // Two supplies answered as this Slave ID: their cells are not surveyed, as every read may
    // come from either.
    bool duplicate = false;
    // Cells 1..4; empty for a duplicate or when only probed.
    QVector<Cell> cells;
};
Q_DECLARE_METATYPE(FoundSupply)

// What one scan did and found, in the order of the addresses asked.
struct ScanOutcome
{
    QVector<FoundSupply> found;
    int probed = 0;
    qint64 ms = 0;
    // Frames put on the line.
    quint64 requests = 0;
    bool cancelled = false;
};

// Finds the supplies on the open port of a device session: one probe per Slave ID (a count
// read of cell 1, sent once, with a short wait), and for each that answers a survey of its four
// cells (count and name of each). Runs as one job of the session; progress and what it finds
// come in the caller's thread. Cancelling stops before the next request; a scan started while
// another runs replaces it.
class SupplyScan : public QObject
{
    Q_OBJECT
public:
    // A probe and its answer take about 35 ms on a 9600 baud line; the rest covers a supply's
    // turnaround and a USB adapter's latency.
    static constexpr int DefaultWaitMs = 80;
    // For slow supplies: the memory cells' own time-out.
    static constexpr int SlowWaitMs = 244;
    static constexpr int MinWaitMs = 1;
    static constexpr int MaxWaitMs = 5000;

    explicit SupplyScan(DeviceSession &session, QObject *parent = nullptr);
    ~SupplyScan() override;

    // Probes every Slave ID of `slaveIds` in order on the session's port, named `portName` in
    // the results; with `survey`, reads the cells of each supply that answers.
    void start(const QString &portName, const QVector<quint8> &slaveIds, int waitMs = DefaultWaitMs,
               bool survey = true);
    void cancel();
    bool isRunning() const { return m_running; }
    const ScanOutcome &outcome() const { return m_outcome; }
    // For a tool without a window: returns once the scan has finished.
    void waitForFinished();

    // The four cells of the supply at `slaveId`, as a scan surveys them; stops early when
    // `stop` is set.
    static QVector<FoundSupply::Cell> survey(DeviceLink &link, quint8 slaveId,
                                             const std::atomic<bool> *stop = nullptr);

signals:
    // Addresses probed of all, and the time left in ms (-1 while unknown).
    void progress(int done, int total, qint64 leftMs);
    void found(const FoundSupply &supply);
    void finished();

private:
    DeviceSession &m_session;
    std::shared_ptr<std::atomic<bool>> m_stop;
    ScanOutcome m_outcome;
    bool m_running = false;
    // Counts the scans started: only the last one's reports count.
    quint64 m_generation = 0;
};

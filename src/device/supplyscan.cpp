#include "supplyscan.h"

#include "devicelink.h"
#include "deviceprotocol.h"
#include "devicesession.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>

SupplyScan::SupplyScan(DeviceSession &session, QObject *parent)
    : QObject(parent), m_session(session), m_stop(std::make_shared<std::atomic<bool>>(false))
{
    qRegisterMetaType<FoundSupply>();
}

SupplyScan::~SupplyScan()
{
    // A job still queued or running must not go on for nobody.
    m_stop->store(true);
}

QVector<FoundSupply::Cell> SupplyScan::survey(DeviceLink &link, quint8 slaveId,
                                              const std::atomic<bool> *stop)
{
    QVector<FoundSupply::Cell> cells;
    for (int cell = 0; cell < DeviceProtocol::CellCount; ++cell) {
        if (stop && stop->load()) {
            break;
        }
        FoundSupply::Cell found;
        int count = 0;
        QString name;
        found.read = link.ReadSize(slaveId, cell, DeviceProtocol::AccessMemoryRead, count) ==
                         LinkResult::Success &&
                     !(stop && stop->load()) &&
                     link.ReadPrgName(slaveId, name, cell, DeviceProtocol::AccessMemoryRead) ==
                         LinkResult::Success;
        if (found.read) {
            found.count = count;
            found.name = name;
        }
        cells.append(found);
    }
    return cells;
}

void SupplyScan::start(const QString &portName, const QVector<quint8> &slaveIds, int waitMs,
                       bool withSurvey)
{
    // A scan still under way gives way to this one; what it still reports is not this one's.
    m_stop->store(true);
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = ++m_generation;
    m_outcome = ScanOutcome();
    m_running = true;
    // Runs `call` in the caller's thread unless a later scan has started meanwhile.
    const auto ours = [this, generation](std::function<void()> call) {
        return [this, generation, call = std::move(call)]() {
            if (generation == m_generation)
                call();
        };
    };
    DeviceSession::Job job;
    job.owner = this;
    job.cancel = [stop = m_stop]() { stop->store(true); };
    job.work = [this, ours, stop = m_stop, portName, slaveIds, waitMs,
                withSurvey](DeviceLink &link, DeviceSession::Context &context) {
        QElapsedTimer clock;
        clock.start();
        const quint64 framesBefore = link.sentFrames();
        int probed = 0;
        bool cancelled = false;
        for (const quint8 slaveId : slaveIds) {
            if (stop->load()) {
                cancelled = true;
                break;
            }
            const DeviceLink::ProbeAnswer answer = link.Probe(slaveId, waitMs);
            ++probed;
            if (answer.answers > 0) {
                FoundSupply supply;
                supply.port = portName;
                supply.slaveId = slaveId;
                supply.duplicate = answer.answers > 1;
                if (withSurvey && !supply.duplicate) {
                    supply.cells = survey(link, slaveId, stop.get());
                }
                context.post(ours([this, supply]() {
                    m_outcome.found.append(supply);
                    emit found(supply);
                }));
            }
            const qint64 elapsed = clock.elapsed();
            const qint64 leftMs = elapsed * (slaveIds.size() - probed) / probed;
            context.post(ours([this, probed, total = int(slaveIds.size()), leftMs]() {
                emit progress(probed, total, leftMs);
            }));
        }
        context.post(ours([this, probed, cancelled = cancelled || stop->load(),
                           ms = clock.elapsed(), requests = link.sentFrames() - framesBefore]() {
            m_outcome.probed = probed;
            m_outcome.ms = ms;
            m_outcome.requests = requests;
            m_outcome.cancelled = cancelled;
        }));
    };
    job.done = ours([this]() {
        m_running = false;
        emit finished();
    });
    m_session.submit(std::move(job));
}

void SupplyScan::cancel()
{
    m_stop->store(true);
}

void SupplyScan::waitForFinished()
{
    if (!m_running) {
        return;
    }
    QEventLoop loop;
    connect(this, &SupplyScan::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

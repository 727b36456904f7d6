#include "sessiontransfer.h"

#include "devicesession.h"

#include <QEventLoop>
#include <QMutex>
#include <QMutexLocker>

// What the caller's side and the steps in the line's thread share. The job is made by the first
// step, on the line it runs on, and lives as long as the transfer.
struct SessionTransfer::Shared
{
    QMutex mutex;
    std::unique_ptr<TransferJob> job;
    bool cancelled = false;
    // The running step's way back to the caller; set only while a step runs.
    DeviceSession::Context *context = nullptr;
};

SessionTransfer::SessionTransfer(DeviceSession &session, quint8 slaveId, int cell, QObject *parent)
    : QObject(parent), m_session(session), m_shared(std::make_shared<Shared>()), m_slaveId(slaveId),
      m_cell(cell)
{
}

SessionTransfer::~SessionTransfer()
{
    // A step still queued or running ends early and tells nobody.
    cancel();
}

void SessionTransfer::cancel()
{
    const QMutexLocker lock(&m_shared->mutex);
    m_shared->cancelled = true;
    if (m_shared->job)
        m_shared->job->cancel();
}

bool SessionTransfer::stopRequested() const
{
    const QMutexLocker lock(&m_shared->mutex);
    return m_shared->cancelled;
}

void SessionTransfer::run(Step step)
{
    ++m_running;
    DeviceSession::Job job;
    job.owner = this;
    job.cancel = [shared = m_shared]() {
        const QMutexLocker lock(&shared->mutex);
        if (shared->job)
            shared->job->cancel();
    };
    job.work = [shared = m_shared, slaveId = m_slaveId, cell = m_cell, step = std::move(step),
                self = this](DeviceLink &link, DeviceSession::Context &context) {
        {
            const QMutexLocker lock(&shared->mutex);
            if (!shared->job) {
                // The job lives inside `state`, so its callbacks may hold it plainly.
                Shared *state = shared.get();
                shared->job = std::make_unique<TransferJob>(
                    link, slaveId, cell, [state, self](const QString &text) {
                        state->context->post([self, text]() { emit self->line(text); });
                    });
                shared->job->setProgress([state, self](int done, int total, qint64 leftMs) {
                    state->context->post([self, done, total, leftMs]() {
                        emit self->progress(done, total, leftMs);
                    });
                });
            }
            if (shared->cancelled)
                shared->job->cancel();
            shared->context = &context;
        }
        // The job is not touched from the caller's side beyond cancel(), which is safe.
        step(*shared->job);
        shared->context = nullptr;
        context.post([self, outcome = shared->job->outcome()]() { self->m_outcome = outcome; });
    };
    job.done = [this]() {
        --m_running;
        emit finished();
    };
    m_session.submit(std::move(job));
}

void SessionTransfer::write(const InstructionList &program, const QString &name)
{
    run([program, name](TransferJob &job) { job.write(program, name); });
}

void SessionTransfer::read(const Decoder &decoder)
{
    run([decoder](TransferJob &job) { job.read(decoder); });
}

void SessionTransfer::compare(const InstructionList &program, const QString &name,
                              const QVector<int> &sourceLines, bool quiet)
{
    run([program, name, sourceLines, quiet](TransferJob &job) {
        job.compare(program, name, sourceLines, quiet);
    });
}

void SessionTransfer::waitForFinished()
{
    if (!isRunning())
        return;
    QEventLoop loop;
    connect(this, &SessionTransfer::finished, &loop, [this, &loop]() {
        if (!isRunning())
            loop.quit();
    });
    loop.exec();
}

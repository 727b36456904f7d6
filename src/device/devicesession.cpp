#include "devicesession.h"

#include "devicelink.h"
#include "exchangelog.h"

#include <QEventLoop>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <atomic>
#include <deque>
#include <utility>

DeviceSession::Context::~Context() = default;

namespace {

// One entry of the queue: a caller's job, or the session's own opening of the port.
struct Entry
{
    DeviceSession::Job job;
    // The owner was given, so the callbacks stop once it is gone.
    bool owned = false;
    // Set for an open: the port to open and the close count it was asked under.
    bool opens = false;
    QString portName;
    quint64 generation = 0;
};

} // namespace

// The session's inside, living in the line's thread: the connection, the queue and the job that
// runs. Everything here but submit(), cancelRunning() and forwarding() runs in that thread.
class SessionWorker : public QObject, private ExchangeObserver
{
public:
    explicit SessionWorker(DeviceSession *session) : m_session(session) {}

    // In the line's thread, before anything else.
    void setUp()
    {
        m_connection = std::make_unique<DeviceConnection>();
        m_connection->link().setEventSink(this);
        QObject::connect(m_connection.get(), &DeviceConnection::lineLost, this,
                         [this](QSerialPort::SerialPortError error) {
                             toCaller([session = m_session, error]() {
                                 if (!session->m_open)
                                     return;
                                 session->m_open = false;
                                 emit session->lineLost(error);
                             });
                         });
    }

    QSerialPort *port() const { return m_connection ? m_connection->port() : nullptr; }

    // Either thread.
    void submit(std::shared_ptr<Entry> entry)
    {
        {
            const QMutexLocker lock(&m_mutex);
            m_queue.push_back(std::move(entry));
        }
        QMetaObject::invokeMethod(
            this, [this]() { runQueue(); }, Qt::QueuedConnection);
    }

    // Either thread.
    void cancelRunning()
    {
        const QMutexLocker lock(&m_mutex);
        if (m_running && m_running->job.cancel)
            m_running->job.cancel();
    }

    void setForwarding(bool on) { m_forwarding = on; }

    // Closes the port at once, inside a running job's wait too, and drops opens still queued:
    // they were asked for before this close. The caller counts its closes as jobs.
    void closePort(bool callers)
    {
        std::deque<std::shared_ptr<Entry>> dropped;
        {
            const QMutexLocker lock(&m_mutex);
            for (auto it = m_queue.begin(); it != m_queue.end();) {
                if ((*it)->opens) {
                    dropped.push_back(*it);
                    it = m_queue.erase(it);
                } else {
                    ++it;
                }
            }
        }
        m_connection->close();
        for (std::size_t i = 0; i < dropped.size() + (callers ? 1 : 0); ++i)
            toCaller([session = m_session]() { session->jobEnded(); });
    }

    void setTraceDevice(QIODevice *device) { m_connection->link().setTraceDevice(device); }

    // The session is going: nothing more starts, the running job ends as a close would end it.
    void shutdown()
    {
        m_stopping = true;
        {
            const QMutexLocker lock(&m_mutex);
            m_queue.clear();
        }
        cancelRunning();
        m_connection->close();
        if (!m_inJob)
            finish();
    }

private:
    class JobContext : public DeviceSession::Context
    {
    public:
        JobContext(SessionWorker &worker, std::shared_ptr<Entry> entry)
            : m_worker(worker), m_entry(std::move(entry))
        {
        }
        void post(std::function<void()> call) override
        {
            m_worker.toCaller([entry = m_entry, call = std::move(call)]() {
                if (!entry->owned || entry->job.owner)
                    call();
            });
        }

    private:
        SessionWorker &m_worker;
        std::shared_ptr<Entry> m_entry;
    };

    void toCaller(std::function<void()> call)
    {
        QMetaObject::invokeMethod(m_session, std::move(call), Qt::QueuedConnection);
    }

    std::shared_ptr<Entry> take()
    {
        const QMutexLocker lock(&m_mutex);
        if (m_queue.empty())
            return nullptr;
        auto it = m_queue.begin();
        while (it != m_queue.end() && (*it)->job.yields)
            ++it;
        if (it == m_queue.end())
            it = m_queue.begin();
        m_running = *it;
        m_queue.erase(it);
        return m_running;
    }

    void runQueue()
    {
        // Also posted while a job waits for an answer: that job goes on, the queue after it.
        if (m_inJob || m_stopping)
            return;
        m_inJob = true;
        while (std::shared_ptr<Entry> entry = take()) {
            if (entry->opens)
                openPort(*entry);
            else
                runJob(entry);
            {
                const QMutexLocker lock(&m_mutex);
                m_running.reset();
            }
            if (m_stopping)
                break;
        }
        m_inJob = false;
        if (m_stopping)
            finish();
    }

    void runJob(const std::shared_ptr<Entry> &entry)
    {
        JobContext context(*this, entry);
        if (entry->job.work)
            entry->job.work(m_connection->link(), context);
        toCaller([entry, session = m_session]() {
            if (entry->job.done && (!entry->owned || entry->job.owner))
                entry->job.done();
            session->jobEnded();
        });
    }

    void openPort(const Entry &entry)
    {
        m_connection->close();
        const bool ok = m_connection->open(entry.portName);
        toCaller([session = m_session, ok, failure = m_connection->failure(),
                  generation = entry.generation, this]() {
            session->jobEnded();
            if (generation != m_generation) {
                // Closed again before the open was done: the caller no longer wants it.
                if (ok)
                    QMetaObject::invokeMethod(
                        this, [this]() { closePort(false); }, Qt::QueuedConnection);
                return;
            }
            session->m_opening = false;
            session->m_open = ok;
            session->m_failure = failure;
            emit session->opened(ok);
        });
    }

    void finish()
    {
        m_connection.reset();
        QThread::currentThread()->quit();
    }

    void exchangeEvent(const ExchangeEvent &event) override
    {
        if (!m_forwarding)
            return;
        toCaller([session = m_session, event]() {
            if (session->m_observer)
                session->m_observer->exchangeEvent(event);
        });
    }

    DeviceSession *m_session;
    std::unique_ptr<DeviceConnection> m_connection;
    QMutex m_mutex;
    std::deque<std::shared_ptr<Entry>> m_queue;
    std::shared_ptr<Entry> m_running;
    std::atomic<bool> m_forwarding{false};
    bool m_inJob = false;
    bool m_stopping = false;

public:
    // Counts the caller's closes; read and written in the caller's thread only.
    quint64 m_generation = 0;
};

DeviceSession::DeviceSession(QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new SessionWorker(this))
{
    m_thread->setObjectName(QStringLiteral("DeviceSession"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
    // The port is made in its own thread; port() has it from here on.
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker]() { worker->setUp(); }, Qt::BlockingQueuedConnection);
}

DeviceSession::~DeviceSession()
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker]() { worker->shutdown(); }, Qt::QueuedConnection);
    m_worker->cancelRunning();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void DeviceSession::open(const QString &portName)
{
    m_requestedName = portName;
    m_failure = DeviceConnection::OpenFailure();
    m_opening = true;
    m_open = false;
    auto entry = std::make_shared<Entry>();
    entry->opens = true;
    entry->portName = portName;
    entry->generation = m_worker->m_generation;
    ++m_pending;
    m_worker->submit(std::move(entry));
}

void DeviceSession::close()
{
    ++m_worker->m_generation;
    m_open = false;
    m_opening = false;
    ++m_pending;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker]() { worker->closePort(true); }, Qt::QueuedConnection);
}

void DeviceSession::submit(Job job)
{
    auto entry = std::make_shared<Entry>();
    entry->owned = !job.owner.isNull();
    entry->job = std::move(job);
    ++m_pending;
    m_worker->submit(std::move(entry));
}

void DeviceSession::cancel()
{
    m_worker->cancelRunning();
}

void DeviceSession::setTraceDevice(QIODevice *device)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, device]() { worker->setTraceDevice(device); },
        Qt::QueuedConnection);
}

void DeviceSession::setExchangeObserver(ExchangeObserver *observer)
{
    m_observer = observer;
    m_worker->setForwarding(observer != nullptr);
}

QSerialPort *DeviceSession::port() const
{
    return m_worker->port();
}

void DeviceSession::waitUntilIdle()
{
    if (isIdle())
        return;
    QEventLoop loop;
    connect(this, &DeviceSession::idle, &loop, &QEventLoop::quit);
    loop.exec();
}

void DeviceSession::jobEnded()
{
    if (--m_pending == 0)
        emit idle();
}

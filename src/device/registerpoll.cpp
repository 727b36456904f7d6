#include "registerpoll.h"

#include "deviceconnection.h"
#include "devicelink.h"
#include "devicesession.h"
#include "transferwording.h"

#include <QDateTime>

RegisterPoll::RegisterPoll(DeviceSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    m_timer.setSingleShot(true);
    // Precise: a coarse timer would drift the samples by up to 5 % of the interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RegisterPoll::submitPoll);
    connect(&m_session, &DeviceSession::lineLost, this, [this](QSerialPort::SerialPortError error) {
        if (m_running)
            halt(TransferWording::lostLine() + QStringLiteral(": ") +
                 DeviceConnection::lossReason(error));
    });
}

RegisterPoll::~RegisterPoll()
{
    if (m_cancel)
        m_cancel->store(true);
}

void RegisterPoll::setSettings(const Settings &settings)
{
    m_settings = settings;
    m_settings.intervalMs =
        qMax(settings.intervalMs, RegisterLayout::shortestIntervalMs(settings.keys));
}

bool RegisterPoll::start()
{
    if (!m_session.isOpen()) {
        halt(tr("Порт не открыт: подключитесь к прибору"));
        return false;
    }
    if (m_running)
        return true;
    m_running = true;
    submitPoll();
    return true;
}

void RegisterPoll::stop()
{
    if (!m_running)
        return;
    halt(QString());
}

void RegisterPoll::halt(const QString &reason)
{
    m_running = false;
    m_timer.stop();
    if (m_cancel)
        m_cancel->store(true);
    emit stopped(reason);
}

void RegisterPoll::resetCounts()
{
    m_polls = 0;
    m_failed = 0;
}

void RegisterPoll::submitPoll()
{
    if (!m_running || m_inFlight)
        return;
    if (!m_session.isOpen()) {
        halt(tr("Порт закрыт"));
        return;
    }
    m_inFlight = true;
    m_pollStart.start();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    auto sample = std::make_shared<RegisterSample>();
    sample->slave = m_settings.slave;
    const Settings settings = m_settings;

    DeviceSession::Job job;
    job.owner = this;
    job.yields = true;
    job.work = [sample, settings, cancel = m_cancel](DeviceLink &link, DeviceSession::Context &) {
        sample->time = QDateTime::currentDateTimeUtc();
        for (const QString &key : settings.keys) {
            const RegisterLayout::Block *block = RegisterLayout::find(key);
            if (!block)
                continue;
            RegisterSample::Reading reading;
            reading.key = block->key;
            // A stopped poll still reports every block it was asked for, unread ones failed.
            if (!cancel->load())
                reading.result = RegisterLayout::read(link, settings.slave, *block, settings.access,
                                                      reading.values);
            sample->readings.append(reading);
        }
    };
    job.done = [this, sample]() { pollDone(*sample); };
    job.cancel = [cancel = m_cancel]() { cancel->store(true); };
    m_session.submit(std::move(job));
}

void RegisterPoll::pollDone(const RegisterSample &sample)
{
    m_inFlight = false;
    const bool cut = m_cancel && m_cancel->load();
    if (!cut || sample.complete()) {
        ++m_polls;
        if (!sample.complete())
            ++m_failed;
        emit sampled(sample);
    }
    if (!m_running)
        return;
    const qint64 wait = m_settings.intervalMs - m_pollStart.elapsed();
    m_timer.start(int(qMax<qint64>(0, wait)));
}

// The link's exchanges: waiting for the line that answers a request, retries, doubt about
// answers that came twice, and dropping whatever else the device sends.

#include "devicelink.h"

#include "deviceprotocol.h"
#include "exchangelog.h"
#include "framecodec.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QTimer>

#include <utility>

namespace {

bool isLinkError(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

// Bytes of a reply that say whom it answers: destination, source, command.
constexpr int AddressedBytes = 3;
constexpr qint64 NsPerMs = 1000000;

} // namespace

bool DeviceLink::answersSomethingElse(const QByteArray &line, const Expected &expected) const
{
    // A line that does not decode says nothing about whom it answers: it stays the reply, and
    // the checks reject it.
    const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
    if (!decoded || decoded->size() < AddressedBytes) {
        return false;
    }
    return quint8(decoded->at(0)) != FrameCodec::OwnAddress ||
           quint8(decoded->at(1)) != expected.source || quint8(decoded->at(2)) != expected.command;
}

DeviceLink::WaitEnd DeviceLink::waitForLine(QByteArray &line, int timeoutMs,
                                            const std::optional<Expected> &expected)
{
    QElapsedTimer stopwatch;
    stopwatch.start();
    trace << "Call GetLine"
          << "\n";
    line.clear();
    if (waiting || !port->isOpen()) {
        return WaitEnd::PortClosed;
    }
    const QScopedValueRollback<bool> waitScope(waiting, true);

    // Sleep until the port has data, closes or fails, or the time-out passes.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    bool portFailed = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(port, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(port, &QIODevice::aboutToClose, &loop, &QEventLoop::quit);
    QObject::connect(port, &QSerialPort::errorOccurred, &loop,
                     [&loop, &portFailed](QSerialPort::SerialPortError error) {
                         if (isLinkError(error)) {
                             portFailed = true;
                             loop.quit();
                         }
                     });

    WaitEnd end = WaitEnd::TimeOut;
    for (;;) {
        if (port->bytesAvailable() > 0) {
            // More is buffered than one poll takes; keep the window alive between polls.
            QCoreApplication::processEvents();
        } else if (inbox.isEmpty()) {
            const qint64 remainingMs = timeoutMs - stopwatch.elapsed();
            if (remainingMs >= 0) {
                timer.start(int(remainingMs) + 1);
                // exec() returns at once while the application is quitting; waiting on
                // would spin, so give up.
                const int exitCode = loop.exec();
                timer.stop();
                if (exitCode < 0) {
                    end = WaitEnd::PortClosed;
                    break;
                }
            }
        }
        if (portFailed || !port->isOpen()) {
            end = WaitEnd::PortClosed;
            break;
        }
        if (stopwatch.elapsed() > timeoutMs) {
            end = WaitEnd::TimeOut;
            break;
        }
        if (PollReply(line)) {
            if (expected && line == lastFrame) {
                // Our own request, echoed by a two-wire adapter: not an answer, even at 200.
                trace << "Echo " << ExchangeLog::escaped(line) << "\n";
                report(ExchangeEvent::Kind::Echo, line);
                line.clear();
                continue;
            }
            if (expected && answersSomethingElse(line, *expected)) {
                // Another request's answer, or one for another station: not ours, wait on.
                trace << "Dropped " << ExchangeLog::escaped(line) << "\n";
                report(ExchangeEvent::Kind::Foreign, line);
                noteExtraAnswer(line);
                line.clear();
                continue;
            }
            if (expected && wireTiming() && lineStartNs < earliestReplyNs) {
                // Began before the request could have left the wire: an earlier answer again.
                trace << "Too early " << ExchangeLog::escaped(line) << "\n";
                report(ExchangeEvent::Kind::Stale, line);
                noteExtraAnswer(line);
                line.clear();
                continue;
            }
            report(droppingStale ? ExchangeEvent::Kind::Stale : ExchangeEvent::Kind::Received,
                   line);
            end = WaitEnd::Reply;
            break;
        }
    }
    trace.flush();
    return end;
}

void DeviceLink::scanDropped(const char *data, qint64 size)
{
    // Before any exchange was answered there is nothing a second answer could cast doubt on.
    if (!lastAnswer) {
        droppedLine.clear();
        return;
    }
    for (qint64 i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == FrameCodec::StartChar) {
            droppedLine = QByteArray(1, c);
        } else if (!droppedLine.isEmpty()) {
            droppedLine.append(c);
            if (c == FrameCodec::EndChar) {
                noteExtraAnswer(droppedLine);
                droppedLine.clear();
            } else if (droppedLine.size() > MaxLineChars) {
                droppedLine.clear();
            }
        }
    }
}

bool DeviceLink::noteExtraAnswer(const QByteArray &line)
{
    if (!lastAnswer || line == lastFrame) {
        return false;
    }
    const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
    if (!decoded || decoded->size() != lastAnswer->length || FrameCodec::crc16(*decoded) != 0 ||
        quint8(decoded->at(0)) != FrameCodec::OwnAddress ||
        quint8(decoded->at(1)) != lastAnswer->source ||
        quint8(decoded->at(2)) != lastAnswer->command) {
        return false;
    }
    doubted = lastAnswer->id;
    trace << "Second answer " << ExchangeLog::escaped(line) << "\n";
    report(ExchangeEvent::Kind::Doubt, line, qint64(lastAnswer->id));
    return true;
}

void DeviceLink::answered(quint8 dest, quint8 command, int length)
{
    lastAnswer = Answer{dest, command, length, ++exchangeCount, linkClock.nsecsElapsed()};
}

std::optional<quint64> DeviceLink::takeDoubt()
{
    return std::exchange(doubted, std::nullopt);
}

void DeviceLink::drainPending()
{
    if (busy) {
        return;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    discardInput(0);
    flushTrace();
}

void DeviceLink::settle()
{
    if (busy) {
        return;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    qint64 holdMs = 0;
    if (lastAnswer) {
        holdMs =
            qMax<qint64>(0, SettleMs - (linkClock.nsecsElapsed() - lastAnswer->atNs) / NsPerMs);
    }
    discardInput(holdMs);
    flushTrace();
}

void DeviceLink::oweAnswers(quint8 dest, quint8 command, int timeoutMs)
{
    // The last attempt's answer may be up to a time-out late and still come.
    owed = Owed{dest, command, linkClock.elapsed() + timeoutMs + StaleAnswerMarginMs};
}

void DeviceLink::discardInput(qint64 holdMs, int quietMs)
{
    // Take in what the system already holds for the port first: after a busy spell a trailing
    // answer can lie there unread, and the line would look quiet while it waits.
    if (port->isOpen()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    qint64 dropped = inbox.size();
    scanDropped(inbox.constData(), inbox.size());
    inbox.clear();
    dropped += dropAvailable();
    // An answer may still be arriving (a device that answered twice); its characters come a
    // character time apart, so wait for a short silence. A line that never falls silent holds
    // the request back at most a time-out's worth.
    const auto quietLeftNs = [this, quietMs]() {
        return lastInput.isValid() ? quietMs * NsPerMs - lastInput.nsecsElapsed() : 0;
    };
    const auto holding = [holdMs, &quietLeftNs](const QElapsedTimer &since) {
        return since.elapsed() < holdMs || quietLeftNs() > 0;
    };
    QElapsedTimer patience;
    patience.start();
    if (holding(patience) && port->isOpen()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(port, &QIODevice::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(port, &QIODevice::aboutToClose, &loop, &QEventLoop::quit);
        while (port->isOpen() && holding(patience) &&
               patience.elapsed() < holdMs + quietMs + MemoryTimeoutMs) {
            const qint64 quietLeftMs = (quietLeftNs() + NsPerMs - 1) / NsPerMs;
            timer.start(int(qMax(quietLeftMs, holdMs - patience.elapsed() + 1)));
            const int exitCode = loop.exec();
            timer.stop();
            dropped += dropAvailable();
            if (exitCode < 0) {
                break;
            }
        }
    }
    if (dropped > 0) {
        trace << "Discarded " << dropped << " chars"
              << "\n";
        report(ExchangeEvent::Kind::Discarded, {}, dropped);
    }
}

DeviceLink::WaitEnd DeviceLink::sendAndWait(quint8 dest, quint8 command, quint8 access,
                                            const QByteArray &payload, int timeoutMs,
                                            QByteArray &line)
{
    // Late answers of a request with the same header that gave up would pass for this one's:
    // let them come and drop them first.
    qint64 holdMs = 0;
    if (owed && owed->dest == dest && owed->command == command) {
        holdMs = qMax<qint64>(0, owed->untilMs - linkClock.elapsed());
        owed.reset();
    }
    int quietMs = QuietGapMs;
    if (quietStartPending && port->isOpen()) {
        // The first request on a fresh port: answers to someone else's requests may still come.
        quietStartPending = false;
        holdMs = qMax<qint64>(holdMs, QuietStartMs);
        quietMs = QuietStartMs;
    }
    discardInput(holdMs, quietMs);
    SendFrame(dest, command, access, payload);
    const WaitEnd end = waitForLine(line, timeoutMs, Expected{dest, command});
    if (end == WaitEnd::TimeOut) {
        ++timeouts;
        report(ExchangeEvent::Kind::TimeOut, {}, timeoutMs);
    }
    return end;
}

LinkResult DeviceLink::readExchange(quint8 dest, quint8 command, const QByteArray &payload,
                                    quint8 minLength, quint8 timeoutMs, quint8 access,
                                    QByteArray &reply, WaitEnd *waitEnd)
{
    reply.clear();
    // A slot run during a wait must not put a second request on the line.
    if (busy) {
        return LinkResult::NoReply;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    QByteArray line;
    const WaitEnd end = sendAndWait(dest, command, access, payload, timeoutMs, line);
    if (waitEnd) {
        *waitEnd = end;
    }
    LinkResult result = LinkResult::NoReply;
    if (end == WaitEnd::Reply) {
        const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
        result = FrameCodec::checkReadReply(decoded, minLength, trace);
        if (decoded) {
            reply = *decoded;
        }
        if (result == LinkResult::Success) {
            answered(dest, command, int(decoded->size()));
        }
    }
    flushTrace();
    return result;
}

LinkResult DeviceLink::ReadExchange(quint8 dest, quint8 command, quint8 minLength, quint8 timeoutMs,
                                    quint8 access, QByteArray &reply)
{
    return readExchange(dest, command, QByteArray(), minLength, timeoutMs, access, reply);
}

LinkResult DeviceLink::ReadExchange(quint8 dest, quint8 command, quint8 payloadByte,
                                    quint8 minLength, quint8 timeoutMs, quint8 access,
                                    QByteArray &reply)
{
    return readExchange(dest, command, QByteArray(1, char(payloadByte)), minLength, timeoutMs,
                        access, reply);
}

LinkResult DeviceLink::WriteExchange(quint8 dest, quint8 command, const QByteArray &payload,
                                     quint8 timeoutMs, quint8 access)
{
    if (busy) {
        return LinkResult::NoReply;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    QByteArray line;
    WaitEnd end = WaitEnd::TimeOut;
    int attempt = 0;
    for (; attempt < WriteAttempts && end != WaitEnd::Reply; ++attempt) {
        if (attempt > 0) {
            report(ExchangeEvent::Kind::Retry, {}, attempt + 1, WriteAttempts);
        }
        end = sendAndWait(dest, command, access, payload, timeoutMs, line);
    }
    if (end == WaitEnd::Reply && attempt > 1) {
        dropStaleAnswers(dest, command, timeoutMs, attempt - 1);
    } else if (end == WaitEnd::TimeOut) {
        oweAnswers(dest, command, timeoutMs);
    }
    trace << ExchangeLog::escaped(line);
    // A line that came is final whatever it holds: the device may have stored the data.
    const std::optional<QByteArray> decoded =
        end == WaitEnd::Reply ? FrameCodec::decodeReply(line) : std::nullopt;
    const LinkResult result =
        end == WaitEnd::Reply ? FrameCodec::checkWriteReply(decoded) : LinkResult::NoReply;
    if (result == LinkResult::Success) {
        answered(dest, command, int(decoded->size()));
    }
    flushTrace();
    return result;
}

void DeviceLink::dropStaleAnswers(quint8 dest, quint8 command, int timeoutMs, int count)
{
    // A request that timed out may have been answered late: the retry then took that answer,
    // and the retry's own answer is still on its way. It carries the same header as the answer
    // to a following request of the same kind (line i+1 after line i), so it would pass for
    // that: wait for it and drop it, without traces, as nothing was asked.
    QIODevice *traceDevice = trace.string() ? nullptr : trace.device();
    setTraceDevice(nullptr);
    const QScopedValueRollback<bool> staleScope(droppingStale, true);
    QByteArray stale;
    // Each retry went out a time-out after the request before it, and its frame took time to
    // send. A wait that ends without an answer means the rest were never sent.
    for (int i = 0; i < count && waitForLine(stale, timeoutMs + StaleAnswerMarginMs,
                                             Expected{dest, command}) == WaitEnd::Reply;
         ++i) {
    }
    setTraceDevice(traceDevice);
}

LinkResult DeviceLink::readMemory(quint8 dest, quint8 command, const QByteArray &payload,
                                  quint8 minLength, quint8 access, QByteArray &reply)
{
    LinkResult result = LinkResult::NoReply;
    bool timedOut = false;
    for (int run = 0; run < MemoryReadRuns && result != LinkResult::Success; ++run) {
        WaitEnd end = WaitEnd::PortClosed;
        if (run > 0) {
            report(ExchangeEvent::Kind::Retry, {}, run + 1, MemoryReadRuns);
        }
        result =
            readExchange(dest, command, payload, minLength, MemoryTimeoutMs, access, reply, &end);
        if (timedOut && end == WaitEnd::Reply) {
            dropStaleAnswers(dest, command, MemoryTimeoutMs, 1);
        }
        timedOut = timedOut || end == WaitEnd::TimeOut;
        if (end == WaitEnd::TimeOut && run + 1 == MemoryReadRuns) {
            oweAnswers(dest, command, MemoryTimeoutMs);
        }
    }
    return result;
}

DeviceLink::ProbeAnswer DeviceLink::Probe(quint8 dest, int waitMs)
{
    ProbeAnswer answer;
    if (busy) {
        return answer;
    }
    const QScopedValueRollback<bool> busyScope(busy, true);
    const quint8 command = cellCommand(DeviceProtocol::CountCommandBase, 0);
    qint64 holdMs = 0;
    int quietMs = QuietGapMs;
    if (quietStartPending && port->isOpen()) {
        // The line's quiet start: someone else's answers may still be on their way.
        quietStartPending = false;
        holdMs = QuietStartMs;
        quietMs = QuietStartMs;
    }
    discardInput(holdMs, quietMs);
    SendFrame(dest, command, DeviceProtocol::AccessMemoryRead, QByteArray());
    QElapsedTimer window;
    window.start();
    for (qint64 leftMs = waitMs; leftMs >= 0; leftMs = waitMs - window.elapsed()) {
        QByteArray line;
        if (waitForLine(line, int(leftMs), Expected{dest, command}) != WaitEnd::Reply) {
            break;
        }
        const std::optional<QByteArray> decoded = FrameCodec::decodeReply(line);
        if (FrameCodec::checkReadReply(decoded, SizeMinLength, trace) != LinkResult::Success) {
            continue;
        }
        if (++answer.answers == 1) {
            answer.count = quint8(decoded->at(FrameCodec::HeaderBytes));
            answered(dest, command, int(decoded->size()));
        }
    }
    if (answer.answers == 0) {
        ++timeouts;
        report(ExchangeEvent::Kind::TimeOut, {}, waitMs);
    }
    flushTrace();
    return answer;
}

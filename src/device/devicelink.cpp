// The link's construction, its traces and its transport: a request's frame onto the port in
// small pieces, polling the port for a reply line, and dropping input nobody waits for.

#include "devicelink.h"

#include "exchangelog.h"
#include "framecodec.h"

#include <QFile>
#include <QSerialPort>

#include <cstdio>

namespace {

// Characters dropped per read while draining.
constexpr int DrainChunkChars = 4096;
constexpr qint64 NsPerMs = 1000000;
// One character of 9600 8N1 on the wire: start bit, eight data bits, stop bit.
constexpr qint64 CharNs = 10 * 1000000000LL / 9600;

} // namespace

DeviceLink::DeviceLink(QSerialPort *serialPort)
    : port(serialPort), standardOutput(std::make_unique<QFile>()),
      idleReader(std::make_unique<QObject>())
{
    // The chunks read from the port are traced byte for byte.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    trace.setEncoding(QStringConverter::Latin1);
#else
    trace.setCodec("ISO-8859-1");
#endif
    if (standardOutput->open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        trace.setDevice(standardOutput.get());
    } else {
        trace.setString(&discardedTrace, QIODevice::WriteOnly);
    }
    linkClock.start();
    // Unread input would pile up in the port's buffer without bound and feed the next request.
    QObject::connect(port, &QIODevice::readyRead, idleReader.get(), [this]() { drainWhileIdle(); });
    // Whatever the port is opened on next may still carry answers to someone else's requests.
    QObject::connect(port, &QIODevice::aboutToClose, idleReader.get(),
                     [this]() { quietStartPending = true; });
}

DeviceLink::~DeviceLink()
{
    trace.flush();
}

void DeviceLink::setTraceDevice(QIODevice *device)
{
    trace.flush();
    if (device) {
        trace.setDevice(device);
    } else {
        discardedTrace.clear();
        trace.setString(&discardedTrace, QIODevice::WriteOnly);
    }
}

void DeviceLink::flushTrace()
{
    trace.flush();
    if (trace.string()) {
        discardedTrace.clear();
    }
}

void DeviceLink::SendFrame(quint8 dest, quint8 command, quint8 access, const QByteArray &payload)
{
    // Empty when the payload would not fit its length byte: then nothing is sent.
    const QByteArray text =
        FrameCodec::encodeFrame(dest, FrameCodec::OwnAddress, command, access, payload);
    if (text.isEmpty()) {
        return;
    }
    lastFrame = text;
    if (port->isOpen()) {
        ++framesSent;
    }
    report(ExchangeEvent::Kind::Sent, text);
    earliestReplyNs = linkClock.nsecsElapsed() + text.size() * CharNs - WireToleranceMs * NsPerMs;
    // The start character, each byte's two digits, the end character: one write each.
    PortWrite(text.constData(), 1);
    for (int i = 1; i + 1 < text.size(); i += 2) {
        PortWrite(text.constData() + i, 2);
    }
    PortWrite(text.constData() + text.size() - 1, 1);
}

void DeviceLink::PortWrite(const char *data, quint8 length)
{
    if (!port->isOpen()) {
        return;
    }
    // Qt 5.15's waitForBytesWritten() on Unix does not return once it has written the buffer:
    // it goes on waiting for input until its time-out, so a wait around every piece cost 300 ms.
    // Hand the characters to the driver at once; wait only while it cannot take them yet.
    port->write(data, length);
    // Writing may have found the port dead and a guard may have closed it.
    if (port->isOpen() && !port->flush() && port->isOpen() && port->bytesToWrite() > 0) {
        port->waitForBytesWritten(PortWriteWaitMs);
    }
}

bool DeviceLink::PollReply(QByteArray &line)
{
    if (!port->isOpen()) {
        return false;
    }
    // What followed the last line's CR comes first; it was traced when it was read.
    QByteArray chunk;
    qint64 chunkNs = inboxReadNs;
    if (!inbox.isEmpty()) {
        chunk.swap(inbox);
    } else {
        chunk = port->read(PollChunkChars);
        chunkNs = linkClock.nsecsElapsed();
        if (!chunk.isEmpty()) {
            lastInput.start();
        }
        trace << ExchangeLog::escaped(chunk);
    }
    // A line ends at its first CR; the rest may be the start of the next line.
    const auto takeUpToEnd = [this, &chunk, chunkNs](int from) {
        const int end = chunk.indexOf(FrameCodec::EndChar, from);
        if (end < 0) {
            return chunk.mid(from);
        }
        inbox = chunk.mid(end + 1);
        inboxReadNs = chunkNs;
        return chunk.mid(from, end + 1 - from);
    };
    if (line.contains(FrameCodec::StartChar)) {
        const QByteArray part = takeUpToEnd(0);
        line.append(part);
        trace << "line+" << ExchangeLog::escaped(part) << "\n";
    } else {
        const int start = chunk.indexOf(FrameCodec::StartChar);
        if (start >= 0) {
            lineStartNs = chunkNs;
            line = takeUpToEnd(start);
            trace << "line=" << ExchangeLog::escaped(line) << "\n";
        }
    }
    // A line that outgrows every reply without ending is handed on for decoding to reject,
    // so a flooding device cannot grow it without bound.
    if (line.contains(FrameCodec::EndChar) || line.size() > MaxLineChars) {
        trace << "\n"
              << "LineCode = " << ExchangeLog::escaped(line) << "\n";
        return true;
    }
    return false;
}

qint64 DeviceLink::dropAvailable()
{
    qint64 dropped = 0;
    char sink[DrainChunkChars];
    while (port->isOpen() && port->bytesAvailable() > 0) {
        const qint64 got = port->read(sink, sizeof sink);
        if (got <= 0) {
            break;
        }
        dropped += got;
        scanDropped(sink, got);
    }
    if (dropped > 0) {
        lastInput.start();
    }
    return dropped;
}

void DeviceLink::drainWhileIdle()
{
    if (busy || waiting) {
        return;
    }
    scanDropped(inbox.constData(), inbox.size());
    inbox.clear();
    dropAvailable();
}

bool DeviceLink::wireTiming() const
{
    switch (replyTiming) {
    case ReplyTiming::Wire:
        return true;
    case ReplyTiming::NoWire:
        return false;
    case ReplyTiming::Auto:
        break;
    }
    // A pseudo-terminal hands characters over at once: nothing there crosses a wire.
    return !port->portName().startsWith(QLatin1String("pts/")) &&
           !port->portName().contains(QLatin1String("/pts/"));
}

bool DeviceLink::applyLineSettings(QSerialPort &port)
{
    // Every setting is tried, as the device line needs all of them.
    bool ok = port.setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections);
    ok = port.setDataBits(QSerialPort::Data8) && ok;
    ok = port.setParity(QSerialPort::NoParity) && ok;
    ok = port.setStopBits(QSerialPort::OneStop) && ok;
    return ok;
}

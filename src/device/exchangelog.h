#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QIODevice;

// The exchange log: what the link tells an observer about each frame and each event on the line,
// and the one text form of it that the window's log and the tool's --trace both show.

// One entry of the log, stamped when it happened.
struct ExchangeEvent
{
    enum class Kind
    {
        Sent,
        Received,
        TimeOut,
        Retry,
        // A line that answers another request or another station.
        Foreign,
        // A line that began before the request could have crossed the wire, or an answer to an
        // earlier attempt that came after its retry was answered.
        Stale,
        Echo,
        Discarded,
        Doubt,
    };

    Kind kind = Kind::Sent;
    // Local time of day in milliseconds since the epoch.
    qint64 atMs = 0;
    // The line as it travelled (Sent, Received, Foreign, Stale, Echo, Doubt).
    QByteArray frame;
    // Time-out: milliseconds; Retry: the attempt now starting; Discarded: characters;
    // Doubt: the exchange in doubt.
    qint64 value = 0;
    // Retry: attempts in all.
    int limit = 0;

    static ExchangeEvent now(Kind kind, const QByteArray &frame = {}, qint64 value = 0,
                             int limit = 0);
};

// Receives the link's events as they happen, on the link's thread. Must not use the link.
class ExchangeObserver
{
public:
    virtual ~ExchangeObserver();
    virtual void exchangeEvent(const ExchangeEvent &event) = 0;

protected:
    ExchangeObserver() = default;
    ExchangeObserver(const ExchangeObserver &) = default;
    ExchangeObserver &operator=(const ExchangeObserver &) = default;
};

namespace ExchangeLog {

// Text of raw line bytes: control characters (and the backslash) as \xNN, the rest as Latin-1.
QString escaped(const QByteArray &bytes);
// The frame's header in words: destination, source, command and access (sent) or status
// (received); empty when the line does not decode to a header.
QString header(const QByteArray &frame, bool sent);
// One log line without its line end: time stamp, direction or event mark, frame text and
// header, or the event in words.
QString line(const ExchangeEvent &event);

} // namespace ExchangeLog

// Writes each event as a log line to a device it does not own (the tool's standard error).
class ExchangeLogWriter : public ExchangeObserver
{
public:
    explicit ExchangeLogWriter(QIODevice *device) : out(device) {}
    void exchangeEvent(const ExchangeEvent &event) override;

private:
    QIODevice *out;
};

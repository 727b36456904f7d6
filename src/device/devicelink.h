#pragma once

#include "exchangelog.h"
#include "linkresult.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

#include <array>
#include <memory>
#include <optional>

class QFile;
class QObject;
class QIODevice;
class QSerialPort;
struct Instruction;

// Talks to one power supply over a serial port it does not own: frames out, reply lines in,
// the read and write exchanges with their retries, and the device's requests.
//
// A reply counts only for the request it answers: input waiting before a request is sent is
// dropped, and a line whose destination, source or command byte shows that it answers something
// else is dropped while the wait goes on. Input that comes while no exchange waits is read and
// dropped at once, so a chattering device costs no memory. Construction, traces and the transport
// live in devicelink.cpp, the exchanges in linkexchange.cpp, the request layouts in
// linkrequests.cpp. Frame layout, CRC and the device's codes come from the frame codec and
// DeviceProtocol, which the link does not re-export.
//
// Waiting for a reply sleeps in a local event loop of the link's thread (the device session's),
// so a close posted to that thread meanwhile still runs. The link refuses to start an exchange
// while another is waiting (it gives NoReply without sending), and a wait ends at once when the
// port closes or fails. Do not destroy the link or its port from a slot that runs during a wait.
//
// A line counts as an answer only when it could be one: our own request echoed back by a
// two-wire adapter is dropped, and so, on a real line, is a line that began before the request
// could have crossed the wire at 9600 baud (a repeat of an earlier answer, a noisy bus). An
// answer with the header of the last answered exchange that comes when none is due (while
// draining before a request, during the next wait, while settling) casts doubt on that
// exchange: takeDoubt() tells the caller, which asks again. The first request after the port
// was opened waits until the line has been quiet for a reply window, so that a late answer to an
// earlier run is not taken for its own.
//
// Traces and reply diagnostics go to standard output unless setTraceDevice() says otherwise;
// they are flushed after every exchange.
class DeviceLink
{
public:
    // Sets the device line's 9600 baud (both directions), 8 data bits, no parity, one stop bit on
    // an open port, in that order. False when the port refused one of them.
    static bool applyLineSettings(QSerialPort &port);

    // Time-outs of one wait for a reply.
    static constexpr quint8 MemoryTimeoutMs = 244;
    static constexpr quint8 RegisterTimeoutMs = 200;
    // Most characters taken from the port in one poll.
    static constexpr int PollChunkChars = 100;
    // A reply line without CR that grows past this is garbage; the longest reply is 58 chars.
    static constexpr int MaxLineChars = 600;
    // The first request on a freshly opened port waits for this much silence.
    static constexpr int QuietStartMs = MemoryTimeoutMs;
    static constexpr int WriteAttempts = 3;
    static constexpr int MemoryReadRuns = 2;
    // Before a request goes out the line must have been quiet this long, so that the rest of an
    // answer still on its way (a device that answers twice) is dropped, not taken as the reply.
    // Three characters at 9600 baud.
    static constexpr int QuietGapMs = 3;

    // Values of the fixed registers' layouts.
    static constexpr int Register10Values = 6;
    static constexpr int RegisterA8Values = 11;
    static constexpr int RegisterABBytes = 7;

    explicit DeviceLink(QSerialPort *port);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Where traces go; nullptr discards them. The device is not owned.
    void setTraceDevice(QIODevice *device);
    // Who hears of every frame sent and received and of the line's events (the exchange log);
    // nullptr for nobody. Not owned; it must outlive the link or be unset first.
    void setEventSink(ExchangeObserver *observer) { eventSink = observer; }

    // Whether a reply must have begun after the request crossed the wire. Auto applies it on
    // every port except pseudo-terminals, which have no wire (a simulator there can pace itself
    // and the tests then choose Wire).
    enum class ReplyTiming
    {
        Auto,
        Wire,
        NoWire,
    };
    void setReplyTiming(ReplyTiming timing) { replyTiming = timing; }
    // The next request waits for a quiet line first, as after the port was opened.
    void requireQuietStart() { quietStartPending = true; }

    // Each exchange that ended in Success gets a number; 0 before the first.
    quint64 lastAnsweredExchange() const { return lastAnswer ? lastAnswer->id : 0; }
    // The exchange a second answer cast doubt on since the last call, if any.
    std::optional<quint64> takeDoubt();
    // Drops what has arrived until the line is quiet, as before a request, so that a second
    // answer already there is seen now.
    void drainPending();
    // Listens until SettleMs after the last answer have passed on a quiet line; call after a
    // transfer's last request, before its success is reported.
    void settle();

    // Exchanges; `reply` receives the decoded bytes (empty when nothing decoded).
    LinkResult ReadExchange(quint8 dest, quint8 command, quint8 minLength, quint8 timeoutMs,
                            quint8 access, QByteArray &reply);
    LinkResult ReadExchange(quint8 dest, quint8 command, quint8 payloadByte, quint8 minLength,
                            quint8 timeoutMs, quint8 access, QByteArray &reply);
    LinkResult WriteExchange(quint8 dest, quint8 command, const QByteArray &payload,
                             quint8 timeoutMs, quint8 access);

    // What one probe heard: the sound answers from the address asked (two or more: two supplies
    // share the Slave ID), and the record count of cell 1 from the first.
    struct ProbeAnswer
    {
        int answers = 0;
        int count = -1;
    };
    // A count read of cell 1, sent once, listened to for the whole `waitMs` so that a second
    // supply on the same Slave ID is heard too. Only answers whose source is `dest` count.
    ProbeAnswer Probe(quint8 dest, int waitMs);

    // Memory cells; a cell below 0 is cell 0, above 3 is cell 3. Outputs are set on Success.
    LinkResult ReadSize(quint8 dest, int cell, quint8 access, int &count);
    // On Success `name` is exactly the five stored characters, trailing spaces included.
    LinkResult ReadPrgName(quint8 dest, QString &name, int cell, quint8 access);
    LinkResult ReadProgramLine(quint8 dest, Instruction &record, quint8 index, int cell,
                               quint8 access);
    LinkResult WriteProgramLine(quint8 dest, const Instruction &record, quint8 index, int cell,
                                quint8 access);
    LinkResult WriteSize(quint8 dest, int count, int cell, quint8 access);
    LinkResult WritePrgName(quint8 dest, const QString &name, int cell, quint8 access);

    // Fixed registers; their meaning is the device's business, only the layouts are ours.
    LinkResult ReadRegisters01(quint8 dest, quint16 &first, qint16 &second,
                               std::array<quint8, 4> &bytes);
    LinkResult ReadRegisters10(quint8 dest, std::array<quint16, Register10Values> &values);
    LinkResult ReadRegisters03(quint8 dest, quint16 &first, qint16 &second);
    LinkResult WriteRegisters03(quint8 dest, quint16 first, quint16 second);
    LinkResult WriteRegister07(quint8 dest, quint16 value);
    // Values alternate unsigned and signed 16-bit, starting with unsigned.
    LinkResult ReadRegistersA8(quint8 dest, quint8 access,
                               std::array<int, RegisterA8Values> &values);
    LinkResult WriteRegistersA8(quint8 dest, quint8 access,
                                const std::array<int, RegisterA8Values> &values);
    LinkResult ReadRegistersABLong(quint8 dest, quint8 access, quint8 &first, quint16 &second,
                                   std::array<quint8, RegisterABBytes> &bytes);
    LinkResult ReadRegistersABShort(quint8 dest, quint8 access, quint16 &first, quint8 &second,
                                    quint16 &third);
    LinkResult WriteRegistersAB(quint8 dest, quint8 access, quint8 first,
                                const std::array<quint8, RegisterABBytes> &bytes);

    // The five bytes a name travels as: Latin-1 codes (0 beyond), padded with spaces.
    static QByteArray packName(const QString &name);
    static quint8 cellCommand(quint8 base, int cell);

    // Frames put on the line since construction: a request that failed after its frame went out
    // may still have been carried out.
    quint64 sentFrames() const { return framesSent; }

    // True while an exchange is under way.
    bool isBusy() const { return busy; }
    // How many waits for a reply ended by their time-out since construction.
    int timedOutWaits() const { return timeouts; }

private:
    // Bound on each wait for the port to send a piece of a frame.
    static constexpr int PortWriteWaitMs = 300;
    // How much longer than a time-out to wait for the answer of a retry that may follow a late one.
    static constexpr int StaleAnswerMarginMs = 150;
    // How long after the last answer settle() listens for a second one.
    static constexpr int SettleMs = 100;
    // A line starting this much earlier than the request could have crossed the wire still
    // counts: the port's clock and the driver's hand-over are not exact.
    static constexpr int WireToleranceMs = 3;

    // Index of the last payload byte each read uses (its full reply is 3 bytes longer).
    static constexpr quint8 SizeMinLength = 4;
    static constexpr quint8 NameMinLength = 8;
    static constexpr quint8 LineMinLength = 17;

    // Fixed registers.
    static constexpr quint8 Register01Command = 0x01;
    static constexpr quint8 Register10Command = 0x10;
    static constexpr quint8 Register03Command = 0x03;
    static constexpr quint8 Register07Command = 0x07;
    static constexpr quint8 RegisterA8Command = 0xA8;
    static constexpr quint8 RegisterABCommand = 0xAB;
    static constexpr quint8 Register01MinLength = 11;
    static constexpr quint8 Register10MinLength = 15;
    static constexpr quint8 Register03MinLength = 7;
    static constexpr quint8 RegisterA8MinLength = 25;
    static constexpr quint8 RegisterABLongMinLength = 13;
    static constexpr quint8 RegisterABShortMinLength = 8;

    // What ended a wait for a reply.
    enum class WaitEnd
    {
        Reply,
        TimeOut,
        PortClosed,
    };

    // Transport: the frame of a request onto the port, in pieces of one or two characters.
    void SendFrame(quint8 dest, quint8 command, quint8 access, const QByteArray &payload);
    void PortWrite(const char *data, quint8 length);
    // One look at the port: adds to `line` up to its CR; true when it is complete.
    bool PollReply(QByteArray &line);

    // The header a reply must carry to answer a request.
    struct Expected
    {
        quint8 source;
        quint8 command;
    };

    // Waits for a complete line; with `expected`, lines that answer something else are dropped
    // and the wait goes on. Ends at the time-out, when the port closes or fails, or when the
    // application quits.
    WaitEnd waitForLine(QByteArray &line, int timeoutMs, const std::optional<Expected> &expected);
    // Whether a complete line shows by its header that it answers another request or station.
    bool answersSomethingElse(const QByteArray &line, const Expected &expected) const;
    // Drops input already waiting and the rest of anything still arriving, until the line has
    // been quiet for `quietMs` (or a time-out's worth has passed) and `holdMs` have passed.
    void discardInput(qint64 holdMs, int quietMs = QuietGapMs);
    // Looks at dropped characters for complete answers that cast doubt on the last exchange.
    void scanDropped(const char *data, qint64 size);
    // Whether a complete line is a second answer to the last answered exchange; notes the doubt.
    bool noteExtraAnswer(const QByteArray &line);
    void answered(quint8 dest, quint8 command, int length);
    bool wireTiming() const;
    // After a request gave up, its answers may still come: remembers until when.
    void oweAnswers(quint8 dest, quint8 command, int timeoutMs);
    // Reads and drops whatever the port holds; the number of characters dropped.
    qint64 dropAvailable();
    void drainWhileIdle();
    WaitEnd sendAndWait(quint8 dest, quint8 command, quint8 access, const QByteArray &payload,
                        int timeoutMs, QByteArray &line);
    LinkResult readExchange(quint8 dest, quint8 command, const QByteArray &payload,
                            quint8 minLength, quint8 timeoutMs, quint8 access, QByteArray &reply,
                            WaitEnd *waitEnd = nullptr);
    // Drops up to count answers from `dest` to `command` still on their way after a retry was
    // answered.
    void dropStaleAnswers(quint8 dest, quint8 command, int timeoutMs, int count);
    LinkResult readMemory(quint8 dest, quint8 command, const QByteArray &payload, quint8 minLength,
                          quint8 access, QByteArray &reply);
    void flushTrace();
    void report(ExchangeEvent::Kind kind, const QByteArray &frame = {}, qint64 value = 0,
                int limit = 0)
    {
        if (eventSink) {
            eventSink->exchangeEvent(ExchangeEvent::now(kind, frame, value, limit));
        }
    }

    QSerialPort *port;
    ExchangeObserver *eventSink = nullptr;

    std::unique_ptr<QFile> standardOutput;
    QTextStream trace;
    QString discardedTrace;
    // Characters taken from the port after a line's CR, not looked at yet (less than a chunk).
    QByteArray inbox;
    // When the port last gave us characters.
    QElapsedTimer lastInput;
    // A request that gave up after time-outs: answers with its header may come until untilMs.
    struct Owed
    {
        quint8 dest;
        quint8 command;
        qint64 untilMs;
    };
    std::optional<Owed> owed;
    QElapsedTimer linkClock;

    ReplyTiming replyTiming = ReplyTiming::Auto;
    bool quietStartPending = true;
    // The text of the last request sent, for recognising its echo.
    QByteArray lastFrame;
    // linkClock time before which no answer to the last request can have begun.
    qint64 earliestReplyNs = 0;
    // linkClock time at which the chunk holding the current line's start was read.
    qint64 lineStartNs = 0;
    qint64 inboxReadNs = 0;
    struct Answer
    {
        quint8 source;
        quint8 command;
        int length;
        quint64 id;
        qint64 atNs;
    };
    std::optional<Answer> lastAnswer;
    quint64 exchangeCount = 0;
    std::optional<quint64> doubted;
    // A line being assembled from dropped characters.
    QByteArray droppedLine;
    // Receiver of the port's signals while no exchange waits.
    std::unique_ptr<QObject> idleReader;
    bool busy = false;
    // While dropping the answers of retries nobody waits for any more.
    bool droppingStale = false;
    bool waiting = false;
    int timeouts = 0;
    quint64 framesSent = 0;
};

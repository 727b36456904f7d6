#include "exchangelog.h"

#include "framecodec.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QIODevice>

#include <optional>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ExchangeLog)
};

QString hex(quint8 byte)
{
    return QString::fromLatin1(FrameCodec::hexPair(byte));
}

} // namespace

ExchangeEvent ExchangeEvent::now(Kind kind, const QByteArray &frame, qint64 value, int limit)
{
    ExchangeEvent event;
    event.kind = kind;
    event.atMs = QDateTime::currentMSecsSinceEpoch();
    event.frame = frame;
    event.value = value;
    event.limit = limit;
    return event;
}

ExchangeObserver::~ExchangeObserver() = default;

namespace ExchangeLog {

QString escaped(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        const auto byte = quint8(c);
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0) || c == '\\') {
            text += QLatin1String("\\x") + hex(byte);
        } else {
            text += QLatin1Char(c);
        }
    }
    return text;
}

QString header(const QByteArray &frame, bool sent)
{
    const std::optional<QByteArray> bytes = FrameCodec::decodeReply(frame);
    if (!bytes || bytes->size() < FrameCodec::HeaderBytes) {
        return QString();
    }
    return (sent ? Texts::tr("кому %1, от %2, команда %3, доступ %4")
                 : Texts::tr("кому %1, от %2, команда %3, статус %4"))
        .arg(hex(quint8(bytes->at(0))), hex(quint8(bytes->at(1))), hex(quint8(bytes->at(2))),
             hex(quint8(bytes->at(3))));
}

QString line(const ExchangeEvent &event)
{
    using Kind = ExchangeEvent::Kind;
    const QString stamp =
        QDateTime::fromMSecsSinceEpoch(event.atMs).time().toString(QStringLiteral("HH:mm:ss.zzz"));
    const auto withFrame = [&event, &stamp](const QString &mark, bool sent,
                                            const QString &note) -> QString {
        QString text = stamp + QLatin1Char(' ') + mark + QLatin1Char(' ') + escaped(event.frame);
        const QString words = header(event.frame, sent);
        if (!words.isEmpty()) {
            text += QLatin1String("  ") + words;
        }
        if (!note.isEmpty()) {
            text += QLatin1String("  ") + note;
        }
        return text;
    };
    const auto eventLine = [&stamp](const QString &words) -> QString {
        return stamp + QLatin1String(" ! ") + words;
    };
    switch (event.kind) {
    case Kind::Sent:
        return withFrame(QStringLiteral(">"), true, QString());
    case Kind::Received:
        return withFrame(QStringLiteral("<"), false, QString());
    case Kind::Foreign:
        return withFrame(QStringLiteral("<"), false,
                         Texts::tr("(отброшена: ответ на другой запрос)"));
    case Kind::Stale:
        return withFrame(QStringLiteral("<"), false, Texts::tr("(отброшена: запоздавший ответ)"));
    case Kind::Echo:
        return withFrame(QStringLiteral("<"), true, Texts::tr("(отброшена: эхо запроса)"));
    case Kind::Doubt:
        return withFrame(QStringLiteral("<"), false,
                         Texts::tr("(второй ответ: обмен %1 под сомнением)").arg(event.value));
    case Kind::TimeOut:
        return eventLine(Texts::tr("тайм-аут: нет ответа за %1 мс").arg(event.value));
    case Kind::Retry:
        return eventLine(Texts::tr("повтор: попытка %1 из %2").arg(event.value).arg(event.limit));
    case Kind::Discarded:
        return eventLine(Texts::tr("отброшено символов на входе: %1").arg(event.value));
    }
    return eventLine(QString());
}

} // namespace ExchangeLog

void ExchangeLogWriter::exchangeEvent(const ExchangeEvent &event)
{
    if (out) {
        out->write((ExchangeLog::line(event) + QLatin1Char('\n')).toUtf8());
    }
}

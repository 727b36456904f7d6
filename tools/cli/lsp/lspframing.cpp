#include "lspframing.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(LspFraming)
};

const QByteArray HeaderEnd = QByteArrayLiteral("\r\n\r\n");

} // namespace

LspFraming::Next LspFraming::next(QByteArray &body, QString &problem)
{
    if (m_resync) {
        const int resume = m_buffer.indexOf("Content-Length");
        if (resume < 0) {
            // Keep what may be the start of the name.
            m_buffer = m_buffer.right(13);
            return Next::Incomplete;
        }
        m_buffer.remove(0, resume);
        m_resync = false;
    }
    const int end = m_buffer.indexOf(HeaderEnd);
    if (end < 0) {
        if (m_buffer.size() <= MaxHeaderBytes)
            return Next::Incomplete;
        // Keep what may begin the next header.
        const int resume = m_buffer.indexOf("Content-Length", 1);
        m_buffer = resume < 0 ? QByteArray() : m_buffer.mid(resume);
        problem = Texts::tr("Заголовок сообщения длиннее %1 байт").arg(MaxHeaderBytes);
        m_resync = true;
        return Next::BadHeader;
    }

    qint64 length = -1;
    bool lengthValid = false;
    const QList<QByteArray> fields = m_buffer.left(end).split('\n');
    for (QByteArray field : fields) {
        field = field.trimmed();
        const int colon = field.indexOf(':');
        if (colon < 0)
            continue;
        if (field.left(colon).trimmed().toLower() == "content-length") {
            length = field.mid(colon + 1).trimmed().toLongLong(&lengthValid);
            lengthValid = lengthValid && length >= 0;
        }
    }
    if (!lengthValid || length > MaxBodyBytes) {
        m_buffer.remove(0, end + HeaderEnd.size());
        m_resync = true;
        problem = !lengthValid ? Texts::tr("В заголовке сообщения нет верного Content-Length")
                               : Texts::tr("Сообщение длиннее %1 байт").arg(MaxBodyBytes);
        return Next::BadHeader;
    }
    const qint64 start = end + HeaderEnd.size();
    if (m_buffer.size() - start < length)
        return Next::Incomplete;
    body = m_buffer.mid(int(start), int(length));
    m_buffer.remove(0, int(start + length));
    return Next::Message;
}

QByteArray LspFraming::encode(const QJsonObject &message)
{
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    return QByteArrayLiteral("Content-Length: ") + QByteArray::number(body.size()) + HeaderEnd +
           body;
}

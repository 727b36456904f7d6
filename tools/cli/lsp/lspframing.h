#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The protocol's framing on a byte stream: a header block ("Content-Length: N\r\n", then "\r\n")
// before each JSON body of N bytes.
class LspFraming
{
public:
    // A body beyond this is no editor's message; reading it whole would exhaust memory.
    static constexpr qint64 MaxBodyBytes = 64 * 1024 * 1024;
    // A header block that grows past this without its end is not one.
    static constexpr int MaxHeaderBytes = 8 * 1024;

    enum class Next
    {
        // More bytes are needed.
        Incomplete,
        Message,
        // A header block that cannot stand was dropped; problem says why. Reading goes on at
        // the next header.
        BadHeader,
    };

    void append(const QByteArray &bytes) { m_buffer += bytes; }
    // The next body, or why the next header was dropped.
    Next next(QByteArray &body, QString &problem);
    // Bytes waiting that make no whole message.
    bool hasPartial() const { return !m_buffer.isEmpty(); }

    static QByteArray encode(const QJsonObject &message);

private:
    QByteArray m_buffer;
    // After a dropped header the body it announced, if any, cannot be told from the next
    // header: bytes are skipped up to the next "Content-Length".
    bool m_resync = false;
};

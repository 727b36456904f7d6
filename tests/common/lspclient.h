#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// An editor's side of the language server, scripted: starts `quorvel-cli lsp`, sends framed
// messages and reads the server's, keeping those no one waited for yet. Its framing is written
// apart from the server's, so that a fault shared by both cannot hide.
class LspClient
{
public:
    explicit LspClient(const QString &cliPath, const QStringList &extraArguments = {})
    {
        m_process.setProgram(cliPath);
        m_process.setArguments(QStringList{QStringLiteral("lsp")} + extraArguments);
        m_process.start();
        m_process.waitForStarted();
    }
    ~LspClient()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess &process() { return m_process; }

    void sendRaw(const QByteArray &bytes)
    {
        m_process.write(bytes);
        m_process.waitForBytesWritten();
    }
    void send(const QJsonObject &message)
    {
        const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
        sendRaw("Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
    void notify(const QString &method, const QJsonObject &params = {})
    {
        send({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
              {QStringLiteral("method"), method},
              {QStringLiteral("params"), params}});
    }
    // The request's id.
    int request(const QString &method, const QJsonObject &params = {})
    {
        const int id = ++m_lastId;
        send({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
              {QStringLiteral("id"), id},
              {QStringLiteral("method"), method},
              {QStringLiteral("params"), params}});
        return id;
    }

    // The first message, waiting or to come, that matches; an empty object after timeoutMs.
    QJsonObject waitFor(const std::function<bool(const QJsonObject &)> &matches,
                        int timeoutMs = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            for (int i = 0; i < m_unread.size(); ++i) {
                if (matches(m_unread.at(i)))
                    return m_unread.takeAt(i);
            }
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0 || !readMore(int(left)))
                return {};
        }
    }
    QJsonObject reply(int id)
    {
        return waitFor([id](const QJsonObject &m) {
            return !m.contains(QStringLiteral("method")) &&
                   m.value(QStringLiteral("id")).toInt(-1) == id;
        });
    }
    // The reply's error code, 0 for a result.
    static int errorCode(const QJsonObject &reply)
    {
        return reply.value(QStringLiteral("error"))
            .toObject()
            .value(QStringLiteral("code"))
            .toInt();
    }
    // The next diagnostics published for uri.
    QJsonObject diagnostics(const QString &uri)
    {
        return waitFor([uri](const QJsonObject &m) {
                   return m.value(QStringLiteral("method")) ==
                              QLatin1String("textDocument/publishDiagnostics") &&
                          m.value(QStringLiteral("params"))
                                  .toObject()
                                  .value(QStringLiteral("uri")) == uri;
               })
            .value(QStringLiteral("params"))
            .toObject();
    }

    QJsonObject initialize(const QJsonObject &options = {})
    {
        QJsonObject params{{QStringLiteral("processId"), QJsonValue::Null},
                           {QStringLiteral("rootUri"), QJsonValue::Null},
                           {QStringLiteral("capabilities"), QJsonObject()}};
        if (!options.isEmpty())
            params.insert(QStringLiteral("initializationOptions"), options);
        const QJsonObject answer = reply(request(QStringLiteral("initialize"), params));
        notify(QStringLiteral("initialized"));
        return answer;
    }
    void open(const QString &uri, const QString &text, int version = 1)
    {
        notify(QStringLiteral("textDocument/didOpen"),
               {{QStringLiteral("textDocument"),
                 QJsonObject{{QStringLiteral("uri"), uri},
                             {QStringLiteral("languageId"), QStringLiteral("quorvel")},
                             {QStringLiteral("version"), version},
                             {QStringLiteral("text"), text}}}});
    }
    void change(const QString &uri, const QString &text, int version)
    {
        notify(QStringLiteral("textDocument/didChange"),
               {{QStringLiteral("textDocument"),
                 QJsonObject{{QStringLiteral("uri"), uri}, {QStringLiteral("version"), version}}},
                {QStringLiteral("contentChanges"),
                 QJsonArray{QJsonObject{{QStringLiteral("text"), text}}}}});
    }
    static QJsonObject at(const QString &uri, int line, int character)
    {
        return {
            {QStringLiteral("textDocument"), QJsonObject{{QStringLiteral("uri"), uri}}},
            {QStringLiteral("position"), QJsonObject{{QStringLiteral("line"), line},
                                                     {QStringLiteral("character"), character}}}};
    }

    // The exit status once the server ended by itself, -1 when it did not within timeoutMs.
    int exitStatus(int timeoutMs = 20000)
    {
        if (!m_process.waitForFinished(timeoutMs) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

private:
    bool readMore(int timeoutMs)
    {
        if (!m_process.waitForReadyRead(timeoutMs) && m_process.bytesAvailable() == 0)
            return false;
        m_buffer += m_process.readAllStandardOutput();
        for (;;) {
            const int end = m_buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return true;
            const QByteArray header = m_buffer.left(end);
            const int colon = header.indexOf(':');
            const int length = header.mid(colon + 1).trimmed().toInt();
            if (!header.startsWith("Content-Length:") || m_buffer.size() < end + 4 + length)
                return true;
            m_unread << QJsonDocument::fromJson(m_buffer.mid(end + 4, length)).object();
            m_buffer.remove(0, end + 4 + length);
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    QList<QJsonObject> m_unread;
    int m_lastId = 0;
};

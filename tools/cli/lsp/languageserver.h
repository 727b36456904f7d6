#pragma once

#include "lspdocument.h"
#include "lsplimits.h"
#include "lspnavigation.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>

#include <functional>

// The language server's protocol over whole messages: lifecycle, open documents with their
// diagnostics, and the requests on them. Whatever arrives, it answers and keeps serving; only
// "exit" ends it.
class LanguageServer
{
    Q_DECLARE_TR_FUNCTIONS(LanguageServer)

public:
    // The protocol's error codes.
    enum ErrorCode
    {
        ParseError = -32700,
        InvalidRequest = -32600,
        MethodNotFound = -32601,
        InvalidParams = -32602,
        ServerNotInitialized = -32002,
        RequestFailed = -32803,
    };

    using Sink = std::function<void(const QJsonObject &message)>;
    explicit LanguageServer(Sink sink, QString version = QString());

    // One message body.
    void receive(const QByteArray &body);
    // A message whose header could not be read.
    void rejectHeader(const QString &problem);

    bool hasExited() const { return m_exited; }
    // 0 after shutdown and exit, 1 when the editor ended the server without shutdown first.
    int exitStatus() const { return m_state == State::ShutDown ? 0 : 1; }

private:
    enum class State
    {
        Starting,
        Running,
        ShutDown,
    };

    void request(const QJsonValue &id, const QString &method, const QJsonObject &params);
    void notification(const QString &method, const QJsonObject &params);
    QJsonObject initialize(const QJsonObject &params);

    void open(const QJsonObject &params);
    void change(const QJsonObject &params);
    void close(const QJsonObject &params);
    void save(const QJsonObject &params);
    // Takes the new text of a document, checks it and publishes its findings.
    void update(LspDocument &document, const QString &text, int version);
    void publish(const LspDocument &document);
    void publish(const QString &uri, const QJsonArray &diagnostics, int version = -1);
    // A limits file changed: its errors shown, every program that uses it checked again.
    void limitsChanged(const LspLimits::Source &source, const QString &uri);
    void reportLimitsProblems(const LspLimits::Source &source);

    // The open document a request names, or nullptr after its error reply.
    LspDocument *requestedDocument(const QJsonValue &id, const QJsonObject &params);

    void reply(const QJsonValue &id, const QJsonValue &result);
    void replyError(const QJsonValue &id, int code, const QString &message);
    void notify(const QString &method, const QJsonObject &params);

    Sink m_sink;
    QString m_version;
    State m_state = State::Starting;
    bool m_exited = false;
    QString m_root;
    LspNavigation::Client m_client;
    LspLimits m_limits;
    QHash<QString, LspDocument> m_documents;
    // Limits files whose problems were shown, so that each is told once.
    QSet<QString> m_limitsReported;
};

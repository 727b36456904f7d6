#include "languageserver.h"

#include "lspdiagnostics.h"
#include "lspnavigation.h"
#include "lsppositions.h"
#include "programtext.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

const QString Method = QStringLiteral("method");
const QString Params = QStringLiteral("params");
const QString Id = QStringLiteral("id");
const QString TextDocument = QStringLiteral("textDocument");
const QString Uri = QStringLiteral("uri");
const QString Text = QStringLiteral("text");
const QString Version = QStringLiteral("version");

// The local file a document URI names, or empty.
QString localPath(const QString &uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

QString uriOf(const QString &path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// The offset in text of a position on lines (text's lines), clamped into the text.
int offsetOf(const QStringList &lines, const LspPositions::Position &position)
{
    if (lines.isEmpty())
        return 0;
    int offset = 0;
    const int line = std::min(position.line, int(lines.size()) - 1);
    for (int i = 0; i < line; ++i)
        offset += int(lines.at(i).size()) + 1;
    if (position.line >= lines.size())
        return offset + int(lines.constLast().size());
    return offset + LspPositions::clampedColumn(lines.at(line), position.character);
}

} // namespace

LanguageServer::LanguageServer(Sink sink, QString version)
    : m_sink(std::move(sink)), m_version(std::move(version))
{
}

void LanguageServer::rejectHeader(const QString &problem)
{
    replyError(QJsonValue::Null, ParseError, problem);
}

void LanguageServer::receive(const QByteArray &body)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        replyError(QJsonValue::Null, ParseError,
                   tr("Сообщение не JSON: %1 (байт %2)")
                       .arg(parseError.errorString())
                       .arg(parseError.offset));
        return;
    }
    if (!document.isObject()) {
        replyError(QJsonValue::Null, InvalidRequest, tr("Сообщение не объект JSON-RPC"));
        return;
    }
    const QJsonObject message = document.object();
    const QJsonValue id = message.value(Id);
    const bool hasId = message.contains(Id);
    const bool idUsable = id.isString() || id.isDouble();
    const QJsonValue replyId = idUsable ? id : QJsonValue(QJsonValue::Null);
    if (message.value(QStringLiteral("jsonrpc")).toString() != QLatin1String("2.0")) {
        replyError(replyId, InvalidRequest, tr("Сообщение без \"jsonrpc\": \"2.0\""));
        return;
    }
    if (!message.value(Method).isString()) {
        // A response to a request of ours: the server sends none that need one.
        if (hasId && (message.contains(QStringLiteral("result")) ||
                      message.contains(QStringLiteral("error"))))
            return;
        replyError(replyId, InvalidRequest, tr("Сообщение без имени метода"));
        return;
    }
    const QString method = message.value(Method).toString();
    const QJsonValue params = message.value(Params);
    if (hasId && !idUsable) {
        replyError(QJsonValue::Null, InvalidRequest,
                   tr("Идентификатор запроса %1 не число и не строка").arg(method));
        return;
    }
    if (!params.isUndefined() && !params.isObject()) {
        if (hasId)
            replyError(id, InvalidParams, tr("Параметры %1 не объект").arg(method));
        return;
    }
    if (hasId)
        request(id, method, params.toObject());
    else
        notification(method, params.toObject());
}

void LanguageServer::request(const QJsonValue &id, const QString &method, const QJsonObject &params)
{
    if (m_state == State::Starting && method != QLatin1String("initialize")) {
        replyError(id, ServerNotInitialized, tr("Сервер еще не получил initialize"));
        return;
    }
    if (m_state == State::ShutDown) {
        replyError(id, InvalidRequest, tr("Сервер остановлен запросом shutdown, ждет exit"));
        return;
    }
    if (method == QLatin1String("initialize")) {
        if (m_state != State::Starting) {
            replyError(id, InvalidRequest, tr("initialize уже был"));
            return;
        }
        reply(id, initialize(params));
        m_state = State::Running;
        return;
    }
    if (method == QLatin1String("shutdown")) {
        m_state = State::ShutDown;
        reply(id, QJsonValue::Null);
        return;
    }

    using Handler = QJsonValue (*)(const LspNavigation::Client &, const LspDocument &,
                                   const LspPositions::Position &, const QJsonObject &, QString &);
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("textDocument/completion"), &LspNavigation::completion},
        {QStringLiteral("textDocument/hover"), &LspNavigation::hover},
        {QStringLiteral("textDocument/definition"), &LspNavigation::definition},
        {QStringLiteral("textDocument/references"), &LspNavigation::references},
        {QStringLiteral("textDocument/prepareRename"), &LspNavigation::prepareRename},
        {QStringLiteral("textDocument/rename"), &LspNavigation::rename},
    };
    const Handler handler = handlers.value(method);
    if (!handler) {
        replyError(id, MethodNotFound, tr("Метод %1 не поддерживается").arg(method));
        return;
    }
    const LspDocument *document = requestedDocument(id, params);
    if (!document)
        return;
    const std::optional<LspPositions::Position> position =
        LspPositions::parse(params.value(QStringLiteral("position")));
    if (!position) {
        replyError(id, InvalidParams, tr("В запросе %1 нет позиции").arg(method));
        return;
    }
    QString refusal;
    const QJsonValue result = handler(m_client, *document, *position, params, refusal);
    if (!refusal.isEmpty())
        replyError(id, RequestFailed, refusal);
    else
        reply(id, result);
}

void LanguageServer::notification(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("exit")) {
        m_exited = true;
        return;
    }
    // Before initialize and after shutdown, notifications are dropped.
    if (m_state != State::Running)
        return;
    if (method == QLatin1String("textDocument/didOpen"))
        open(params);
    else if (method == QLatin1String("textDocument/didChange"))
        change(params);
    else if (method == QLatin1String("textDocument/didClose"))
        close(params);
    else if (method == QLatin1String("textDocument/didSave"))
        save(params);
    // "initialized", "$/cancelRequest" (every request is answered at once) and any other
    // notification need nothing.
}

QJsonObject LanguageServer::initialize(const QJsonObject &params)
{
    m_client.snippets = params.value(QStringLiteral("capabilities"))
                            .toObject()
                            .value(TextDocument)
                            .toObject()
                            .value(QStringLiteral("completion"))
                            .toObject()
                            .value(QStringLiteral("completionItem"))
                            .toObject()
                            .value(QStringLiteral("snippetSupport"))
                            .toBool();
    const QString rootUri = params.value(QStringLiteral("rootUri")).toString();
    m_root = localPath(rootUri);
    if (m_root.isEmpty())
        m_root = params.value(QStringLiteral("rootPath")).toString();
    const QJsonValue named = params.value(QStringLiteral("initializationOptions"))
                                 .toObject()
                                 .value(QStringLiteral("limits"));
    if (named.isString() && !named.toString().isEmpty()) {
        QString path = named.toString();
        if (path.startsWith(QLatin1String("file:")))
            path = localPath(path);
        else if (QFileInfo(path).isRelative() && !m_root.isEmpty())
            path = QDir(m_root).filePath(path);
        m_limits.setNamedFile(path);
    }

    const QJsonObject sync{
        {QStringLiteral("openClose"), true},
        {QStringLiteral("change"), 1},
        {QStringLiteral("save"), QJsonObject{{QStringLiteral("includeText"), true}}}};
    const QJsonObject capabilities{
        {QStringLiteral("positionEncoding"), QStringLiteral("utf-16")},
        {QStringLiteral("textDocumentSync"), sync},
        {QStringLiteral("completionProvider"),
         QJsonObject{{QStringLiteral("triggerCharacters"), QJsonArray{QStringLiteral("#")}}}},
        {QStringLiteral("hoverProvider"), true},
        {QStringLiteral("definitionProvider"), true},
        {QStringLiteral("referencesProvider"), true},
        {QStringLiteral("renameProvider"), QJsonObject{{QStringLiteral("prepareProvider"), true}}},
    };
    QJsonObject info{{QStringLiteral("name"), QStringLiteral("quorvel-cli lsp")}};
    if (!m_version.isEmpty())
        info.insert(QStringLiteral("version"), m_version);
    return {{QStringLiteral("capabilities"), capabilities}, {QStringLiteral("serverInfo"), info}};
}

void LanguageServer::open(const QJsonObject &params)
{
    const QJsonObject item = params.value(TextDocument).toObject();
    const QString uri = item.value(Uri).toString();
    if (uri.isEmpty() || !item.value(Text).isString())
        return;
    LspDocument &document = m_documents[uri];
    document.uri = uri;
    document.path = localPath(uri);
    document.limitsFile = m_limits.isLimitsFile(document.path);
    update(document, item.value(Text).toString(), item.value(Version).toInt());
}

void LanguageServer::change(const QJsonObject &params)
{
    const QJsonObject item = params.value(TextDocument).toObject();
    const auto found = m_documents.find(item.value(Uri).toString());
    if (found == m_documents.end())
        return;
    LspDocument &document = found.value();
    // Whole texts as announced; a ranged change is applied all the same.
    QString text = document.text;
    QStringList lines = document.lines;
    const QJsonArray changes = params.value(QStringLiteral("contentChanges")).toArray();
    for (const QJsonValue &value : changes) {
        const QJsonObject change = value.toObject();
        const QString replacement = ProgramText::normalizeLineEnds(change.value(Text).toString());
        const QJsonObject range = change.value(QStringLiteral("range")).toObject();
        if (range.isEmpty()) {
            text = replacement;
        } else {
            const std::optional<LspPositions::Position> start =
                LspPositions::parse(range.value(QStringLiteral("start")));
            const std::optional<LspPositions::Position> end =
                LspPositions::parse(range.value(QStringLiteral("end")));
            if (!start || !end)
                continue;
            const int from = offsetOf(lines, *start);
            const int to = std::max(from, offsetOf(lines, *end));
            text.replace(from, to - from, replacement);
        }
        lines = text.split(QLatin1Char('\n'));
    }
    update(document, text, item.value(Version).toInt(document.version));
}

void LanguageServer::close(const QJsonObject &params)
{
    const QString uri = params.value(TextDocument).toObject().value(Uri).toString();
    const auto found = m_documents.find(uri);
    if (found == m_documents.end())
        return;
    const bool limitsFile = found->limitsFile;
    const QString path = found->path;
    m_documents.erase(found);
    publish(uri, QJsonArray());
    if (!limitsFile)
        return;
    // Closed without saving, the file on the disk holds the rules again.
    m_limits.forget(path);
    m_limitsReported.remove(path);
    for (LspDocument &program : m_documents) {
        if (!program.limitsFile)
            update(program, program.text, program.version);
    }
}

void LanguageServer::save(const QJsonObject &params)
{
    const QJsonObject item = params.value(TextDocument).toObject();
    const auto found = m_documents.find(item.value(Uri).toString());
    if (found == m_documents.end() || !params.value(Text).isString())
        return;
    // The text as saved is the text last changed; one that differs is taken.
    const QString text = ProgramText::normalizeLineEnds(params.value(Text).toString());
    if (text != found->text)
        update(found.value(), text, found->version);
}

void LanguageServer::update(LspDocument &document, const QString &text, int version)
{
    document.text = ProgramText::normalizeLineEnds(text);
    document.lines = document.text.split(QLatin1Char('\n'));
    document.version = version;
    if (document.limitsFile) {
        limitsChanged(m_limits.update(document.path, document.text), document.uri);
        return;
    }
    const LspLimits::Source &limits = m_limits.forProgram(document.path);
    reportLimitsProblems(limits);
    document.findings = LspDiagnostics::check(document.text, limits.limits);
    publish(document);
}

void LanguageServer::publish(const LspDocument &document)
{
    publish(document.uri, LspDiagnostics::toJson(document.findings, document.lines),
            document.version);
}

void LanguageServer::publish(const QString &uri, const QJsonArray &diagnostics, int version)
{
    QJsonObject params{{Uri, uri}, {QStringLiteral("diagnostics"), diagnostics}};
    if (version >= 0)
        params.insert(Version, version);
    notify(QStringLiteral("textDocument/publishDiagnostics"), params);
}

void LanguageServer::limitsChanged(const LspLimits::Source &source, const QString &uri)
{
    const auto it = m_documents.constFind(uri);
    publish(uri, LspDiagnostics::limitsFileJson(source.errors, it->lines), it->version);
    for (LspDocument &program : m_documents) {
        if (program.limitsFile || m_limits.forProgram(program.path).path != source.path)
            continue;
        program.findings = LspDiagnostics::check(program.text, source.limits);
        publish(program);
    }
}

void LanguageServer::reportLimitsProblems(const LspLimits::Source &source)
{
    if (source.path.isEmpty() || m_limitsReported.contains(source.path))
        return;
    if (source.problem.isEmpty() && source.errors.isEmpty())
        return;
    m_limitsReported.insert(source.path);
    QString message = source.problem;
    if (message.isEmpty()) {
        ParsedLimits parsed;
        parsed.errors = source.errors;
        message = parsed.errorLines(source.path).join(QLatin1Char('\n'));
        // Where the editor opens the file, the errors stand at their lines.
        QStringList lines;
        if (const ProgramText::LoadedFile file = ProgramText::loadFile(source.path); file.ok())
            lines = file.text.split(QLatin1Char('\n'));
        publish(uriOf(source.path), LspDiagnostics::limitsFileJson(source.errors, lines));
    }
    notify(QStringLiteral("window/showMessage"),
           {{QStringLiteral("type"), 1}, {QStringLiteral("message"), message}});
}

LspDocument *LanguageServer::requestedDocument(const QJsonValue &id, const QJsonObject &params)
{
    const QString uri = params.value(TextDocument).toObject().value(Uri).toString();
    if (uri.isEmpty()) {
        replyError(id, InvalidParams, tr("В запросе не указан документ"));
        return nullptr;
    }
    const auto found = m_documents.find(uri);
    if (found == m_documents.end()) {
        replyError(id, InvalidParams, tr("Документ %1 не открыт").arg(uri));
        return nullptr;
    }
    return &found.value();
}

void LanguageServer::reply(const QJsonValue &id, const QJsonValue &result)
{
    m_sink({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
            {Id, id},
            {QStringLiteral("result"), result}});
}

void LanguageServer::replyError(const QJsonValue &id, int code, const QString &message)
{
    m_sink({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
            {Id, id},
            {QStringLiteral("error"),
             QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}}}});
}

void LanguageServer::notify(const QString &method, const QJsonObject &params)
{
    m_sink(
        {{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {Method, method}, {Params, params}});
}

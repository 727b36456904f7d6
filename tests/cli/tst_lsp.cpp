#include "completion.h"
#include "lspclient.h"
#include "programoutline.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

// `quorvel-cli lsp` driven as an editor drives it: diagnostics against the tool's own compile,
// the editor's requests, the protocol's errors and its lifecycle.
class TestLsp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void diagnosticsMatchCompile_data();
    void diagnosticsMatchCompile();
    void changeRepublishes();
    void limitsFileFromEditor();
    void completeAfterHash();
    void hoverAndDefinition();
    void renameLabel();
    void protocolErrors_data();
    void protocolErrors();
    void lifecycle_data();
    void lifecycle();

private:
    QString m_cli;
};

namespace {

const QString Example = QStringLiteral("prgName = \"Prg1\";\n#1;\nUs += 10;\ndelay_ms 500;\n"
                                       "if Us < 1000 #1 else #2;\n#2;\nOut = 0;\n");

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

QString uriOf(const QString &path)
{
    return QUrl::fromLocalFile(path).toString();
}

// The diagnostics as the tool's compile prints them: "LINE[:COL]: SEVERITY: MESSAGE", the
// column left out where a finding has none.
QStringList compileFindings(const QString &cli, const QString &path, const QString &limits)
{
    QProcess process;
    QStringList arguments{QStringLiteral("compile"), QStringLiteral("--quiet"), path};
    if (!limits.isEmpty())
        arguments << QStringLiteral("--limits") << limits;
    process.start(cli, arguments);
    process.waitForFinished(60000);
    QStringList out;
    const QString prefix = path + QLatin1Char(':');
    for (const QString &line :
         QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    }
    return out;
}

// The same findings from the published diagnostics: protocol positions are 0-based in UTF-16
// units, the tool's columns 1-based in the same units; a finding of the whole line spans it.
QStringList publishedFindings(const QJsonObject &published, const QStringList &lines)
{
    QStringList out;
    for (const QJsonValue &value : published.value(QStringLiteral("diagnostics")).toArray()) {
        const QJsonObject d = value.toObject();
        const QJsonObject start =
            d.value(QStringLiteral("range")).toObject().value(QStringLiteral("start")).toObject();
        const QJsonObject end =
            d.value(QStringLiteral("range")).toObject().value(QStringLiteral("end")).toObject();
        const int line = start.value(QStringLiteral("line")).toInt();
        const int character = start.value(QStringLiteral("character")).toInt();
        const bool wholeLine =
            character == 0 &&
            end.value(QStringLiteral("character")).toInt() == lines.value(line).size() &&
            d.value(QStringLiteral("severity")).toInt() == 2;
        const QString place = wholeLine ? QString::number(line + 1)
                                        : QStringLiteral("%1:%2").arg(line + 1).arg(character + 1);
        out << QStringLiteral("%1: %2: %3")
                   .arg(place,
                        d.value(QStringLiteral("severity")).toInt() == 1
                            ? QStringLiteral("error")
                            : QStringLiteral("warning"),
                        d.value(QStringLiteral("message")).toString());
    }
    return out;
}

} // namespace

void TestLsp::initTestCase()
{
    m_cli = QProcessEnvironment::systemEnvironment().value(QStringLiteral("QUORVEL_CLI"));
    QVERIFY2(QFileInfo(m_cli).isExecutable(), "QUORVEL_CLI must name the built quorvel-cli");
}

void TestLsp::diagnosticsMatchCompile_data()
{
    QTest::addColumn<QString>("text");
    // A limits file: named in initializationOptions, or (beside) found next to the program.
    QTest::addColumn<QString>("limits");
    QTest::addColumn<bool>("beside");

    const auto row = [](const char *name, const char *text, const char *limits = "",
                        bool beside = false) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(limits) << beside;
    };
    row("syntax errors after tabs", "prgName = \"P\";\n\tUs = 0x5;\n\t\tif Us <> 3 #1;\nxyz;\n");
    row("columns after Cyrillic and beyond the Basic Multilingual Plane",
        "// тест \U0001D400\nUs = 5 \U0001D400;\nM1 = \"тест\";\nprgName = \"\U0001D400\";\n");
    row("missing and repeated labels", "#1;\njmp #4;\nif Us > 0 #1 else #9;\n#1;\n");
    row("flow warnings", "prgName = \"F\";\n#1;\nUs += 1;\njmp #1;\nOut = 0;\n");
    row("name missing and a stop", "Us = 99999999999;\n#01;\n#1;\n");
    row("limits named by the editor", "prgName = \"L\";\nUs = 30000;\nM1 = -200;\nIs = 5;\n",
        "Us 0..3000\nM1 -100..\n");
    row("limits beside the program", "prgName = \"L\";\nUs = 30000;\n", "Us ..500\n", true);
    row("the worked example", "prgName = \"Prg1\";\n#1;\nUs += 10;\ndelay_ms 500;\n"
                              "if Us < 1000 #1 else #2;\n#2;\nOut = 0;\n");
}

void TestLsp::diagnosticsMatchCompile()
{
    QFETCH(QString, text);
    QFETCH(QString, limits);
    QFETCH(bool, beside);

    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program.prgb"));
    QVERIFY(writeFile(program, text));
    const QString limitsPath =
        dir.filePath(beside ? QStringLiteral(".quorvel-limits") : QStringLiteral("bench.limits"));
    if (!limits.isEmpty())
        QVERIFY(writeFile(limitsPath, limits));

    LspClient client(m_cli);
    QJsonObject options;
    if (!limits.isEmpty() && !beside)
        options.insert(QStringLiteral("limits"), limitsPath);
    QVERIFY(!client.initialize(options).isEmpty());
    client.open(uriOf(program), text);
    const QJsonObject published = client.diagnostics(uriOf(program));
    QCOMPARE(published.value(QStringLiteral("version")).toInt(), 1);

    const QStringList expected =
        compileFindings(m_cli, program, limits.isEmpty() ? QString() : limitsPath);
    QCOMPARE(publishedFindings(published, text.split(QLatin1Char('\n'))), expected);
    if (!limits.isEmpty())
        QVERIFY(expected.join(QString()).contains(QStringLiteral("warning")));
}

void TestLsp::changeRepublishes()
{
    LspClient client(m_cli);
    client.initialize();
    const QString uri = QStringLiteral("file:///nowhere/change.prgb");
    client.open(uri, QStringLiteral("prgName = \"C\";\njmp #3;\n"));
    QCOMPARE(client.diagnostics(uri).value(QStringLiteral("diagnostics")).toArray().size(), 1);

    // Fixed, with Windows line ends: the lines and so the positions stay the editor's.
    client.change(uri, QStringLiteral("prgName = \"C\";\r\n#3;\r\ndelay_s 1;\r\njmp #3;\r\n"), 2);
    QJsonObject published = client.diagnostics(uri);
    QCOMPARE(published.value(QStringLiteral("version")).toInt(), 2);
    QCOMPARE(published.value(QStringLiteral("diagnostics")).toArray(), QJsonArray());

    client.change(uri, QStringLiteral("prgName = \"C\";\r\n#3;\r\njmp #3;\r\nUs = ;\r\n"), 3);
    published = client.diagnostics(uri);
    QCOMPARE(published.value(QStringLiteral("version")).toInt(), 3);
    QStringList lines;
    for (const QJsonValue &d : published.value(QStringLiteral("diagnostics")).toArray())
        lines << QString::number(
            d[QStringLiteral("range")][QStringLiteral("start")][QStringLiteral("line")].toInt());
    // Only the missing source on line 4 (0-based 3): a program in error has no flow to warn of.
    QCOMPARE(lines, (QStringList{QStringLiteral("3")}));

    // Closing takes the findings out of the editor's list.
    client.notify(QStringLiteral("textDocument/didClose"),
                  {{QStringLiteral("textDocument"), QJsonObject{{QStringLiteral("uri"), uri}}}});
    QCOMPARE(client.diagnostics(uri).value(QStringLiteral("diagnostics")).toArray(), QJsonArray());
}

void TestLsp::limitsFileFromEditor()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("ramp.prgb"));
    const QString limits = dir.filePath(QStringLiteral(".quorvel-limits"));
    QVERIFY(writeFile(limits, QStringLiteral("Us 0..3000\n")));
    const QString text = QStringLiteral("prgName = \"R\";\nUs = 2000;\n");
    QVERIFY(writeFile(program, text));

    LspClient client(m_cli);
    client.initialize();
    client.open(uriOf(program), text);
    QCOMPARE(client.diagnostics(uriOf(program)).value(QStringLiteral("diagnostics")).toArray(),
             QJsonArray());

    // The rule as typed, unsaved: the program is checked against it at once; the file's own
    // error stands at its line.
    client.open(uriOf(limits), QStringLiteral("Us 0..1000\nXx 1..2\n"));
    const QJsonArray own =
        client.diagnostics(uriOf(limits)).value(QStringLiteral("diagnostics")).toArray();
    QCOMPARE(own.size(), 1);
    QCOMPARE(
        own.at(0)[QStringLiteral("range")][QStringLiteral("start")][QStringLiteral("line")].toInt(),
        1);
    const QStringList tightened =
        publishedFindings(client.diagnostics(uriOf(program)), text.split(QLatin1Char('\n')));
    QVERIFY(writeFile(limits, QStringLiteral("Us 0..1000\n")));
    QCOMPARE(tightened, compileFindings(m_cli, program, limits));
    QCOMPARE(tightened.size(), 1);

    // Closed without saving the first rule, the file on the disk holds again.
    QVERIFY(writeFile(limits, QStringLiteral("Us 0..3000\n")));
    client.notify(
        QStringLiteral("textDocument/didClose"),
        {{QStringLiteral("textDocument"), QJsonObject{{QStringLiteral("uri"), uriOf(limits)}}}});
    QCOMPARE(client.diagnostics(uriOf(program)).value(QStringLiteral("diagnostics")).toArray(),
             QJsonArray());
}

void TestLsp::completeAfterHash()
{
    LspClient client(m_cli);
    client.initialize();
    const QString uri = QStringLiteral("file:///nowhere/complete.prgb");
    const QString text = Example + QStringLiteral("jmp #");
    client.open(uri, text);
    const QJsonObject answer = client.reply(
        client.request(QStringLiteral("textDocument/completion"), LspClient::at(uri, 7, 5)));
    QStringList labels;
    QStringList newTexts;
    for (const QJsonValue &item : answer.value(QStringLiteral("result")).toArray()) {
        labels << item[QStringLiteral("label")].toString();
        newTexts << item[QStringLiteral("textEdit")][QStringLiteral("newText")].toString();
        // The item replaces what is typed of it, the "#".
        QCOMPARE(item[QStringLiteral("textEdit")][QStringLiteral("range")][QStringLiteral("start")]
                     [QStringLiteral("character")]
                         .toInt(),
                 4);
    }
    QCOMPARE(labels, (QStringList{QStringLiteral("#1"), QStringLiteral("#2")}));
    // The editor's own list, item for item.
    QStringList editors;
    for (const Completion::Item &item : Completion::at(text, 7, 5).items)
        editors << item.insertText;
    QCOMPARE(newTexts, editors);
}

void TestLsp::hoverAndDefinition()
{
    LspClient client(m_cli);
    client.initialize();
    const QString uri = QStringLiteral("file:///nowhere/hover.prgb");
    client.open(uri, Example);

    // On the "#2" of the else: the label's line, and the definition on line 6 (0-based 5).
    const QJsonObject hover = client.reply(
        client.request(QStringLiteral("textDocument/hover"), LspClient::at(uri, 4, 22)));
    QCOMPARE(hover[QStringLiteral("result")][QStringLiteral("contents")][QStringLiteral("value")]
                 .toString(),
             ProgramOutline::build(Example).hoverText(4, 22));
    QVERIFY(hover[QStringLiteral("result")][QStringLiteral("contents")][QStringLiteral("value")]
                .toString()
                .contains(QLatin1Char('6')));
    const QJsonObject definition = client.reply(
        client.request(QStringLiteral("textDocument/definition"), LspClient::at(uri, 4, 22)));
    QCOMPARE(definition[QStringLiteral("result")][QStringLiteral("range")][QStringLiteral("start")]
                       [QStringLiteral("line")]
                           .toInt(),
             5);

    QJsonObject params = LspClient::at(uri, 1, 1);
    params.insert(QStringLiteral("context"),
                  QJsonObject{{QStringLiteral("includeDeclaration"), true}});
    const QJsonObject references =
        client.reply(client.request(QStringLiteral("textDocument/references"), params));
    QStringList lines;
    for (const QJsonValue &location : references.value(QStringLiteral("result")).toArray())
        lines << QString::number(
            location[QStringLiteral("range")][QStringLiteral("start")][QStringLiteral("line")]
                .toInt());
    QCOMPARE(lines, (QStringList{QStringLiteral("1"), QStringLiteral("4")}));

    // Nothing to tell on a blank stretch.
    const QJsonObject nothing = client.reply(
        client.request(QStringLiteral("textDocument/hover"), LspClient::at(uri, 3, 8)));
    QVERIFY(nothing.contains(QStringLiteral("result")));
    QVERIFY(nothing.value(QStringLiteral("result")).isNull());
}

void TestLsp::renameLabel()
{
    LspClient client(m_cli);
    client.initialize();
    const QString uri = QStringLiteral("file:///nowhere/rename.prgb");
    client.open(uri, Example);

    const QJsonObject prepared = client.reply(
        client.request(QStringLiteral("textDocument/prepareRename"), LspClient::at(uri, 4, 14)));
    QCOMPARE(prepared[QStringLiteral("result")][QStringLiteral("placeholder")].toString(),
             QStringLiteral("1"));

    QJsonObject params = LspClient::at(uri, 4, 14);
    params.insert(QStringLiteral("newName"), QStringLiteral("42"));
    const QJsonObject renamed =
        client.reply(client.request(QStringLiteral("textDocument/rename"), params));
    const QJsonArray edits =
        renamed[QStringLiteral("result")][QStringLiteral("changes")][uri].toArray();
    // Applied from the last, as an editor does, the text names the label 42 everywhere.
    QStringList lines = Example.split(QLatin1Char('\n'));
    for (int i = edits.size() - 1; i >= 0; --i) {
        const QJsonObject range = edits.at(i)[QStringLiteral("range")].toObject();
        const int line = range[QStringLiteral("start")][QStringLiteral("line")].toInt();
        const int from = range[QStringLiteral("start")][QStringLiteral("character")].toInt();
        const int to = range[QStringLiteral("end")][QStringLiteral("character")].toInt();
        lines[line].replace(from, to - from, edits.at(i)[QStringLiteral("newText")].toString());
    }
    QCOMPARE(lines.mid(1, 5),
             (QStringList{QStringLiteral("#42;"), QStringLiteral("Us += 10;"),
                          QStringLiteral("delay_ms 500;"),
                          QStringLiteral("if Us < 1000 #42 else #2;"), QStringLiteral("#2;")}));

    // A number the program already has is refused with the reason, and nothing changes.
    params.insert(QStringLiteral("newName"), QStringLiteral("2"));
    const QJsonObject refused =
        client.reply(client.request(QStringLiteral("textDocument/rename"), params));
    QCOMPARE(LspClient::errorCode(refused), -32803);
    QVERIFY(!refused[QStringLiteral("error")][QStringLiteral("message")].toString().isEmpty());
    QVERIFY(!refused.contains(QStringLiteral("result")));
}

void TestLsp::protocolErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    // Whether the bytes go before initialize.
    QTest::addColumn<bool>("early");

    const auto framed = [](const QByteArray &body) -> QByteArray {
        return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    };
    QTest::newRow("not JSON") << framed("{\"jsonrpc\": \"2.0\", \"id\": 9,") << -32700 << false;
    QTest::newRow("no Content-Length")
        << QByteArray("Content-Type: x\r\n\r\n{}") << -32700 << false;
    QTest::newRow("Content-Length not a number")
        << QByteArray("Content-Length: lots\r\n\r\n") << -32700 << false;
    QTest::newRow("an array") << framed("[1, 2]") << -32600 << false;
    QTest::newRow("no jsonrpc") << framed("{\"id\": 9, \"method\": \"shutdown\"}") << -32600
                                << false;
    QTest::newRow("unknown method")
        << framed("{\"jsonrpc\": \"2.0\", \"id\": 9, \"method\": \"textDocument/formatting\"}")
        << -32601 << false;
    QTest::newRow("closed document")
        << framed(
               "{\"jsonrpc\": \"2.0\", \"id\": 9, \"method\": \"textDocument/hover\", \"params\": "
               "{\"textDocument\": {\"uri\": \"file:///closed.prgb\"}, \"position\": {\"line\": 0, "
               "\"character\": 0}}}")
        << -32602 << false;
    QTest::newRow("no position")
        << framed(
               "{\"jsonrpc\": \"2.0\", \"id\": 9, \"method\": \"textDocument/hover\", \"params\": "
               "{\"textDocument\": {\"uri\": \"file:///open.prgb\"}}}")
        << -32602 << false;
    QTest::newRow("before initialize")
        << framed("{\"jsonrpc\": \"2.0\", \"id\": 9, \"method\": \"textDocument/hover\"}") << -32002
        << true;
}

void TestLsp::protocolErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QFETCH(bool, early);

    LspClient client(m_cli);
    if (early) {
        client.sendRaw(bytes);
        client.initialize();
    } else {
        client.initialize();
        client.open(QStringLiteral("file:///open.prgb"), Example);
        client.sendRaw(bytes);
    }
    const QJsonObject error =
        client.waitFor([](const QJsonObject &m) { return m.contains(QStringLiteral("error")); });
    QCOMPARE(LspClient::errorCode(error), code);
    QVERIFY(!error[QStringLiteral("error")][QStringLiteral("message")].toString().isEmpty());

    // The server goes on serving.
    const QJsonObject hover =
        client.reply(client.request(QStringLiteral("textDocument/hover"),
                                    LspClient::at(QStringLiteral("file:///open.prgb"), 1, 1)));
    if (early)
        QCOMPARE(LspClient::errorCode(hover), -32602);
    else
        QVERIFY(hover[QStringLiteral("result")][QStringLiteral("contents")].isObject());
}

void TestLsp::lifecycle_data()
{
    QTest::addColumn<bool>("shutdown");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<int>("status");

    QTest::newRow("shutdown and exit") << true << true << 0;
    QTest::newRow("exit without shutdown") << false << true << 1;
    QTest::newRow("end of input after shutdown") << true << false << 0;
    QTest::newRow("end of input") << false << false << 1;
}

void TestLsp::lifecycle()
{
    QFETCH(bool, shutdown);
    QFETCH(bool, exit);
    QFETCH(int, status);

    LspClient client(m_cli);
    client.initialize();
    if (shutdown) {
        const QJsonObject answer = client.reply(client.request(QStringLiteral("shutdown")));
        QVERIFY(answer.contains(QStringLiteral("result")));
        // After shutdown, requests are refused until exit.
        const QJsonObject late = client.reply(client.request(QStringLiteral("textDocument/hover")));
        QCOMPARE(LspClient::errorCode(late), -32600);
    }
    if (exit)
        client.notify(QStringLiteral("exit"));
    else
        client.process().closeWriteChannel();
    QCOMPARE(client.exitStatus(), status);
}

QTEST_GUILESS_MAIN(TestLsp)
#include "tst_lsp.moc"

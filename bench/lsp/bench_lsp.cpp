#include "benchprogram.h"
#include "lspclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

// quorvel-cli lsp as an editor uses it: how long after a change of a 1,000-line program its
// diagnostics arrive, and how much memory the server holds with ten programs open. Then the KDE
// engine's rendering of the worked example with the syntax definition.

namespace {

QTextStream out(stdout);

// The process's resident memory in KiB, from /proc.
long residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double percentile(QVector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(int(values.size()) - 1, int(p * values.size())));
}

void latency(const QString &cli)
{
    constexpr int Changes = 200;
    LspClient client(cli);
    client.initialize();
    const QString uri = QStringLiteral("file:///bench/long.prgb");
    QStringList lines = Bench::mixedProgram(1000).split(QLatin1Char('\n'));
    client.open(uri, lines.join(QLatin1Char('\n')));
    const int findings =
        client.diagnostics(uri).value(QStringLiteral("diagnostics")).toArray().size();

    QVector<double> ms;
    for (int i = 0; i < Changes; ++i) {
        // A typist's change: one line's number, somewhere in the program.
        const int line = 2 + (i * 37) % 990;
        lines[line] = QStringLiteral("Us = %1;").arg(i);
        const QString text = lines.join(QLatin1Char('\n'));
        QElapsedTimer timer;
        timer.start();
        client.change(uri, text, i + 2);
        const QJsonObject published = client.diagnostics(uri);
        ms << timer.nsecsElapsed() / 1e6;
        if (published.value(QStringLiteral("version")).toInt() != i + 2) {
            out << "diagnostics for the wrong version\n";
            return;
        }
    }
    out << QStringLiteral("diagnostics after a change of a 1,000-line program (%1 findings), "
                          "%2 changes: median %3 ms, 90th percentile %4 ms, max %5 ms\n")
               .arg(findings)
               .arg(Changes)
               .arg(percentile(ms, 0.5), 0, 'f', 2)
               .arg(percentile(ms, 0.9), 0, 'f', 2)
               .arg(percentile(ms, 1.0), 0, 'f', 2);
}

void memory(const QString &cli)
{
    LspClient client(cli);
    client.initialize();
    const long idle = residentKiB(client.process().processId());
    const QString text = Bench::mixedProgram(1000);
    for (int i = 0; i < 10; ++i) {
        const QString uri = QStringLiteral("file:///bench/doc%1.prgb").arg(i);
        client.open(uri, text);
        client.diagnostics(uri);
    }
    // A request answered means every message before it was handled.
    client.reply(client.request(QStringLiteral("textDocument/hover"),
                                LspClient::at(QStringLiteral("file:///bench/doc9.prgb"), 0, 0)));
    const long open = residentKiB(client.process().processId());
    out << QStringLiteral("resident memory: %1 KiB after initialize, %2 KiB with ten 1,000-line "
                          "programs open\n")
               .arg(idle)
               .arg(open);
    client.reply(client.request(QStringLiteral("shutdown")));
    client.notify(QStringLiteral("exit"));
    client.exitStatus();
}

void rendering()
{
    const QString renderer = QStringLiteral(QUORVEL_SYNTAX_RENDERER);
    if (renderer.isEmpty()) {
        out << "no KDE highlighting renderer: scripts/deps.sh installs it\n";
        return;
    }
    QTemporaryDir home;
    const QString syntax = home.path() + QStringLiteral("/org.kde.syntax-highlighting/syntax");
    QDir().mkpath(syntax);
    QFile::copy(QStringLiteral(QUORVEL_SYNTAX_DEFINITION), syntax + QStringLiteral("/quorvel.xml"));
    const QString sample = home.path() + QStringLiteral("/example.prgb");
    QFile file(sample);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("prgName = \"Prg1\";\n#1;\nUs += 10;\ndelay_ms 500;\nif Us < 1000 #1 else #2;\n"
               "#2;\nOut = 0;\n// a comment /* and a span */\n");
    file.close();
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("-f"), QStringLiteral("ansi"),
                      QStringLiteral("--syntax-trace"), QStringLiteral("format"), sample},
          QStringList{sample}}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "HOME"})
            env.insert(QString::fromLatin1(name), home.path());
        process.setProcessEnvironment(env);
        process.start(renderer, arguments);
        process.waitForFinished(30000);
        QString text = QString::fromUtf8(process.readAllStandardOutput());
        if (arguments.size() == 1) {
            // The colours of the default theme, line by line.
            text = text.mid(text.indexOf(QStringLiteral("<pre>")));
            text.truncate(text.indexOf(QStringLiteral("</pre>")) + 6);
            out << "worked example, HTML:\n" << text << "\n";
        } else {
            // Style names under each line; escapes kept out of the figures.
            text.remove(QRegularExpression(QStringLiteral("\x1b\\[[0-9;]*[mK]")));
            out << "worked example, styles:\n" << text << "\n";
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString cli = QStringLiteral(QUORVEL_CLI_PATH);
    latency(cli);
    memory(cli);
    out.flush();
    rendering();
    return 0;
}

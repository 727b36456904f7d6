#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "stopsignals.h"

#include "clitext.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <algorithm>

namespace {

QString commandName(Invocation::Command command)
{
    switch (command) {
    case Invocation::Command::Compile:
        return QStringLiteral("compile");
    case Invocation::Command::Write:
        return QStringLiteral("write");
    case Invocation::Command::Read:
        return QStringLiteral("read");
    case Invocation::Command::Compare:
        return QStringLiteral("compare");
    case Invocation::Command::Ports:
        return QStringLiteral("ports");
    case Invocation::Command::Run:
        return QStringLiteral("run");
    case Invocation::Command::Lsp:
        return QStringLiteral("lsp");
    case Invocation::Command::Scan:
        return QStringLiteral("scan");
    case Invocation::Command::Monitor:
        return QStringLiteral("monitor");
    case Invocation::Command::SetRegister:
        return QStringLiteral("set-register");
    }
    return QString();
}

// A script that asked for JSON gets an object on every exit: a run that ended before any
// object (a usage error, a file it cannot read, a port that does not open) answers with one.
int answerInJson(Console &console, const QString &command, const QString &outcome, int status)
{
    if (!console.wroteJson()) {
        console.outBytes(CliText::jsonLine({{QStringLiteral("command"), command},
                                            {QStringLiteral("ok"), false},
                                            {QStringLiteral("outcome"), outcome},
                                            {QStringLiteral("message"), console.lastError()}}));
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    const ClosedStreams closed = reserveStandardDescriptors();
    // The device link's waits run local event loops, which need the application object.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));

    const InstalledLanguage language(languageFromArguments(QCoreApplication::arguments()));
    // Before anything can be written: a closed pipe must not end the tool unreported.
    const StopSignals stopSignals;
    Console console(closed);
    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.text.isEmpty()) {
        console.outText(parsed.text);
        return console.finish(ExitSuccess);
    }
    if (!parsed.invocation) {
        console.error(parsed.error);
        const QStringList arguments = QCoreApplication::arguments();
        if (arguments.contains(QStringLiteral("--json"))) {
            // The command as far as it can be told: the first word that is not an option.
            const auto word =
                std::find_if(arguments.cbegin() + 1, arguments.cend(),
                             [](const QString &a) { return !a.startsWith(QLatin1Char('-')); });
            answerInJson(console, word != arguments.cend() ? *word : QString(),
                         QStringLiteral("usage"), ExitBadInput);
        }
        return console.finish(ExitBadInput);
    }
    int status = ExitBadInput;
    switch (parsed.invocation->command) {
    case Invocation::Command::Compile:
        status = runCompile(*parsed.invocation, console);
        break;
    case Invocation::Command::Write:
        status = runWrite(*parsed.invocation, console);
        break;
    case Invocation::Command::Read:
        status = runRead(*parsed.invocation, console);
        break;
    case Invocation::Command::Compare:
        status = runCompare(*parsed.invocation, console);
        break;
    case Invocation::Command::Ports:
        status = runPorts(*parsed.invocation, console);
        break;
    case Invocation::Command::Run:
        status = runProgram(*parsed.invocation, console);
        break;
    case Invocation::Command::Lsp:
        status = runLanguageServer(*parsed.invocation, console);
        break;
    case Invocation::Command::Scan:
        status = runScan(*parsed.invocation, console);
        break;
    case Invocation::Command::Monitor:
        status = runMonitor(*parsed.invocation, console);
        break;
    case Invocation::Command::SetRegister:
        status = runSetRegister(*parsed.invocation, console);
        break;
    }
    // A monitor runs until it is stopped: a stop signal is its ordinary end, not a failure.
    if (StopSignals::received() != 0 &&
        parsed.invocation->command != Invocation::Command::Monitor) {
        console.error(StopSignals::tr("Остановлено сигналом %1")
                          .arg(StopSignals::signalName(StopSignals::received())));
        status = std::max(status, StopSignals::exitStatus(StopSignals::received()));
    }
    if (parsed.invocation->json && status != ExitSuccess) {
        answerInJson(console, commandName(parsed.invocation->command),
                     status == ExitBadInput ? QStringLiteral("bad-input")
                                            : QStringLiteral("failed"),
                     status);
    }
    // Output that did not arrive makes any run a failure.
    return console.finish(status);
}

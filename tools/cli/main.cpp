#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "stopsignals.h"

#include <QCoreApplication>

#include <algorithm>

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
    }
    if (StopSignals::received() != 0) {
        console.error(StopSignals::tr("Остановлено сигналом %1")
                          .arg(StopSignals::signalName(StopSignals::received())));
        status = std::max(status, StopSignals::exitStatus(StopSignals::received()));
    }
    // Output that did not arrive makes any run a failure.
    return console.finish(status);
}

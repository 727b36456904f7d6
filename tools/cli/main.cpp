#include "commandline.h"
#include "commands.h"
#include "console.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The device link's waits run local event loops, which need the application object.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));

    Console console;
    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.invocation) {
        console.error(parsed.error);
        return ExitBadInput;
    }
    switch (parsed.invocation->command) {
    case Invocation::Command::Compile:
        return runCompile(*parsed.invocation, console);
    case Invocation::Command::Write:
        return runWrite(*parsed.invocation, console);
    case Invocation::Command::Read:
        return runRead(*parsed.invocation, console);
    }
    return ExitBadInput;
}

#include "commands.h"

#include "commandline.h"
#include "console.h"
#include "languageserver.h"
#include "lspframing.h"
#include "stopsignals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

int runLanguageServer(const Invocation &, Console &console)
{
    LanguageServer server(
        [&console](const QJsonObject &message) { console.outBytes(LspFraming::encode(message)); },
        QCoreApplication::applicationVersion());
    LspFraming framing;
    QEventLoop loop;

    // Whatever arrives is read as it comes; messages are handled one by one, in order.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [&] {
        char buffer[64 * 1024];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // End of input ends the server, as an editor that went away will not send "exit".
        if (count <= 0) {
            loop.quit();
            return;
        }
        framing.append(QByteArray(buffer, int(count)));
        while (!server.hasExited()) {
            QByteArray body;
            QString problem;
            const LspFraming::Next next = framing.next(body, problem);
            if (next == LspFraming::Next::Incomplete)
                break;
            if (next == LspFraming::Next::BadHeader)
                server.rejectHeader(problem);
            else
                server.receive(body);
        }
        // An editor that no longer reads the answers is gone as well.
        if (server.hasExited() || !console.outputOk())
            loop.quit();
    });
    if (StopSignals *stop = StopSignals::instance())
        QObject::connect(stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    loop.exec();
    return server.exitStatus();
}

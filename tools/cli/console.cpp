#include "console.h"

#include "clitext.h"
#include "commandline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Back to the start of the line and erase it.
const QByteArray ClearLine = "\r\x1b[K";

} // namespace

ClosedStreams reserveStandardDescriptors()
{
    ClosedStreams closed;
    bool *flags[] = {nullptr, &closed.output, &closed.error};
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // open() takes the lowest free number, which is this one.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0)
            close(opened);
        if (flags[fd])
            *flags[fd] = true;
    }
    return closed;
}

Console::Console(ClosedStreams closed) : outputClosed(closed.output), errorClosed(closed.error)
{
    standardOutput.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered);
    outputIsTerminal = isatty(fileno(stdout)) == 1;
    errorIsTerminal = isatty(fileno(stderr)) == 1;
}

void Console::writeOut(const QByteArray &bytes)
{
    // Only a terminal shares the screen line with the progress.
    if (outputIsTerminal)
        clearProgress();
    // After a loss the rest would be a torn copy anyway; the error is told once at the end.
    if (outputLost)
        return;
    if (outputClosed) {
        outputLost = true;
        outputError = tr("он закрыт");
        return;
    }
    if (standardOutput.write(bytes) != bytes.size()) {
        outputLost = true;
        outputError = standardOutput.errorString();
    }
}

void Console::writeErr(const QByteArray &bytes)
{
    if (errorLost)
        return;
    if (errorClosed || standardError.write(bytes) != bytes.size())
        errorLost = true;
}

void Console::out(const QString &line)
{
    writeOut((outputIsTerminal ? CliText::escapeControls(line) : line).toUtf8() + '\n');
}

void Console::outBytes(const QByteArray &bytes)
{
    jsonWritten = true;
    writeOut(bytes);
}

void Console::outText(const QString &text)
{
    if (!outputIsTerminal) {
        writeOut(text.toUtf8());
        return;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = CliText::escapeControls(line);
    writeOut(lines.join(QLatin1Char('\n')).toUtf8());
}

void Console::err(const QString &line)
{
    clearProgress();
    writeErr((errorIsTerminal ? CliText::escapeControls(line) : line).toUtf8() + '\n');
}

void Console::error(const QString &message)
{
    lastErrorMessage = message;
    err(QStringLiteral("quorvel-cli: ") + message);
}

void Console::progress(const QString &text)
{
    if (!errorIsTerminal)
        return;
    writeErr(ClearLine + CliText::escapeControls(text).toUtf8());
    progressShown = true;
}

void Console::clearProgress()
{
    if (!progressShown)
        return;
    progressShown = false;
    writeErr(ClearLine);
}

int Console::finish(int status)
{
    clearProgress();
    // The link's traces are written to standard error directly; a failure there shows here.
    if (standardError.error() != QFileDevice::NoError)
        errorLost = true;
    if (outputLost) {
        error(tr("Не удается записать в стандартный вывод: %1").arg(outputError));
        return std::max(status, int(ExitFailed));
    }
    if (errorLost)
        return std::max(status, int(ExitFailed));
    return status;
}

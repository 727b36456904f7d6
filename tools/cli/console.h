#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

class QByteArray;
class QString;

// Which standard streams the tool was started without.
struct ClosedStreams
{
    bool output = false;
    bool error = false;
};

// Puts /dev/null on standard descriptors that are closed, so that no file or port the tool opens
// later takes their number and receives its output. Call before anything opens a descriptor.
ClosedStreams reserveStandardDescriptors();

// The tool's standard output and standard error, written as UTF-8 whatever the locale says and
// unbuffered, so that lines of both and the link's traces reach a terminal in the order written.
// Every write is checked: output that was lost turns the exit status into a failure. On a
// terminal, control characters in the text are shown as \xNN, and a progress line may sit at the
// bottom of standard error.
class Console
{
    Q_DECLARE_TR_FUNCTIONS(Console)

public:
    explicit Console(ClosedStreams closed = {});
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // One line on standard output.
    void out(const QString &line);
    // Bytes on standard output as they are (JSON, which carries no control characters).
    void outBytes(const QByteArray &bytes);
    // Text of several lines on standard output, each line shown safely on a terminal.
    void outText(const QString &text);
    // One line on standard error.
    void err(const QString &line);
    // A message of the tool itself on standard error, after the program's name.
    void error(const QString &message);

    // Replaces the progress line; does nothing unless standard error is a terminal.
    void progress(const QString &text);
    void clearProgress();
    bool showsProgress() const { return errorIsTerminal; }

    // Whether a JSON object (anything through outBytes) went to standard output.
    bool wroteJson() const { return jsonWritten; }
    // The last message given through error(), without the program's name.
    QString lastError() const { return lastErrorMessage; }

    // Whether everything written to standard output so far arrived.
    bool outputOk() const { return !outputLost; }

    // The exit status to end with: `status`, or a failure when output was lost, reported once on
    // standard error while that still works.
    int finish(int status);

    // Standard error as a device, for the link's traces.
    QIODevice *errorDevice() { return &standardError; }

private:
    void writeOut(const QByteArray &bytes);
    void writeErr(const QByteArray &bytes);

    QFile standardOutput;
    QFile standardError;
    bool outputIsTerminal = false;
    bool errorIsTerminal = false;
    bool progressShown = false;
    bool outputClosed = false;
    bool outputLost = false;
    bool errorClosed = false;
    bool errorLost = false;
    QString outputError;
    bool jsonWritten = false;
    QString lastErrorMessage;
};

#pragma once

#include <QFile>

class QByteArray;
class QString;

// The tool's standard output and standard error, written as UTF-8 whatever the locale says and
// unbuffered, so that lines of both and the link's traces reach a terminal in the order written.
class Console
{
public:
    Console();
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // One line on standard output.
    void out(const QString &line);
    // Bytes on standard output as they are.
    void outBytes(const QByteArray &bytes);
    // One line on standard error.
    void err(const QString &line);
    // A message of the tool itself on standard error, after the program's name.
    void error(const QString &message);

    // Standard error as a device, for the link's traces.
    QIODevice *errorDevice() { return &standardError; }

private:
    QFile standardOutput;
    QFile standardError;
};

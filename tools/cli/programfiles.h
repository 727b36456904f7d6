#pragma once

#include <QString>

#include <optional>

class Console;

// The tool's program files: read with a reason when they cannot be, written where -o says.
namespace ProgramFiles {

// The file's text, or nothing after the reason went to standard error.
std::optional<QString> read(const QString &path, Console &console);
// Why the file cannot be used, or an empty text when it was read; `text` receives it.
QString load(const QString &path, QString &text);

// Why a program sent to standard output did not arrive.
QString standardOutputFailure();

// Puts a read program where -o says. A regular file (or a new one) is replaced only once all of
// it is on disk; anything else (a FIFO, a device, standard output) is written to as it is, never
// replaced by a file.
bool save(const QString &path, const QString &program, Console &console, QString &reason);

} // namespace ProgramFiles

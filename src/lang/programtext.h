#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How program files turn into editor text and back, shared by the window and the command-line tool.
namespace ProgramText {

// A program of 100 records is a few kilobytes; anything far larger is not a program file, and
// reading it whole would freeze the window.
constexpr qint64 MaxFileBytes = 1024 * 1024;

// Why a file could not be opened as a program.
enum class FileProblem
{
    None,
    // A folder, a FIFO, a device: opening a FIFO without a writer would block for ever.
    NotRegularFile,
    TooLarge,
    // Missing, no permission, or the read failed half way; systemError says which.
    Unreadable,
};

// A program file as the editor takes it.
struct LoadedFile
{
    QString text;
    FileProblem problem = FileProblem::None;
    // The system's words when problem is Unreadable.
    QString systemError;
    // The bytes were not valid UTF-8 or held a zero byte: saving the text will not write them back.
    bool bytesChanged = false;

    bool ok() const { return problem == FileProblem::None; }
};

// File bytes to text: UTF-8, with invalid sequences and zero bytes shown as U+FFFD.
// *bytesChanged, when given, tells whether saving the text would give other bytes.
QString fromFileBytes(const QByteArray &bytes, bool *bytesChanged = nullptr);
// CR LF and lone CR become LF, as the editor takes them.
QString normalizeLineEnds(const QString &text);
// Text to file bytes: UTF-8 without a byte order mark.
QByteArray toFileBytes(const QString &text);

// Opens a program file with every check the window and the tool share: a regular file of at
// most MaxFileBytes that reads completely.
LoadedFile loadFile(const QString &path);
// Why the file could not be opened, in a sentence or two for the user; empty when it was.
QString problemText(const LoadedFile &file, const QString &path);
// Replaces the file with text only once all of it is on disk; on failure the old file stays.
bool saveFile(const QString &path, const QString &text, QString *error = nullptr);

} // namespace ProgramText

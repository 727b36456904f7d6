#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How program files turn into editor text and back, shared by the window and the command-line tool.
namespace ProgramText {

// File bytes to text: UTF-8 up to the first zero byte (nothing after it is read).
QString fromFileBytes(const QByteArray &bytes);
// CR LF and lone CR become LF, as the editor takes them.
QString normalizeLineEnds(const QString &text);
// Text to file bytes: UTF-8 without a byte order mark.
QByteArray toFileBytes(const QString &text);

// A program file's text as the editor takes it, or nothing when the file cannot be read
// (the reason then goes to *error when given).
std::optional<QString> readFile(const QString &path, QString *error = nullptr);
// Replaces the file with text only once all of it is on disk; on failure the old file stays.
bool saveFile(const QString &path, const QString &text, QString *error = nullptr);

} // namespace ProgramText

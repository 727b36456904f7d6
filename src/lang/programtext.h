#pragma once

#include <QByteArray>
#include <QString>

// How program files turn into editor text and back, shared by the window and the command-line tool.
namespace ProgramText {

// File bytes to text: UTF-8 up to the first zero byte (nothing after it is read).
QString fromFileBytes(const QByteArray &bytes);
// CR LF and lone CR become LF, as the editor takes them.
QString normalizeLineEnds(const QString &text);
// Text to file bytes: UTF-8 without a byte order mark.
QByteArray toFileBytes(const QString &text);

} // namespace ProgramText

#include "programtext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ProgramText {

QString fromFileBytes(const QByteArray &bytes, bool *bytesChanged)
{
    QString text = QString::fromUtf8(bytes.constData(), bytes.size());
    // A zero byte once cut the text short; now it stays visible where it was.
    text.replace(QChar(0), QChar::ReplacementCharacter);
    if (bytesChanged)
        *bytesChanged = text.toUtf8() != bytes;
    return text;
}

QString normalizeLineEnds(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QByteArray toFileBytes(const QString &text)
{
    return text.toUtf8();
}

LoadedFile loadFile(const QString &path)
{
    LoadedFile loaded;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        loaded.problem = FileProblem::NotRegularFile;
        return loaded;
    }
    if (info.size() > MaxFileBytes) {
        loaded.problem = FileProblem::TooLarge;
        return loaded;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.problem = FileProblem::Unreadable;
        loaded.systemError = file.errorString();
        return loaded;
    }
    // The size seen above may be stale (or zero, for files the kernel makes up): read one byte
    // past the limit to know.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    // A read that breaks off half way would otherwise pass for a shorter program.
    if (file.error() != QFileDevice::NoError) {
        loaded.problem = FileProblem::Unreadable;
        loaded.systemError = file.errorString();
        return loaded;
    }
    if (bytes.size() > MaxFileBytes) {
        loaded.problem = FileProblem::TooLarge;
        return loaded;
    }
    loaded.text = normalizeLineEnds(fromFileBytes(bytes, &loaded.bytesChanged));
    return loaded;
}

QString problemText(const LoadedFile &file, const QString &path)
{
    switch (file.problem) {
    case FileProblem::NotRegularFile:
        return QCoreApplication::translate("ProgramText",
                                           "Это не обычный файл, а папка, канал или устройство.");
    case FileProblem::TooLarge:
        return QCoreApplication::translate(
                   "ProgramText", "Файл больше %1 КиБ. Файл программы занимает несколько килобайт.")
            .arg(MaxFileBytes / 1024);
    case FileProblem::Unreadable:
        if (!QFileInfo::exists(path))
            return QCoreApplication::translate("ProgramText", "Файл не найден.");
        return QCoreApplication::translate("ProgramText", "Ошибка чтения: %1")
            .arg(file.systemError);
    case FileProblem::None:
        break;
    }
    return QString();
}

bool saveFile(const QString &path, const QString &text, QString *error)
{
    // A link is written through to what it names. One that names nothing (a loop, a missing
    // target) would be replaced by a regular file, the link lost: refuse it instead.
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists()) {
        if (error)
            *error = QCoreApplication::translate("ProgramText",
                                                 "ссылка ведёт по кругу или на файл, которого нет");
        return false;
    }
    const bool replacing = info.exists();
    const QFileDevice::Permissions permissions = info.permissions();
    const QByteArray bytes = toFileBytes(text);
    QSaveFile file(path);
    // commit() alone can put a truncated file in place after a short write, so each step is
    // checked before the rename. The new file takes the old one's permission bits before it
    // takes its place.
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                         file.flush() && file.error() == QFileDevice::NoError &&
                         (!replacing || file.setPermissions(permissions));
    if (!written) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ProgramText

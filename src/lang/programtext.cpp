#include "programtext.h"

#include <QFile>
#include <QSaveFile>

namespace ProgramText {

QString fromFileBytes(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), zero < 0 ? bytes.size() : zero);
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

std::optional<QString> readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    // A read that breaks off half way would otherwise pass for a shorter program.
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return normalizeLineEnds(fromFileBytes(bytes));
}

bool saveFile(const QString &path, const QString &text, QString *error)
{
    const QByteArray bytes = toFileBytes(text);
    QSaveFile file(path);
    // commit() alone can put a truncated file in place after a short write, so each step is
    // checked before the rename.
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                         file.flush() && file.error() == QFileDevice::NoError;
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

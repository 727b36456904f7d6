#include "programtext.h"

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

} // namespace ProgramText

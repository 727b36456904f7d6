#include "console.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

Console::Console()
{
    standardOutput.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered);
    standardError.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void Console::out(const QString &line)
{
    outBytes(line.toUtf8() + '\n');
}

void Console::outBytes(const QByteArray &bytes)
{
    standardOutput.write(bytes);
}

void Console::err(const QString &line)
{
    standardError.write(line.toUtf8() + '\n');
}

void Console::error(const QString &message)
{
    err(QStringLiteral("quorvel-cli: ") + message);
}

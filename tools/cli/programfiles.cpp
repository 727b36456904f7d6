#include "programfiles.h"

#include "console.h"
#include "programtext.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

// Standard output as a path: a second descriptor on it would write from its start and could
// overwrite what the shell appended to.
bool isStandardOutput(const QString &path)
{
    return path == QLatin1String("/dev/stdout") || path == QLatin1String("/dev/fd/1") ||
           path == QLatin1String("/proc/self/fd/1");
}

// The window's reason under «Не удается открыть файл», after the file's name.
QString loadProblem(const QString &path, const ProgramText::LoadedFile &file)
{
    return QCoreApplication::translate("ProgramFiles", "Не удается открыть файл %1. %2")
        .arg(path, ProgramText::problemText(file, path));
}

} // namespace

namespace ProgramFiles {

QString load(const QString &path, QString &text)
{
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    text = file.text;
    return file.ok() ? QString() : loadProblem(path, file);
}

std::optional<QString> read(const QString &path, Console &console)
{
    QString text;
    const QString problem = load(path, text);
    if (problem.isEmpty())
        return text;
    console.error(problem);
    return std::nullopt;
}

QString standardOutputFailure()
{
    return QCoreApplication::translate("ProgramFiles", "Не удалось записать в стандартный вывод");
}

bool save(const QString &path, const QString &program, Console &console, QString &reason)
{
    if (isStandardOutput(path)) {
        console.outText(program);
        reason = standardOutputFailure();
        return console.outputOk();
    }
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return ProgramText::saveFile(path, program, &reason);

    QFile target(path);
    const QByteArray bytes = ProgramText::toFileBytes(program);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.flush()) {
        reason = target.errorString();
        return false;
    }
    target.close();
    if (target.error() != QFileDevice::NoError) {
        reason = target.errorString();
        return false;
    }
    return true;
}

} // namespace ProgramFiles

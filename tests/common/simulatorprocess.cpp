#include "simulatorprocess.h"

#include <QDeadlineTimer>
#include <QFile>

namespace {

constexpr int StopTimeoutMs = 3000;

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace

SimulatorProcess::SimulatorProcess()
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::executable()
{
    return qEnvironmentVariable("QUORVEL_SIMULATOR");
}

bool SimulatorProcess::start(const QStringList &arguments)
{
    stop();
    path.clear();
    const QString program = executable();
    if (program.isEmpty()) {
        error = QStringLiteral("QUORVEL_SIMULATOR is not set");
        return false;
    }
    if (!workDir.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::remove(workDir.filePath(QStringLiteral("sim.log")));
    process.start(
        program, QStringList{QStringLiteral("--log"), workDir.filePath(QStringLiteral("sim.log"))} +
                     arguments);
    if (!process.waitForStarted(StartTimeoutMs)) {
        error = process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime()))) {
            error = QStringLiteral("the simulator printed no port path");
            stop();
            return false;
        }
    }
    path = QString::fromLocal8Bit(process.readLine()).trimmed();
    return !path.isEmpty();
}

void SimulatorProcess::stop()
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.write("quit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(StopTimeoutMs)) {
        process.kill();
        process.waitForFinished(StopTimeoutMs);
    }
}

bool SimulatorProcess::isRunning() const
{
    return process.state() == QProcess::Running;
}

QStringList SimulatorProcess::command(const QString &line)
{
    QStringList answer;
    if (!isRunning()) {
        return answer;
    }
    process.readAll(); // nothing stale may pass for this answer
    process.write(line.toLocal8Bit() + '\n');
    const bool multiLine = line.trimmed() == QLatin1String("dump");
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    for (;;) {
        while (process.canReadLine()) {
            const QString got = QString::fromLocal8Bit(process.readLine()).trimmed();
            answer << got;
            if (!multiLine || got == QLatin1String("end")) {
                return answer;
            }
        }
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime()))) {
            return {};
        }
    }
}

bool SimulatorProcess::addFault(const QString &rule)
{
    return command(QStringLiteral("fault ") + rule) == QStringList{QStringLiteral("ok")};
}

bool SimulatorProcess::clearFaults()
{
    return command(QStringLiteral("clear")) == QStringList{QStringLiteral("ok")};
}

bool SimulatorProcess::setMemory(const QString &line)
{
    return command(line) == QStringList{QStringLiteral("ok")};
}

bool SimulatorProcess::setCell(int index, const SimulatedCell &contents)
{
    bool ok = setMemory(QStringLiteral("cell %1 count %2 name %3")
                            .arg(index)
                            .arg(contents.count)
                            .arg(hexOf(contents.name.leftJustified(5, ' ', true))));
    for (int line = 0; line < contents.lines.size() && ok; ++line) {
        ok = setMemory(QStringLiteral("line %1 %2 %3")
                           .arg(index)
                           .arg(line)
                           .arg(hexOf(contents.lines.at(line).pack())));
    }
    return ok;
}

SimulatedCell SimulatorProcess::cell(int index)
{
    SimulatedCell result;
    result.lines = InstructionList(256);
    for (const QString &line : dump()) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.size() == 6 && words.at(0) == QLatin1String("cell") &&
            words.at(1).toInt() == index) {
            result.count = words.at(3).toInt();
            result.name = QByteArray::fromHex(words.at(5).toLatin1());
        } else if (words.size() == 4 && words.at(0) == QLatin1String("line") &&
                   words.at(1).toInt() == index) {
            result.lines[words.at(2).toInt()] =
                Instruction::unpack(QByteArray::fromHex(words.at(3).toLatin1()));
        }
    }
    return result;
}

QStringList SimulatorProcess::dump()
{
    QStringList lines = command(QStringLiteral("dump"));
    if (!lines.isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

int SimulatorProcess::requestCount()
{
    const QStringList answer = command(QStringLiteral("count"));
    if (answer.size() != 1 || !answer.at(0).startsWith(QLatin1String("count "))) {
        return -1;
    }
    return answer.at(0).mid(6).toInt();
}

QStringList SimulatorProcess::log() const
{
    QFile file(workDir.filePath(QStringLiteral("sim.log")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SimulatorProcess::framesTagged(const QString &tag) const
{
    QStringList frames;
    for (const QString &line : log()) {
        if (line.startsWith(tag)) {
            frames << line.mid(tag.size());
        }
    }
    return frames;
}

QStringList SimulatorProcess::received() const
{
    return framesTagged(QStringLiteral("RX "));
}

QStringList SimulatorProcess::sent() const
{
    return framesTagged(QStringLiteral("TX "));
}

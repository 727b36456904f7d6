#include "simulatorprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSerialPort>

#include <vector>

namespace {

constexpr int StopTimeoutMs = 3000;

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

void quit(QProcess &simulator)
{
    if (simulator.state() == QProcess::NotRunning) {
        return;
    }
    simulator.write("quit\n");
    simulator.closeWriteChannel();
    if (!simulator.waitForFinished(StopTimeoutMs)) {
        simulator.kill();
        simulator.waitForFinished(StopTimeoutMs);
    }
}

} // namespace

SimulatorProcess::SimulatorProcess() = default;

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
    // Simulators whose port is still locked by another process; each holds its number while the
    // next one starts.
    std::vector<std::unique_ptr<QProcess>> held;
    const auto release = qScopeGuard([&held]() {
        for (const auto &simulator : held) {
            quit(*simulator);
        }
    });
    for (int attempt = 0; attempt < PortAttempts; ++attempt) {
        if (!launch(arguments)) {
            return false;
        }
        QSerialPort probe(path);
        if (probe.open(QIODevice::ReadWrite)) {
            return true;
        }
        if (probe.error() != QSerialPort::PermissionError) {
            error = QStringLiteral("cannot open %1: %2").arg(path, probe.errorString());
            stop();
            return false;
        }
        error = QStringLiteral("%1 is still locked by another process").arg(path);
        held.push_back(std::move(process));
    }
    path.clear();
    return false;
}

bool SimulatorProcess::launch(const QStringList &arguments)
{
    path.clear();
    const QString program = executable();
    if (program.isEmpty()) {
        error = QStringLiteral("QUORVEL_SIMULATOR is not set (run through ctest)");
        return false;
    }
    if (!workDir.isValid()) {
        error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::remove(workDir.filePath(QStringLiteral("sim.log")));
    process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(
        program, QStringList{QStringLiteral("--log"), workDir.filePath(QStringLiteral("sim.log"))} +
                     arguments);
    if (!process->waitForStarted(StartTimeoutMs)) {
        error = process->errorString();
        return false;
    }
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!process->canReadLine()) {
        if (deadline.hasExpired() || !process->waitForReadyRead(int(deadline.remainingTime()))) {
            error = QStringLiteral("the simulator printed no port path");
            stop();
            return false;
        }
    }
    path = QString::fromLocal8Bit(process->readLine()).trimmed();
    if (path.isEmpty()) {
        error = QStringLiteral("the simulator printed an empty port path");
        return false;
    }
    return true;
}

void SimulatorProcess::stop()
{
    if (process) {
        quit(*process);
    }
}

void SimulatorProcess::kill()
{
    if (process) {
        process->kill();
    }
}

bool SimulatorProcess::waitForExit(int timeoutMs)
{
    return !process || process->state() == QProcess::NotRunning ||
           process->waitForFinished(timeoutMs);
}

bool SimulatorProcess::isRunning() const
{
    return process && process->state() == QProcess::Running;
}

QStringList SimulatorProcess::command(const QString &line)
{
    QStringList answer;
    if (!isRunning()) {
        return answer;
    }
    process->readAll(); // nothing stale may pass for this answer
    process->write(line.toLocal8Bit() + '\n');
    const bool multiLine = line.trimmed() == QLatin1String("dump");
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    for (;;) {
        while (process->canReadLine()) {
            const QString got = QString::fromLocal8Bit(process->readLine()).trimmed();
            answer << got;
            if (!multiLine || got == QLatin1String("end")) {
                return answer;
            }
        }
        if (deadline.hasExpired() || !process->waitForReadyRead(int(deadline.remainingTime()))) {
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
    CellImage image;
    image.count = contents.count;
    image.name = contents.name;
    for (int line = 0; line < contents.lines.size(); ++line) {
        image.lines.insert(line, contents.lines.at(line).pack());
    }
    return setCell(index, image);
}

bool SimulatorProcess::setCell(int index, const CellImage &contents)
{
    bool ok = setMemory(QStringLiteral("cell %1 count %2 name %3")
                            .arg(index)
                            .arg(contents.count)
                            .arg(hexOf(contents.name.leftJustified(5, ' ', true))));
    for (auto line = contents.lines.cbegin(); line != contents.lines.cend() && ok; ++line) {
        ok = setMemory(
            QStringLiteral("line %1 %2 %3").arg(index).arg(line.key()).arg(hexOf(line.value())));
    }
    return ok;
}

SimulatedCell SimulatorProcess::cell(int index)
{
    const CellImage image = cellImages().value(index);
    SimulatedCell result;
    result.count = qMax(image.count, 0);
    result.name = image.name;
    result.lines = InstructionList(256);
    for (auto line = image.lines.cbegin(); line != image.lines.cend(); ++line) {
        result.lines[line.key()] = Instruction::unpack(line.value());
    }
    return result;
}

QVector<CellImage> SimulatorProcess::cellImages()
{
    QVector<CellImage> images(4);
    for (const QString &line : dump()) {
        const QStringList words = line.split(QLatin1Char(' '));
        const int index = words.value(1).toInt();
        if (index < 0 || index >= images.size()) {
            continue;
        }
        if (words.size() == 6 && words.at(0) == QLatin1String("cell")) {
            images[index].count = words.at(3).toInt();
            images[index].name = QByteArray::fromHex(words.at(5).toLatin1());
        } else if (words.size() == 4 && words.at(0) == QLatin1String("line")) {
            images[index].lines.insert(words.at(2).toInt(),
                                       QByteArray::fromHex(words.at(3).toLatin1()));
        }
    }
    return images;
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

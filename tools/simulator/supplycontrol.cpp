#include "supplycontrol.h"

#include "simulatedsupply.h"

#include <QSocketNotifier>

#include <optional>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int ReadChunkBytes = 4096;

} // namespace

SupplyControl::SupplyControl(SimulatedSupply &controlled, QObject *parent)
    : QObject(parent), supply(controlled)
{
}

void SupplyControl::listen()
{
    inputNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(inputNotifier, &QSocketNotifier::activated, this, &SupplyControl::readInput);
}

void SupplyControl::readInput()
{
    char buffer[ReadChunkBytes];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
        // Whoever started us has gone: stop with them.
        inputNotifier->setEnabled(false);
        emit finished();
        return;
    }
    pending.append(buffer, int(got));
    int end = -1;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(pending.left(end));
        pending.remove(0, end + 1);
        bool quit = false;
        for (const QString &answer : run(line, &quit)) {
            std::printf("%s\n", qPrintable(answer));
        }
        std::fflush(stdout);
        if (quit) {
            inputNotifier->setEnabled(false);
            emit finished();
            return;
        }
    }
}

QStringList SupplyControl::run(const QString &line, bool *quit)
{
    const QString command = line.trimmed();
    const QString word = command.section(QLatin1Char(' '), 0, 0);
    QString error;
    if (command.isEmpty()) {
        return {};
    }
    if (word == QLatin1String("fault")) {
        const QStringList rules =
            command.mid(word.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (rules.isEmpty()) {
            return {QStringLiteral("error fault needs KIND@SELECTOR")};
        }
        for (const QString &rule : rules) {
            if (!supply.addFault(rule, &error)) {
                return {QStringLiteral("error ") + error};
            }
        }
        return {QStringLiteral("ok")};
    }
    if (word == QLatin1String("flood")) {
        bool ok = false;
        const int durationMs = command.section(QLatin1Char(' '), 1, 1).toInt(&ok);
        if (!ok || durationMs < 0) {
            return {QStringLiteral("error flood needs a duration in ms")};
        }
        supply.flood(durationMs);
        return {QStringLiteral("ok")};
    }
    if (command == QLatin1String("clear")) {
        supply.clearFaults();
        return {QStringLiteral("ok")};
    }
    if (command == QLatin1String("count")) {
        return {QStringLiteral("count %1").arg(supply.requestCount())};
    }
    if (command == QLatin1String("path")) {
        return {supply.portPath()};
    }
    if (command == QLatin1String("dump")) {
        return supply.bank().toText() << QStringLiteral("end");
    }
    if (word == QLatin1String("run") || word == QLatin1String("stop")) {
        // run CELL [SLAVE], stop [SLAVE]
        const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool run = word == QLatin1String("run");
        const int slaveAt = run ? 2 : 1;
        bool ok = true;
        int cell = 0;
        if (run)
            cell = words.value(1).toInt(&ok);
        std::optional<quint8> slave;
        if (ok && words.size() > slaveAt) {
            const int id = words.at(slaveAt).toInt(&ok);
            ok = ok && id >= 0 && id <= 255;
            slave = quint8(id);
        }
        if (!ok || words.size() > slaveAt + 1)
            return {QStringLiteral("error usage: run CELL [SLAVE], stop [SLAVE]")};
        const bool done =
            run ? supply.runProgram(cell, slave, &error) : supply.stopProgram(slave, &error);
        return {done ? QStringLiteral("ok") : QStringLiteral("error ") + error};
    }
    if (command == QLatin1String("quit")) {
        *quit = true;
        return {QStringLiteral("ok")};
    }
    if (word == QLatin1String("cell") || word == QLatin1String("line") ||
        word == QLatin1String("register") || word == QLatin1String("slave")) {
        if (!supply.setMemory(command, &error)) {
            return {QStringLiteral("error ") + error};
        }
        return {QStringLiteral("ok")};
    }
    return {QStringLiteral("error unknown command '%1'").arg(command)};
}

// quorvel-cli monitor and set-register: the fixed registers of one supply, polled or written.

#include "clitext.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "devicesession.h"
#include "registercsv.h"
#include "registerlayout.h"
#include "registermap.h"
#include "registerpoll.h"
#include "registersample.h"
#include "registerwrite.h"
#include "stopsignals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

#include <optional>

namespace {

// Files larger than this are not register maps.
constexpr qint64 MaxMapBytes = 1024 * 1024;

std::optional<RegisterMap> readMap(const QString &path, Console &console)
{
    if (path.isEmpty())
        return RegisterMap();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        console.error(Commands::tr("Не удается открыть карту регистров %1: %2")
                          .arg(path, file.errorString()));
        return std::nullopt;
    }
    const QByteArray json = file.read(MaxMapBytes + 1);
    QString reason;
    std::optional<RegisterMap> map;
    if (json.size() > MaxMapBytes)
        reason = Commands::tr("файл больше 1 МБ");
    else
        map = RegisterMap::fromJson(json, &reason);
    if (!map)
        console.error(Commands::tr("Карта регистров %1 не прочитана: %2").arg(path, reason));
    return map;
}

// A sample as a person reads it: the time, each field as label=value unit, and what failed.
QString sampleText(const RegisterSample &sample, const QStringList &fields, const RegisterMap &map)
{
    QStringList parts = {RegisterSample::timeText(sample.time)};
    for (const QString &field : fields) {
        const std::optional<int> raw = sample.value(field);
        if (!raw)
            continue;
        const RegisterMap::Entry entry = map.entry(field);
        QString part = map.columnName(field) + QLatin1Char('=') + map.scaledText(field, *raw);
        if (!entry.unit.isEmpty())
            part += QLatin1Char(' ') + entry.unit;
        parts.append(part);
    }
    const QStringList failed = sample.failedKeys();
    if (!failed.isEmpty())
        parts.append(Commands::tr("нет ответа: %1").arg(failed.join(QLatin1Char(','))));
    return parts.join(QStringLiteral("  "));
}

} // namespace

int runMonitor(const Invocation &invocation, Console &console)
{
    const std::optional<RegisterMap> map = readMap(invocation.mapFile, console);
    if (!map)
        return ExitBadInput;
    DeviceSession connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;

    const QStringList fields = RegisterLayout::fieldNames(invocation.registers);
    const RegisterCsv csv(fields, *map);
    if (invocation.csv)
        console.out(csv.header());

    RegisterPoll poll(connection);
    RegisterPoll::Settings settings;
    settings.slave = invocation.slaveIds.constFirst();
    settings.keys = invocation.registers;
    settings.intervalMs = invocation.intervalMs;
    settings.access = invocation.access;
    poll.setSettings(settings);

    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    int answered = 0;
    QString reason;
    // Ends once the poll on the line has come back; stop() leaves it to finish.
    const auto end = [&poll, &loop]() {
        poll.stop();
        if (!poll.isPolling())
            loop.quit();
    };
    QObject::connect(&poll, &RegisterPoll::sampled, &loop, [&](const RegisterSample &sample) {
        if (sample.answered())
            ++answered;
        if (invocation.csv)
            console.out(csv.line(sample));
        else if (invocation.json)
            console.outBytes(CliText::jsonLine(sample.toJson()));
        else
            console.out(sampleText(sample, fields, *map));
        const bool enough =
            (invocation.sampleCount > 0 && poll.polls() >= invocation.sampleCount) ||
            (invocation.durationMs > 0 && clock.elapsed() >= invocation.durationMs) ||
            !console.outputOk();
        if (enough || !poll.isRunning())
            end();
    });
    QObject::connect(&poll, &RegisterPoll::stopped, &loop, [&](const QString &why) {
        if (!why.isEmpty()) {
            reason = why;
            if (!poll.isPolling())
                loop.quit();
        }
    });
    QTimer duration;
    duration.setSingleShot(true);
    if (invocation.durationMs > 0) {
        QObject::connect(&duration, &QTimer::timeout, &loop, end);
        duration.start(int(qMin<qint64>(invocation.durationMs, std::numeric_limits<int>::max())));
    }
    if (StopSignals *signals_ = StopSignals::instance())
        QObject::connect(signals_, &StopSignals::stopRequested, &loop, end);
    if (poll.start())
        loop.exec();
    connection.waitUntilIdle();

    console.err(Commands::tr("Опросов: %1, с ответом: %2, неудачных: %3")
                    .arg(poll.polls())
                    .arg(answered)
                    .arg(poll.failedPolls()));
    if (!reason.isEmpty())
        console.error(reason);
    return answered > 0 ? ExitSuccess : ExitFailed;
}

int runSetRegister(const Invocation &invocation, Console &console)
{
    std::optional<RegisterWrite> write = RegisterWrite::of(invocation.files.constFirst());
    QString problem;
    if (!write)
        problem = Commands::tr("Записать можно регистр 03 (два значения) или 07 (одно), не «%1»")
                      .arg(invocation.files.constFirst());
    else if (invocation.slaveIds.size() != 1)
        problem = Commands::tr("set-register пишет в один прибор: --slave N");
    else
        write->setValues(invocation.files.mid(1), &problem);
    if (!problem.isEmpty()) {
        console.error(problem);
        return ExitBadInput;
    }
    DeviceSession connection;
    if (!openConnection(connection, invocation, console))
        return ExitBadInput;
    const quint8 slave = invocation.slaveIds.constFirst();
    LinkResult result = LinkResult::NoReply;
    write->submit(connection, &connection, slave, [&result](LinkResult r) { result = r; });
    connection.waitUntilIdle();

    const QString text = write->outcomeText(result, slave);
    const bool ok = result == LinkResult::Success;
    if (invocation.json) {
        QJsonArray values;
        for (const int value : write->givenValues())
            values.append(value);
        console.outBytes(
            CliText::jsonLine({{QStringLiteral("command"), QStringLiteral("set-register")},
                               {QStringLiteral("port"), invocation.port},
                               {QStringLiteral("slave"), int(slave)},
                               {QStringLiteral("register"), write->key()},
                               {QStringLiteral("values"), values},
                               {QStringLiteral("frame"), QString::fromLatin1(write->frame(slave))},
                               {QStringLiteral("ok"), ok},
                               {QStringLiteral("outcome"), ok ? QStringLiteral("written")
                                                           : result == LinkResult::NoReply
                                                               ? QStringLiteral("no-answer")
                                                               : QStringLiteral("refused")},
                               {QStringLiteral("message"), text}}));
    }
    if (ok) {
        if (!invocation.json)
            console.out(text);
        return ExitSuccess;
    }
    console.err(text);
    return ExitFailed;
}

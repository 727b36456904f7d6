#include "registersample.h"

#include "registerlayout.h"

#include <QJsonArray>

#include <algorithm>

bool RegisterSample::answered() const
{
    return std::any_of(readings.cbegin(), readings.cend(),
                       [](const Reading &r) { return r.result == LinkResult::Success; });
}

bool RegisterSample::complete() const
{
    return std::all_of(readings.cbegin(), readings.cend(),
                       [](const Reading &r) { return r.result == LinkResult::Success; });
}

QStringList RegisterSample::failedKeys() const
{
    QStringList keys;
    for (const Reading &reading : readings) {
        if (reading.result != LinkResult::Success)
            keys.append(reading.key);
    }
    return keys;
}

std::optional<int> RegisterSample::value(const QString &field) const
{
    const int dot = field.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return std::nullopt;
    bool ok = false;
    const int index = field.mid(dot + 1).toInt(&ok);
    const QString key = field.left(dot);
    for (const Reading &reading : readings) {
        if (reading.key == key && reading.result == LinkResult::Success && ok && index >= 0 &&
            index < reading.values.size())
            return reading.values.at(index);
    }
    return std::nullopt;
}

QString RegisterSample::timeText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + QLatin1Char('Z');
}

QJsonObject RegisterSample::toJson() const
{
    QJsonObject values;
    QJsonArray failed;
    for (const Reading &reading : readings) {
        if (reading.result != LinkResult::Success) {
            failed.append(reading.key);
            continue;
        }
        const RegisterLayout::Block *block = RegisterLayout::find(reading.key);
        for (int i = 0; block && i < reading.values.size(); ++i)
            values.insert(RegisterLayout::fieldName(*block, i), reading.values.at(i));
    }
    return QJsonObject{{QStringLiteral("time"), timeText(time)},
                       {QStringLiteral("slave"), int(slave)},
                       {QStringLiteral("values"), values},
                       {QStringLiteral("failed"), failed}};
}

#pragma once

#include <QRandomGenerator>
#include <QtGlobal>

// The seed of a generated test run. Fixed by default, so that a run in CI is the same every time
// and a failure replays as it is; QUORVEL_SEED=<n> picks another, QUORVEL_SEED=random draws one for
// exploration. Callers print the seed they got.
inline quint32 testSeed()
{
    constexpr quint32 DefaultSeed = 20261207;
    const QString given = qEnvironmentVariable("QUORVEL_SEED");
    if (given == QLatin1String("random"))
        return QRandomGenerator::global()->generate();
    bool ok = false;
    const uint value = given.toUInt(&ok);
    return ok ? quint32(value) : DefaultSeed;
}

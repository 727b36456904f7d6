#pragma once

#include "linkresult.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <optional>

// One poll of the fixed registers: when it began, which supply, and what each block's read gave.
struct RegisterSample
{
    struct Reading
    {
        // The block's key ("01", "AB" ...).
        QString key;
        LinkResult result = LinkResult::NoReply;
        // The fields in layout order; empty unless the read succeeded.
        QVector<int> values;
    };

    // UTC, when the poll's first request went out.
    QDateTime time;
    quint8 slave = 0;
    QVector<Reading> readings;

    // Some block answered.
    bool answered() const;
    // Every block answered.
    bool complete() const;
    QStringList failedKeys() const;
    // The raw value of a field ("01.0"), nothing when its block did not answer.
    std::optional<int> value(const QString &field) const;

    // RFC 3339 in UTC with milliseconds: 2026-12-08T11:31:45.123Z.
    static QString timeText(const QDateTime &time);
    // {"time": ..., "slave": N, "values": {"01.0": 1234, ...}, "failed": ["10"]}: raw values of
    // the blocks that answered, the keys of those that did not.
    QJsonObject toJson() const;
};

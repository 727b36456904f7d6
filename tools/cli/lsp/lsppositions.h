#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>

// Places in a document as the protocol gives them: a 0-based line and a column in UTF-16 code
// units, which is what QString counts, so a tab, a Cyrillic letter and each half of a character
// beyond the Basic Multilingual Plane are one unit each.
namespace LspPositions {

struct Position
{
    int line = 0;
    int character = 0;
};

// A position of a request; none when the value is not one.
std::optional<Position> parse(const QJsonValue &value);

QJsonObject position(int line, int character);
QJsonObject range(int line, int start, int end);

// The column moved off the second half of a surrogate pair, and into the line.
int clampedColumn(const QString &line, int character);

} // namespace LspPositions

#include "lsppositions.h"

#include <algorithm>

namespace LspPositions {

std::optional<Position> parse(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    const QJsonValue line = object.value(QStringLiteral("line"));
    const QJsonValue character = object.value(QStringLiteral("character"));
    if (!line.isDouble() || !character.isDouble() || line.toDouble() < 0 ||
        character.toDouble() < 0)
        return std::nullopt;
    return Position{line.toInt(), character.toInt()};
}

QJsonObject position(int line, int character)
{
    return {{QStringLiteral("line"), line}, {QStringLiteral("character"), character}};
}

QJsonObject range(int line, int start, int end)
{
    return {{QStringLiteral("start"), position(line, start)},
            {QStringLiteral("end"), position(line, end)}};
}

int clampedColumn(const QString &line, int character)
{
    int column = std::min(character, int(line.size()));
    if (column > 0 && column < line.size() && line.at(column).isLowSurrogate() &&
        line.at(column - 1).isHighSurrogate())
        --column;
    return column;
}

} // namespace LspPositions

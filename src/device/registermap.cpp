#include "registermap.h"

#include "registerlayout.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace {

const QString FieldsKey = QStringLiteral("fields");
const QString LabelKey = QStringLiteral("label");
const QString ScaleKey = QStringLiteral("scale");
const QString UnitKey = QStringLiteral("unit");

bool knownField(const QString &name)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    const RegisterLayout::Block *block = dot > 0 ? RegisterLayout::find(name.left(dot)) : nullptr;
    return block && RegisterLayout::fieldNames({block->key}).contains(name);
}

} // namespace

void RegisterMap::setEntry(const QString &field, const Entry &entry)
{
    if (entry.isEmpty())
        m_entries.remove(field);
    else
        m_entries.insert(field, entry);
}

QString RegisterMap::columnName(const QString &field) const
{
    const QString label = m_entries.value(field).label;
    return label.isEmpty() ? field : label;
}

double RegisterMap::scaled(const QString &field, int raw) const
{
    return raw * m_entries.value(field).scale;
}

QString RegisterMap::scaledText(const QString &field, int raw) const
{
    const auto it = m_entries.constFind(field);
    if (it == m_entries.constEnd() || it->scale == 1.0)
        return QString::number(raw);
    // Twelve significant digits hide the binary fraction of 1234 * 0.01 and keep every digit a
    // 16-bit value times a sensible scale has.
    return QString::number(raw * it->scale, 'g', 12);
}

QByteArray RegisterMap::toJson() const
{
    QJsonObject fields;
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        QJsonObject entry;
        if (!it->label.isEmpty())
            entry.insert(LabelKey, it->label);
        entry.insert(ScaleKey, it->scale);
        if (!it->unit.isEmpty())
            entry.insert(UnitKey, it->unit);
        fields.insert(it.key(), entry);
    }
    return QJsonDocument(QJsonObject{{FieldsKey, fields}}).toJson(QJsonDocument::Indented);
}

std::optional<RegisterMap> RegisterMap::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = tr("не JSON: %1 (символ %2)").arg(parseError.errorString()).arg(parseError.offset);
        return std::nullopt;
    }
    const QJsonValue fieldsValue = document.object().value(FieldsKey);
    if (!document.isObject() || !fieldsValue.isObject()) {
        *error = tr("нет объекта «fields»");
        return std::nullopt;
    }
    RegisterMap map;
    const QJsonObject fields = fieldsValue.toObject();
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        const QString &name = it.key();
        if (!knownField(name)) {
            *error = tr("поля «%1» нет ни в одном регистре").arg(name);
            return std::nullopt;
        }
        if (!it.value().isObject()) {
            *error = tr("поле %1: ожидается объект").arg(name);
            return std::nullopt;
        }
        const QJsonObject object = it.value().toObject();
        Entry entry;
        const QJsonValue label = object.value(LabelKey);
        const QJsonValue scale = object.value(ScaleKey);
        const QJsonValue unit = object.value(UnitKey);
        if (!(label.isUndefined() || label.isString()) ||
            !(unit.isUndefined() || unit.isString())) {
            *error = tr("поле %1: label и unit должны быть строками").arg(name);
            return std::nullopt;
        }
        if (!scale.isUndefined() &&
            (!scale.isDouble() || scale.toDouble() == 0.0 || !std::isfinite(scale.toDouble()))) {
            *error = tr("поле %1: scale должен быть числом, не равным нулю").arg(name);
            return std::nullopt;
        }
        entry.label = label.toString();
        entry.unit = unit.toString();
        if (scale.isDouble())
            entry.scale = scale.toDouble();
        map.setEntry(name, entry);
    }
    return map;
}

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QString>

#include <optional>

// The user's names for register fields: a label, a scale and a unit per field ("01.0"), kept
// in the settings and shared between benches as a JSON file:
//   {"fields": {"01.0": {"label": "Uout", "scale": 0.01, "unit": "V"}, ...}}
// Every part of an entry may be left out; a field without an entry is shown raw by its name.
class RegisterMap
{
    Q_DECLARE_TR_FUNCTIONS(RegisterMap)

public:
    struct Entry
    {
        QString label;
        // Raw value times scale is the value shown and logged.
        double scale = 1.0;
        QString unit;

        bool isEmpty() const { return label.isEmpty() && scale == 1.0 && unit.isEmpty(); }
        friend bool operator==(const Entry &a, const Entry &b)
        {
            return a.label == b.label && a.scale == b.scale && a.unit == b.unit;
        }
    };

    Entry entry(const QString &field) const { return m_entries.value(field); }
    // An empty entry removes the field's.
    void setEntry(const QString &field, const Entry &entry);
    const QMap<QString, Entry> &entries() const { return m_entries; }

    // The label, else the field's name: the CSV's column heading.
    QString columnName(const QString &field) const;
    double scaled(const QString &field, int raw) const;
    // The scaled value as text with a point, as many digits as it needs ("12.34", "-7", "0.5").
    QString scaledText(const QString &field, int raw) const;

    QByteArray toJson() const;
    // The map of a JSON text; nothing, with the reason in `error`, when it is not one: not an
    // object with "fields", a field no register has, a label or unit that is not text, a scale
    // that is not a number other than zero.
    static std::optional<RegisterMap> fromJson(const QByteArray &json, QString *error);

    friend bool operator==(const RegisterMap &a, const RegisterMap &b)
    {
        return a.m_entries == b.m_entries;
    }

private:
    QMap<QString, Entry> m_entries;
};

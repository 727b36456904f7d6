#include "faultplan.h"

#include <QStringList>

namespace {

struct KindName
{
    const char *name;
    FaultPlan::Kind kind;
};

constexpr KindName KindNames[] = {
    {"silent", FaultPlan::Kind::Silent},       {"crc", FaultPlan::Kind::Crc},
    {"address", FaultPlan::Kind::Address},     {"status1e", FaultPlan::Kind::Status1E},
    {"noise", FaultPlan::Kind::Noise},         {"split", FaultPlan::Kind::Split},
    {"lowercase", FaultPlan::Kind::Lowercase}, {"late", FaultPlan::Kind::Late},
    {"overlong", FaultPlan::Kind::Overlong},   {"hangup", FaultPlan::Kind::Hangup},
    {"twice", FaultPlan::Kind::Twice},         {"repeat", FaultPlan::Kind::Repeat},
    {"command", FaultPlan::Kind::Command},     {"source", FaultPlan::Kind::Source},
    {"corrupt", FaultPlan::Kind::Corrupt},     {"twicecrc", FaultPlan::Kind::TwiceCrc},
};

} // namespace

QString FaultPlan::kindNames()
{
    QStringList names;
    for (const KindName &entry : KindNames) {
        names << QLatin1String(entry.name);
    }
    return names.join(QLatin1String(", "));
}

bool FaultPlan::add(const QString &text, QString *error)
{
    const int at = text.indexOf(QLatin1Char('@'));
    if (at < 0) {
        *error = QStringLiteral("fault '%1' lacks '@SELECTOR'").arg(text);
        return false;
    }
    const QString kindText = text.left(at).trimmed().toLower();
    QString selector = text.mid(at + 1).trimmed();
    Rule rule;
    bool ok = true;
    const int comma = selector.lastIndexOf(QLatin1Char(','));
    const QString slavePart = selector.mid(comma + 1).trimmed();
    if (slavePart.startsWith(QLatin1String("slave="), Qt::CaseInsensitive)) {
        rule.slave = slavePart.mid(6).toInt(&ok, 10);
        ok = ok && rule.slave >= 0 && rule.slave <= 0xFF;
        selector = comma < 0 ? QStringLiteral("*") : selector.left(comma).trimmed();
    }
    if (!ok) {
        *error = QStringLiteral("bad selector '%1' in fault '%2'").arg(slavePart, text);
        return false;
    }
    bool kindFound = false;
    for (const KindName &entry : KindNames) {
        if (kindText == QLatin1String(entry.name)) {
            rule.kind = entry.kind;
            kindFound = true;
        }
    }
    if (!kindFound) {
        *error = QStringLiteral("unknown fault '%1' (known: %2)").arg(kindText, kindNames());
        return false;
    }

    if (selector == QLatin1String("*")) {
        rule.everyRequest = true;
    } else if (selector.startsWith(QLatin1String("cmd="), Qt::CaseInsensitive)) {
        const uint command = selector.mid(4).toUInt(&ok, 16);
        ok = ok && command <= 0xFF;
        rule.byCommand = true;
        rule.command = quint8(command);
    } else if (selector.contains(QLatin1Char('x'))) {
        const QStringList parts = selector.split(QLatin1Char('x'));
        bool countOk = false;
        rule.first = parts.value(0).toInt(&ok);
        const int count = parts.value(1).toInt(&countOk);
        ok = ok && countOk && parts.size() == 2 && count > 0;
        rule.last = rule.first + count - 1;
    } else if (selector.contains(QLatin1Char('-'))) {
        const QStringList parts = selector.split(QLatin1Char('-'));
        bool lastOk = false;
        rule.first = parts.value(0).toInt(&ok);
        rule.last = parts.value(1).toInt(&lastOk);
        ok = ok && lastOk && parts.size() == 2 && rule.last >= rule.first;
    } else {
        rule.first = selector.toInt(&ok);
        rule.last = rule.first;
    }
    if (!ok || (!rule.everyRequest && !rule.byCommand && rule.first < 1)) {
        *error = QStringLiteral("bad selector '%1' in fault '%2'").arg(selector, text);
        return false;
    }
    rules.append(rule);
    return true;
}

quint32 FaultPlan::faultsFor(int ordinal, quint8 command, quint8 slave, int slaveOrdinal) const
{
    quint32 mask = 0;
    for (const Rule &rule : rules) {
        if (rule.slave >= 0 && rule.slave != slave) {
            continue;
        }
        const int counted = rule.slave >= 0 ? slaveOrdinal : ordinal;
        const bool applies = rule.everyRequest || (rule.byCommand && rule.command == command) ||
                             (!rule.byCommand && counted >= rule.first && counted <= rule.last);
        if (applies) {
            mask |= bit(rule.kind);
        }
    }
    return mask;
}

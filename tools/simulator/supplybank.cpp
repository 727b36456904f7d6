#include "supplybank.h"

#include "deviceprotocol.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

const QString SlaveWord = QStringLiteral("slave");

bool slaveNumber(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok && value >= DeviceProtocol::MinSlaveId && value <= DeviceProtocol::MaxSlaveId;
}

} // namespace

SupplyBank::SupplyBank(const QVector<quint8> &slaveIds)
    : answering(slaveIds.isEmpty() ? QVector<quint8>{0} : slaveIds)
{
    for (const quint8 slave : answering) {
        memories[slave];
    }
}

bool SupplyBank::parseSlaveList(const QString &text, QVector<quint8> &ids, QString *error)
{
    QVector<quint8> parsed;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const int dash = item.indexOf(QLatin1Char('-'), 1);
        int first = -1;
        int last = -1;
        const bool ok = slaveNumber(dash < 0 ? item : item.left(dash), first) &&
                        (dash < 0 ? (last = first, true) : slaveNumber(item.mid(dash + 1), last)) &&
                        last >= first;
        if (!ok) {
            *error = QStringLiteral("--slave wants Slave IDs from 0 to 255 such as 1,3,5-8, not "
                                    "'%1'")
                         .arg(text);
            return false;
        }
        for (int slave = first; slave <= last; ++slave) {
            if (parsed.contains(quint8(slave))) {
                // Two supplies set to one Slave ID are simulated by the "twice" fault.
                *error = QStringLiteral("Slave ID %1 is given twice in --slave %2 (for two "
                                        "supplies on one ID use --fault twice@slave=%1)")
                             .arg(slave)
                             .arg(text);
                return false;
            }
            parsed.append(quint8(slave));
        }
    }
    ids = parsed;
    return true;
}

SupplyMemory *SupplyBank::memory(quint8 slave)
{
    const auto it = memories.find(slave);
    return it == memories.end() ? nullptr : &it->second;
}

const SupplyMemory *SupplyBank::memory(quint8 slave) const
{
    const auto it = memories.find(slave);
    return it == memories.end() ? nullptr : &it->second;
}

QStringList SupplyBank::toText() const
{
    // One supply's file reads as before this form knew of several.
    if (memories.size() == 1) {
        return memories.begin()->second.toText();
    }
    QStringList text;
    for (const auto &[slave, memory] : memories) {
        const QString prefix = QStringLiteral("slave %1 ").arg(slave);
        for (const QString &line : memory.toText()) {
            text << prefix + line;
        }
    }
    return text;
}

bool SupplyBank::applyLine(const QString &line, QString *error)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(SlaveWord + QLatin1Char(' '))) {
        return memories.at(firstSlave()).applyLine(trimmed, error);
    }
    const QString rest = trimmed.mid(SlaveWord.size()).trimmed();
    const int space = rest.indexOf(QLatin1Char(' '));
    int slave = -1;
    if (space < 0 || !slaveNumber(rest.left(space), slave)) {
        *error = QStringLiteral("malformed memory line '%1'").arg(trimmed);
        return false;
    }
    // A supply of the file that is not on the line keeps its memory all the same.
    return memories[quint8(slave)].applyLine(rest.mid(space + 1), error);
}

bool SupplyBank::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QTextStream in(&file);
    int number = 0;
    while (!in.atEnd()) {
        ++number;
        if (!applyLine(in.readLine(), error)) {
            *error = QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(*error);
            return false;
        }
    }
    return true;
}

bool SupplyBank::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    QTextStream out(&file);
    out << "// quorvel-sim memory cells\n";
    for (const QString &line : toText()) {
        out << line << '\n';
    }
    out.flush();
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

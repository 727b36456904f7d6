#include "scanwording.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

constexpr int MsPerTenth = 100;
constexpr int TenthsPerSecond = 10;

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(ScanWording)
};

} // namespace

namespace ScanWording {

QString emptyCell()
{
    return Texts::tr("пусто");
}

QString unreadCell()
{
    return Texts::tr("не прочитана");
}

QString cellText(const FoundSupply::Cell &cell)
{
    if (!cell.read)
        return unreadCell();
    if (cell.count == 0)
        return emptyCell();
    return QStringLiteral("\"%1\" (%2)").arg(cell.name.trimmed()).arg(cell.count);
}

QString duplicateLine(int slaveId)
{
    return Texts::tr("два прибора отвечают как Slave ID %1").arg(slaveId);
}

QStringList columnTitles()
{
    return {Texts::tr("Порт"),     Texts::tr("Slave ID"), Texts::tr("Ячейка 1"),
            Texts::tr("Ячейка 2"), Texts::tr("Ячейка 3"), Texts::tr("Ячейка 4")};
}

QStringList rowTexts(const FoundSupply &supply)
{
    QStringList row = {supply.port, QString::number(supply.slaveId)};
    if (supply.duplicate) {
        row << duplicateLine(supply.slaveId);
        return row;
    }
    for (const FoundSupply::Cell &cell : supply.cells)
        row << cellText(cell);
    return row;
}

QString secondsText(qint64 ms)
{
    //: The locale whose numbers these texts use: its decimal point stands in durations.
    const QString point = QLocale(Texts::tr("ru")).decimalPoint();
    const qint64 tenths = (ms + MsPerTenth / 2) / MsPerTenth;
    return QStringLiteral("%1%2%3")
        .arg(tenths / TenthsPerSecond)
        .arg(point)
        .arg(tenths % TenthsPerSecond);
}

QString summaryLine(const ScanOutcome &outcome)
{
    return Texts::tr("Найдено приборов: %1 (проверено адресов: %2 за %3 с)")
        .arg(outcome.found.size())
        .arg(outcome.probed)
        .arg(secondsText(outcome.ms));
}

QString answersLine(const QString &portName, int slaveId)
{
    return Texts::tr("Подключено: %1, прибор %2 отвечает").arg(portName).arg(slaveId);
}

QString silentLine(int slaveId)
{
    return Texts::tr("Порт открыт, прибор %1 не отвечает — Прибор → Найти приборы…").arg(slaveId);
}

QString duplicateConnectLine(const QString &portName, int slaveId)
{
    return Texts::tr("Подключено: %1, %2 — Прибор → Найти приборы…")
        .arg(portName, duplicateLine(slaveId));
}

} // namespace ScanWording

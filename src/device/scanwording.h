#pragma once

#include "supplyscan.h"

#include <QString>
#include <QStringList>

// The words a scan and the connect probe are shown in, in one place for the window and the
// command-line tool.
namespace ScanWording {

// A cell as a table shows it: «"Ramp" (6)», «пусто», «не прочитана».
QString cellText(const FoundSupply::Cell &cell);
QString emptyCell();
QString unreadCell();
QString duplicateLine(int slaveId);
// The table's column titles: port, Slave ID, cells 1..4.
QStringList columnTitles();
// A supply's row of the table, in the order of columnTitles().
QStringList rowTexts(const FoundSupply &supply);
// «Найдено приборов: N (проверено адресов: M за T с)».
QString summaryLine(const ScanOutcome &outcome);
// Seconds with one decimal, in the decimal point of the interface's language.
QString secondsText(qint64 ms);
// After the connect probe.
QString answersLine(const QString &portName, int slaveId);
QString silentLine(int slaveId);
QString duplicateConnectLine(const QString &portName, int slaveId);

} // namespace ScanWording

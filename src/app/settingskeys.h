#pragma once

#include <QString>

// Every name the window keeps in its settings store, in one place: a key written by one object
// and read by another cannot drift apart, and the store's whole contents are listed here.
namespace SettingsKeys {

// The store itself: the platform's native user settings under these names.
inline const QString Organization = QStringLiteral("Brisca");
inline const QString Application = QStringLiteral("KV2050RB1");

// Where the last program file was chosen.
inline const QString ProgramDirectory = QStringLiteral("dirPrgFile");
// The files opened or saved last, most recent first.
inline const QString RecentFiles = QStringLiteral("recentFiles");

// The window's layout between runs.
inline const QString Geometry = QStringLiteral("geometry");
inline const QString WindowState = QStringLiteral("windowState");
inline const QString Splitter = QStringLiteral("splitter");

// The device controls and the check after a write, between runs.
inline const QString Port = QStringLiteral("device/port");
// The serial number of that port's adapter, where the system gives one: found again under
// another name.
inline const QString PortSerialNumber = QStringLiteral("device/portSerialNumber");
inline const QString SlaveId = QStringLiteral("device/slaveId");
inline const QString Cell = QStringLiteral("device/cell");
inline const QString VerifyAfterWrite = QStringLiteral("device/verifyAfterWrite");
// What the bench tolerates of each operand, in the limits file's form.
inline const QString OperandLimits = QStringLiteral("device/operandLimits");

// The register monitor: the blocks polled, the interval, the access code of A8 and AB, the
// fields on the chart, and the register map as its JSON text.
inline const QString MonitorRegisters = QStringLiteral("monitor/registers");
inline const QString MonitorIntervalMs = QStringLiteral("monitor/intervalMs");
inline const QString MonitorAccess = QStringLiteral("monitor/access");
inline const QString MonitorChartFields = QStringLiteral("monitor/chartFields");
inline const QString RegisterMap = QStringLiteral("monitor/registerMap");

// "ru" or "en", chosen in the Help menu; none means the system's language.
inline const QString InterfaceLanguage = QStringLiteral("interfaceLanguage");

} // namespace SettingsKeys

#pragma once

#include <QString>
#include <QStringList>

// The lines a write or read reports, as the window's pane and the command-line tool show them,
// for the tests of every layer that expect them.
namespace TransferTexts {

inline const QString WriteHeading = QStringLiteral("Запись данных в устройство");
inline const QString ReadHeading = QStringLiteral("Чтение данных из устройства");
inline const QString WriteSucceeded = QStringLiteral("Данные успешно записаны");
inline const QString ReadSucceeded = QStringLiteral("Данные успешно считаны и декодированы");
inline const QString WriteFailed = QStringLiteral("Ошибка записи");
inline const QString SizeWriteFailed = QStringLiteral("Ошибка записи size");
inline const QString NameWriteFailed = QStringLiteral("Ошибка записи prgName");
inline const QString SizeReadFailed = QStringLiteral("error: ошибка чтения size");
inline const QString NameReadFailed = QStringLiteral("error: ошибка чтения prgName");
inline const QString LineReadFailed = QStringLiteral("error: ошибка чтения строки");
inline const QString LineLost = QStringLiteral("Связь с прибором потеряна");
inline const QString SizeWritten = QStringLiteral("Size записан");

inline QString lineWritten(int index)
{
    return QStringLiteral("Строка %1 записана").arg(index);
}

inline QString lineRead(int index)
{
    return QStringLiteral("Строка %1 считана").arg(index);
}

// After a write that stopped once a line was stored; `cell` as the window shows it (1..4).
inline QString partWritten(int cell)
{
    return QStringLiteral("Внимание: в ячейке %1 теперь часть новой программы и прежние число "
                          "строк и имя — запишите программу снова")
        .arg(cell);
}

// After a write whose count went out unanswered: lines new, count unknown, name old.
inline QString countMaybeWritten(int cell)
{
    return QStringLiteral("Внимание: в ячейке %1 теперь строки новой программы, число строк, "
                          "возможно, тоже новое, а имя прежнее — запишите программу снова")
        .arg(cell);
}

// After a write whose count was stored and whose name was not.
inline QString nameNotWritten(int cell)
{
    return QStringLiteral("Внимание: в ячейке %1 теперь строки и число строк новой программы, а "
                          "имя прежнее — запишите программу снова")
        .arg(cell);
}

// After a write whose name went out unanswered.
inline QString maybeWholeWritten(int cell)
{
    return QStringLiteral("Внимание: в ячейке %1 строки и число строк новые, а имя ушло без "
                          "ответа: программа, возможно, записана полностью — проверьте: "
                          "Shift+F9 / compare")
        .arg(cell);
}

// What a write of `records` records named `name` reports before (not including) request `step`
// (0-based: lines, then the count, then the name); step records + 2 gives every line, success
// included. The name's report ends in a line feed, hence the empty line.
inline QStringList writeReportBefore(int step, int records, const QString &name)
{
    QStringList lines;
    for (int i = 0; i < qMin(step, records); ++i)
        lines << lineWritten(i);
    if (step > records)
        lines << SizeWritten;
    if (step > records + 1)
        lines << QStringLiteral("PrgName \"%1\" записан").arg(name) << QString() << WriteSucceeded;
    return lines;
}

// The failure line of a write's request `step`.
inline QString writeFailure(int step, int records)
{
    if (step < records)
        return WriteFailed;
    return step == records ? SizeWriteFailed : NameWriteFailed;
}

// What a read of `count` records from a cell named `storedName` (five characters as stored)
// reports before request `step` (0-based: the count, the name, then lines); step count + 2 gives
// every line of the transfer itself (the window adds its success line after decoding).
inline QStringList readReportBefore(int step, int count, const QString &storedName)
{
    QStringList lines;
    if (step > 0)
        lines << QStringLiteral("Всего строк %1").arg(count);
    if (step > 1)
        lines << QStringLiteral("prgName = \"%1\"").arg(storedName);
    for (int i = 0; i < step - 2; ++i)
        lines << lineRead(i);
    return lines;
}

inline QString readFailure(int step)
{
    if (step == 0)
        return SizeReadFailed;
    return step == 1 ? NameReadFailed : LineReadFailed;
}

} // namespace TransferTexts

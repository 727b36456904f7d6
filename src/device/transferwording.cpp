#include "transferwording.h"

#include "transferjob.h"

#include <QCoreApplication>

namespace {

constexpr int MsPerSecond = 1000;
constexpr int SecondsPerMinute = 60;

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(TransferWording)
};

} // namespace

namespace TransferWording {

QString writeHeading()
{
    return Texts::tr("Запись данных в устройство");
}

QString readHeading()
{
    return Texts::tr("Чтение данных из устройства");
}

QString compareHeading(int cellNumber)
{
    return Texts::tr("Сравнение с программой в ячейке %1").arg(cellNumber);
}

QString stoppedLine()
{
    return Texts::tr("Прервано");
}

QString readSuccessLine()
{
    return Texts::tr("Данные успешно считаны и декодированы");
}

QString lostLine()
{
    return Texts::tr("Связь с прибором потеряна");
}

QString noAnswerLine(int slaveId)
{
    return Texts::tr("Прибор не отвечает: проверьте Slave ID (%1), кабель и питание").arg(slaveId);
}

QString timeLeft(qint64 ms)
{
    const qint64 seconds = (ms + MsPerSecond - 1) / MsPerSecond;
    if (seconds < SecondsPerMinute)
        return Texts::tr("осталось %1 с").arg(seconds);
    return Texts::tr("осталось %1 мин %2 с")
        .arg(seconds / SecondsPerMinute)
        .arg(seconds % SecondsPerMinute, 2, 10, QLatin1Char('0'));
}

QString recordBytes(const Instruction &record)
{
    return QString::fromLatin1(record.pack().toHex(' ').toUpper());
}

QVector<Line> comparisonLines(const TransferOutcome &outcome, const InstructionList *program)
{
    const ProgramComparison &comparison = outcome.comparison;
    if (comparison.equal())
        return {{Texts::tr("Проверка пройдена: %n записей совпадают", nullptr,
                           comparison.expectedCount)}};
    const QString prefix = Texts::tr("error: проверка: ");
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        return {{prefix + (comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords
                               ? Texts::tr("в ячейке нет программы")
                               : Texts::tr("ячейку не удалось считать")),
                 true}};
    }
    QVector<Line> lines;
    if (comparison.countDiffers) {
        lines.append({prefix + Texts::tr("кол-во записей в программе %1, в приборе %2")
                                   .arg(comparison.expectedCount)
                                   .arg(comparison.readCount),
                      true});
    }
    if (comparison.nameDiffers) {
        lines.append({prefix + Texts::tr("имя в программе \"%1\", в приборе \"%2\"")
                                   .arg(comparison.expectedName, comparison.readName),
                      true});
    }
    const int first = comparison.firstDifferingRecord();
    if (first >= 0) {
        lines.append(
            {prefix + Texts::tr("запись %1 (строка %2) отличается; всего отличается записей: %3")
                          .arg(first)
                          .arg(outcome.firstDifferenceLine)
                          .arg(comparison.differingRecords.size()),
             true, outcome.firstDifferenceLine});
        if (program && first < program->size() && first < outcome.read.records.size()) {
            lines.append({prefix + Texts::tr("запись %1: в программе %2, в приборе %3")
                                       .arg(first)
                                       .arg(recordBytes(program->at(first)),
                                            recordBytes(outcome.read.records.at(first))),
                          true, outcome.firstDifferenceLine});
        }
    }
    return lines;
}

} // namespace TransferWording

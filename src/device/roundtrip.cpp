#include "roundtrip.h"

#include "compiler.h"
#include "devicelink.h"
#include "transferwording.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Names the translation context for lupdate and the run time alike.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(RoundTrip)
};

QString recordText(const InstructionList &records, int index)
{
    return index < records.size() ? TransferWording::recordBytes(records.at(index))
                                  : Texts::tr("нет такой записи");
}

} // namespace

RoundTrip RoundTrip::check(const QString &storedName, const InstructionList &records,
                           const DecodeResult &decoded, bool nameWarned)
{
    RoundTrip trip;
    // The records' lines alone: a name the compiler refuses must not hide what the records do.
    // Without a prgName line they compile from line 1, record i on line i + 1.
    const CompileResult compiled =
        compileProgram(decoded.recordParagraphs().join(QLatin1Char('\n')));
    const int count = records.size();
    if (!compiled.ok) {
        const auto error = std::find_if(
            compiled.diagnostics.cbegin(), compiled.diagnostics.cend(),
            [](const Diagnostic &d) { return d.severity == Diagnostic::Severity::Error; });
        const QString reason = error != compiled.diagnostics.cend()
                                   ? error->message
                                   : compiled.report.value(compiled.reportErrorLines.value(0));
        trip.record = error != compiled.diagnostics.cend()
                          ? std::clamp(error->line - 1, 0, std::max(count - 1, 0))
                          : 0;
        trip.line = decoded.recordLine(trip.record);
        trip.warning =
            Texts::tr("Внимание: запись %1 (строка %2) не получается из текста: строка не "
                      "компилируется (%3); сохранённый текст в прибор не запишется")
                .arg(trip.record)
                .arg(trip.line)
                .arg(reason);
    } else {
        const InstructionList &back = compiled.instructions;
        const int common = std::min(count, int(back.size()));
        int first = 0;
        while (first < common && records.at(first) == back.at(first))
            ++first;
        if (first < common || count != back.size()) {
            trip.record = first;
            trip.line = decoded.recordLine(first);
            trip.warning = Texts::tr("Внимание: запись %1 (строка %2) не получается из текста: в "
                                     "приборе %3, из текста %4; сохранённый текст запишет в "
                                     "прибор другое")
                               .arg(trip.record)
                               .arg(trip.line)
                               .arg(recordText(records, first), recordText(back, first));
        }
    }

    // What the name line holds compiles to exactly that name, unless the decoder warned.
    const QString textName = decoded.hasNameLine ? Decoder::editorName(storedName) : QString();
    trip.nameDiffers =
        nameWarned || DeviceLink::packName(textName) != DeviceLink::packName(storedName);
    if (trip.nameDiffers && !nameWarned && trip.warning.isEmpty()) {
        trip.warning = Texts::tr("Внимание: имя программы не получается из текста: в приборе «%1», "
                                 "из текста «%2»; сохранённый текст запишет в прибор другое")
                           .arg(QString::fromLatin1(DeviceLink::packName(storedName)),
                                QString::fromLatin1(DeviceLink::packName(textName)));
    }
    trip.ok = trip.record < 0 && !trip.nameDiffers;
    return trip;
}

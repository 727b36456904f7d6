#include "labelrename.h"

#include <QCoreApplication>

#include <algorithm>

namespace LabelRename {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(LabelRename)
};

} // namespace

int labelAt(const ProgramOutline &outline, int line, int column)
{
    return outline.labelAt(line, column).mark.number;
}

Result rename(const ProgramOutline &outline, int line, int column, const QString &newNumber)
{
    Result result;
    const ProgramOutline::LabelAt at = outline.labelAt(line, column);
    if (!at.found()) {
        result.refusal =
            Texts::tr("под курсором нет метки: поставьте его на #n в метке, jmp или if");
        return result;
    }
    const int from = at.mark.number;
    result.oldNumber = from;
    const QString given = newNumber.trimmed();
    const bool digits = !given.isEmpty() && given.size() <= 2 &&
                        std::all_of(given.cbegin(), given.cend(), [](QChar c) {
                            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                        });
    if (!digits) {
        result.refusal = Texts::tr("номер метки — число от 0 до 99");
        return result;
    }
    const int to = given.toInt();
    if (to == from) {
        result.refusal = Texts::tr("у метки уже номер %1").arg(to);
        return result;
    }
    if (const ProgramOutline::LabelMark *taken = outline.definitionOf(to)) {
        result.refusal = Texts::tr("метка #%1 уже есть в строке %2: выберите другой номер")
                             .arg(to)
                             .arg(taken->digits.line + 1);
        return result;
    }

    const QString text = QString::number(to);
    const auto collect = [&](const QVector<ProgramOutline::LabelMark> &marks) {
        for (const ProgramOutline::LabelMark &mark : marks) {
            if (mark.number == from)
                result.edits.append(
                    {mark.digits.line, mark.digits.column, mark.digits.length, text});
        }
    };
    collect(outline.definitions());
    collect(outline.references());
    collect(outline.looseReferences());
    std::sort(result.edits.begin(), result.edits.end(), [](const TextEdit &a, const TextEdit &b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return result;
}

QString apply(const QString &text, const QVector<TextEdit> &edits)
{
    // Line starts first, then the edits from the last, so earlier positions stay valid.
    QVector<int> lineStarts{0};
    for (int at = text.indexOf(QLatin1Char('\n')); at >= 0;
         at = text.indexOf(QLatin1Char('\n'), at + 1))
        lineStarts.append(at + 1);
    QString out = text;
    for (int k = edits.size() - 1; k >= 0; --k) {
        const TextEdit &e = edits.at(k);
        if (e.line < 0 || e.line >= lineStarts.size())
            continue;
        out.replace(lineStarts.at(e.line) + e.column, e.length, e.newText);
    }
    return out;
}

} // namespace LabelRename

#include "modeloptions.h"

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "language.h"
#include "programfiles.h"

#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace ModelOptions {

std::optional<ModelAssumptions> assumptions(const Invocation &invocation, QString &problem)
{
    ModelAssumptions model;
    const Language::CodeTable codes = Language::operandCodes();
    for (const QString &given : invocation.startValues) {
        const int equals = given.indexOf(QLatin1Char('='));
        const QString name = given.left(equals).trimmed();
        if (equals < 0) {
            problem = Commands::tr("--set «%1»: нужно ИМЯ=ЗНАЧЕНИЕ, например Uo=5000").arg(given);
            return std::nullopt;
        }
        if (!codes.contains(name)) {
            QStringList known = codes.keys();
            std::sort(known.begin(), known.end(), [&codes](const QString &a, const QString &b) {
                return codes.value(a) < codes.value(b);
            });
            problem = Commands::tr("--set «%1»: нет операнда «%2» (операнды: %3)")
                          .arg(given, name, known.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        bool ok = false;
        const qint32 value = given.mid(equals + 1).trimmed().toInt(&ok, 10);
        if (!ok) {
            problem = Commands::tr("--set «%1»: значение не целое число от -2147483648 до "
                                   "2147483647")
                          .arg(given);
            return std::nullopt;
        }
        model.startValues.append({codes.value(name), value});
    }
    if (!invocation.until.isNull()) {
        const std::optional<qint64> limit = ProgramRun::parseDuration(invocation.until);
        if (!limit) {
            problem = Commands::tr("--until «%1»: не длительность вида 500ms, 90s, 5m или 1h")
                          .arg(invocation.until);
            return std::nullopt;
        }
        model.timeLimitMs = *limit;
    }
    return model;
}

std::optional<OperandLimits> limits(const Invocation &invocation, Console &console)
{
    if (invocation.limitsFile.isEmpty())
        return OperandLimits();
    QString text;
    const QString problem = ProgramFiles::load(invocation.limitsFile, text);
    if (!problem.isEmpty()) {
        console.error(problem);
        return std::nullopt;
    }
    const ParsedLimits parsed = OperandLimits::parse(text);
    if (!parsed.ok()) {
        for (const QString &line : parsed.errorLines(invocation.limitsFile))
            console.err(line);
        return std::nullopt;
    }
    return parsed.limits;
}

QJsonArray json(const LimitViolations &violations)
{
    const auto bound = [](const std::optional<qint32> &value) {
        return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
    };
    QJsonArray array;
    for (const LimitViolation &violation : violations) {
        array.append(QJsonObject{
            {QStringLiteral("operand"), ProgramRun::operandName(violation.operand)},
            {QStringLiteral("min"), bound(violation.limit.min)},
            {QStringLiteral("max"), bound(violation.limit.max)},
            {QStringLiteral("value"), violation.value},
            {QStringLiteral("line"), violation.line},
            {QStringLiteral("column"), violation.column},
            {QStringLiteral("timeMs"), violation.timeMs ? QJsonValue(double(*violation.timeMs))
                                                        : QJsonValue(QJsonValue::Null)},
        });
    }
    return array;
}

} // namespace ModelOptions

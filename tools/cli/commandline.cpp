#include "commandline.h"

#include "deviceprotocol.h"
#include "supplyscan.h"
#include "programrun.h"
#include "registerlayout.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <limits>
#include <vector>

namespace {

constexpr int MaxSlaveId = DeviceProtocol::MaxSlaveId;
// Cells are numbered from 1 on the command line, as in the window's box.
constexpr int FirstCell = 1;
constexpr int LastCell = DeviceProtocol::CellCount;

const QString RecordsName = QStringLiteral("records");
const QString PortName = QStringLiteral("port");
const QString SlaveName = QStringLiteral("slave");
const QString CellName = QStringLiteral("cell");
const QString VerifyName = QStringLiteral("verify");
const QString NoVerifyName = QStringLiteral("no-verify");
const QString TraceName = QStringLiteral("trace");
const QString OutputName = QStringLiteral("output");
const QString JsonName = QStringLiteral("json");
const QString QuietName = QStringLiteral("quiet");
const QString SetName = QStringLiteral("set");
const QString UntilName = QStringLiteral("until");
const QString CsvName = QStringLiteral("csv");
const QString LangName = QStringLiteral("lang");
const QString LimitsName = QStringLiteral("limits");
const QString WaitName = QStringLiteral("wait");
const QString IgnoreLimitsName = QStringLiteral("ignore-limits");
const QString RegistersName = QStringLiteral("registers");
const QString IntervalName = QStringLiteral("interval");
const QString CountName = QStringLiteral("count");
const QString DurationName = QStringLiteral("duration");
const QString MapName = QStringLiteral("map");
const QString AccessName = QStringLiteral("access");
const QString SlavePlaceholder = QStringLiteral("{slave}");
const QString CellPlaceholder = QStringLiteral("{cell}");

struct CommandRule
{
    QString name;
    Invocation::Command command;
    int minFiles;
    int maxFiles;
    // Options this command takes; any other option of the tool is an error with it.
    QStringList options;
};

const std::vector<CommandRule> &commandRules()
{
    static const std::vector<CommandRule> rules = {
        {QStringLiteral("compile"),
         Invocation::Command::Compile,
         1,
         -1,
         {RecordsName, JsonName, QuietName, LimitsName}},
        {QStringLiteral("write"),
         Invocation::Command::Write,
         1,
         1,
         {PortName, SlaveName, CellName, VerifyName, NoVerifyName, TraceName, JsonName, QuietName,
          LimitsName, IgnoreLimitsName, SetName, UntilName}},
        {QStringLiteral("read"),
         Invocation::Command::Read,
         0,
         0,
         {PortName, SlaveName, CellName, TraceName, OutputName, JsonName, QuietName}},
        {QStringLiteral("compare"),
         Invocation::Command::Compare,
         1,
         1,
         {PortName, SlaveName, CellName, TraceName, JsonName, QuietName}},
        {QStringLiteral("ports"), Invocation::Command::Ports, 0, 0, {JsonName}},
        {QStringLiteral("run"),
         Invocation::Command::Run,
         1,
         1,
         {SetName, UntilName, CsvName, JsonName, LimitsName}},
        {QStringLiteral("lsp"), Invocation::Command::Lsp, 0, 0, {}},
        {QStringLiteral("scan"),
         Invocation::Command::Scan,
         0,
         0,
         {PortName, SlaveName, WaitName, TraceName, JsonName}},
        {QStringLiteral("monitor"),
         Invocation::Command::Monitor,
         0,
         0,
         {PortName, SlaveName, RegistersName, IntervalName, CountName, DurationName, CsvName,
          JsonName, MapName, AccessName, TraceName}},
        {QStringLiteral("set-register"),
         Invocation::Command::SetRegister,
         2,
         3,
         {PortName, SlaveName, JsonName, TraceName}},
    };
    return rules;
}

QString description()
{
    return ParsedCommandLine::tr(
        "Компилирует управляющие программы источников питания Brisca, записывает их в ячейку\n"
        "памяти источника и считывает обратно по последовательной линии, как окно Quorvel.\n"
        "\n"
        "Команды:\n"
        "  compile ФАЙЛ...              показать отчет компиляции каждого файла\n"
        "  write ФАЙЛ --port ПОРТ       скомпилировать ФАЙЛ и записать его в ячейку памяти\n"
        "  read --port ПОРТ             считать программу из ячейки памяти\n"
        "  compare ФАЙЛ --port ПОРТ     скомпилировать ФАЙЛ и сравнить с ячейкой памяти\n"
        "  ports                        показать последовательные порты\n"
        "  run ФАЙЛ                     выполнить модель программы, показать ход операндов\n"
        "  scan [--port ПОРТ]...        найти приборы на портах и показать их ячейки\n"
        "  monitor --port ПОРТ          опрашивать регистры прибора, по строке на опрос\n"
        "  set-register --port ПОРТ 03 V1 V2 | 07 V   записать регистр 03 или 07\n"
        "  lsp                          сервер языка (LSP) для редакторов на stdin и stdout\n"
        "\n"
        "--slave и --cell принимают списки вида 1,3,5-8: каждый прибор обслуживается с каждой\n"
        "ячейкой по очереди. read с несколькими целями требует --output с {slave} и {cell}.\n"
        "run: 0, когда программа завершилась или дошла до предела времени, 1 при делении на\n"
        "ноль или цикле без задержки, 2, когда она не компилируется.\n"
        "scan опрашивает каждый Slave ID из --slave (по умолчанию 0-255) на каждом --port (без\n"
        "него — на всех портах системы) и ждет ответа --wait мс (по умолчанию 80, для медленных\n"
        "приборов 244); код 0, когда ответил хоть один прибор, 1, когда ни один.\n"
        "\n"
        "--limits ФАЙЛ задает допустимые значения операндов, по правилу в строке:\n"
        "Us 0..3000, Is ..500, M1 -100..; строки с // и пустые не считаются. compile\n"
        "предупреждает о константах вне пределов, run сообщает, где модель выходит за\n"
        "пределы (код 1), write тогда ничего не записывает (код 1), если не задан\n"
        "--ignore-limits. Ошибка в файле пределов — код 2.\n"
        "\n"
        "monitor: 0, когда ответил хотя бы один опрос, 1, когда ни один; Ctrl+C завершает\n"
        "опрос после запроса на линии, итог — в стандартном потоке ошибок.\n"
        "set-register: отрицательное значение — после «--»: set-register -p ПОРТ 07 -- -1.\n"
        "\n"
        "Код завершения: 0 успех, 1 операция не удалась, 2 неверный вызов или входные данные.");
}

// A whole number within [low, high], or nothing.
std::optional<int> numberIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// "1,3,5-8": numbers and rising ranges within [low, high], each kept once in the order given.
std::optional<QVector<int>> numberListIn(const QString &text, int low, int high)
{
    QVector<int> numbers;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const int dash = item.indexOf(QLatin1Char('-'), 1);
        const std::optional<int> first = numberIn(dash < 0 ? item : item.left(dash), low, high);
        const std::optional<int> last = dash < 0 ? first : numberIn(item.mid(dash + 1), low, high);
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int n = *first; n <= *last; ++n) {
            if (!numbers.contains(n))
                numbers.append(n);
        }
    }
    return numbers;
}

// monitor's options into the invocation; the reason when one is wrong.
std::optional<QString> readMonitorOptions(const QCommandLineParser &parser, Invocation &invocation)
{
    if (invocation.command != Invocation::Command::Monitor)
        return std::nullopt;
    if (invocation.csv && invocation.json)
        return ParsedCommandLine::tr("--csv и --json исключают друг друга");
    invocation.registers = RegisterLayout::defaultKeys();
    if (parser.isSet(RegistersName)) {
        QString bad;
        invocation.registers = RegisterLayout::parseKeys(parser.value(RegistersName), &bad);
        if (invocation.registers.isEmpty())
            return ParsedCommandLine::tr(
                       "Регистра «%1» нет: --registers из 01, 10, 03, A8, AB, ABs")
                .arg(bad);
    }
    if (parser.isSet(IntervalName)) {
        const QString text = parser.value(IntervalName).trimmed();
        const std::optional<qint64> ms = ProgramRun::parseDuration(text);
        // A bare number could mean seconds or milliseconds; a poll period is asked for with its
        // unit.
        static const QRegularExpression bareNumber(QStringLiteral("^[0-9.,]+$"));
        if (bareNumber.match(text).hasMatch())
            return ParsedCommandLine::tr(
                       "Период «%1» без единицы: например --interval 500ms или 2s")
                .arg(text);
        if (!ms || *ms <= 0 || *ms > std::numeric_limits<int>::max())
            return ParsedCommandLine::tr("Период «%1» не длительность: например 500ms или 2s")
                .arg(text);
        invocation.intervalMs = int(*ms);
    }
    const int shortest = RegisterLayout::shortestIntervalMs(invocation.registers);
    if (invocation.intervalMs < shortest)
        return ParsedCommandLine::tr("Период %1 мс короче, чем линия успевает для регистров %2: "
                                     "не меньше %3 мс")
            .arg(invocation.intervalMs)
            .arg(invocation.registers.join(QLatin1Char(',')))
            .arg(shortest);
    if (parser.isSet(CountName) && parser.isSet(DurationName))
        return ParsedCommandLine::tr("--count и --duration исключают друг друга");
    if (parser.isSet(CountName)) {
        const std::optional<int> count =
            numberIn(parser.value(CountName), 1, std::numeric_limits<int>::max());
        if (!count)
            return ParsedCommandLine::tr("--count «%1» не целое число больше нуля")
                .arg(parser.value(CountName));
        invocation.sampleCount = *count;
    }
    if (parser.isSet(DurationName)) {
        const std::optional<qint64> ms = ProgramRun::parseDuration(parser.value(DurationName));
        if (!ms || *ms <= 0)
            return ParsedCommandLine::tr("--duration «%1» не длительность: например 90s или 10m")
                .arg(parser.value(DurationName));
        invocation.durationMs = *ms;
    }
    if (parser.isSet(AccessName)) {
        const std::optional<int> access = numberIn(parser.value(AccessName), 0, 255);
        if (!access)
            return ParsedCommandLine::tr("Код доступа «%1» не число от 0 до 255")
                .arg(parser.value(AccessName));
        invocation.access = quint8(*access);
    }
    invocation.mapFile = parser.value(MapName);
    if (parser.isSet(MapName) && invocation.mapFile.isEmpty())
        return ParsedCommandLine::tr("Для --map нужно имя файла");
    if (invocation.slaveIds.size() != 1)
        return ParsedCommandLine::tr("monitor опрашивает один прибор: --slave N");
    return std::nullopt;
}

} // namespace

InterfaceLanguage::Language languageFromArguments(const QStringList &arguments)
{
    // Options end at "--"; the program's name comes first.
    for (int i = 1; i < arguments.size() && arguments.at(i) != QLatin1String("--"); ++i) {
        QString code;
        if (arguments.at(i) == QLatin1String("--lang"))
            code = arguments.value(i + 1);
        else if (arguments.at(i).startsWith(QLatin1String("--lang=")))
            code = arguments.at(i).mid(7);
        else
            continue;
        // A wrong value is reported by the parser, in the system's language.
        if (const std::optional<InterfaceLanguage::Language> language =
                InterfaceLanguage::fromCode(code))
            return *language;
        break;
    }
    return InterfaceLanguage::fromSystem();
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(
        ParsedCommandLine::tr("команда"),
        ParsedCommandLine::tr("compile, write, read, compare, ports, run, scan, monitor, "
                              "set-register или lsp."));
    parser.addPositionalArgument(
        ParsedCommandLine::tr("файлы"),
        ParsedCommandLine::tr("Файлы программ: один или несколько для compile, один для write, "
                              "compare и run, ни одного для read, ports, scan, monitor и lsp; "
                              "set-register берет номер регистра и значения."),
        ParsedCommandLine::tr("[ФАЙЛ...]"));
    const QList<QCommandLineOption> toolOptions = {
        {RecordsName,
         ParsedCommandLine::tr("compile: показать и каждую запись как ее 14 байт в hex.")},
        {{QStringLiteral("p"), PortName},
         ParsedCommandLine::tr("Последовательный порт источника, например ttyUSB0 или "
                               "/dev/ttyUSB0; scan принимает несколько."),
         ParsedCommandLine::tr("ПОРТ")},
        {{QStringLiteral("s"), SlaveName},
         ParsedCommandLine::tr("Slave ID источников, от 0 до 255 (по умолчанию 0), например "
                               "1,3,5-8."),
         ParsedCommandLine::tr("N")},
        {{QStringLiteral("c"), CellName},
         ParsedCommandLine::tr("Ячейки памяти, от 1 до 4 (по умолчанию 1), например 1-4."),
         ParsedCommandLine::tr("ЯЧЕЙКА")},
        {VerifyName, ParsedCommandLine::tr("write: считать ячейку обратно и сравнить с программой "
                                           "(по умолчанию).")},
        {NoVerifyName, ParsedCommandLine::tr("write: не считывать ячейку после записи.")},
        {TraceName, ParsedCommandLine::tr("Показать журнал обмена (отправленные и принятые кадры, "
                                          "тайм-ауты, повторы) в стандартном потоке ошибок.")},
        {{QStringLiteral("o"), OutputName},
         ParsedCommandLine::tr("read: сохранить программу в ФАЙЛ вместо стандартного вывода; "
                               "{slave} и {cell} в имени заменяются номерами цели."),
         ParsedCommandLine::tr("ФАЙЛ")},
        {WaitName,
         ParsedCommandLine::tr("scan: сколько ждать ответа на каждый адрес, мс (по умолчанию "
                               "%1; 244 для медленных приборов).")
             .arg(SupplyScan::DefaultWaitMs),
         ParsedCommandLine::tr("МС")},
        {JsonName,
         ParsedCommandLine::tr("Выводить по одному объекту JSON на файл или цель вместо строк "
                               "отчета.")},
        {{QStringLiteral("q"), QuietName},
         ParsedCommandLine::tr("Выводить только строку итога по каждому файлу или цели.")},
        {SetName,
         ParsedCommandLine::tr("run, write: начальное значение ЗНАЧЕНИЕ операнда ИМЯ (например "
                               "Uo) вместо 0 в модели; можно повторять."),
         ParsedCommandLine::tr("ИМЯ=ЗНАЧЕНИЕ")},
        {UntilName,
         ParsedCommandLine::tr("run, write: предел времени модели, число с ms, s, m или h (без "
                               "единицы — секунды); по умолчанию 1h."),
         ParsedCommandLine::tr("ДЛИТЕЛЬНОСТЬ")},
        {CsvName, ParsedCommandLine::tr("run: вывести ход операндов в CSV: "
                                        "time_ms,line,operand,value.")},
        {LimitsName,
         ParsedCommandLine::tr("compile, run, write: пределы операндов из ФАЙЛА, правило в "
                               "строке: Us 0..3000, Is ..500, M1 -100.."),
         ParsedCommandLine::tr("ФАЙЛ")},
        {IgnoreLimitsName,
         ParsedCommandLine::tr("write: записать и программу, выходящую за пределы --limits; "
                               "нарушения выводятся как предупреждения.")},
        {RegistersName,
         ParsedCommandLine::tr("monitor: опрашиваемые регистры, например 01,10,03 (по умолчанию); "
                               "еще A8, AB и ABs (короткая форма AB)."),
         ParsedCommandLine::tr("СПИСОК")},
        {IntervalName,
         ParsedCommandLine::tr("monitor: период опроса с единицей: 500ms, 2s (по умолчанию "
                               "500ms), не короче, чем линия успевает для регистров."),
         ParsedCommandLine::tr("ПЕРИОД")},
        {CountName, ParsedCommandLine::tr("monitor: закончить после N опросов."),
         ParsedCommandLine::tr("N")},
        {DurationName,
         ParsedCommandLine::tr("monitor: закончить через ДЛИТЕЛЬНОСТЬ (ms, s, m, h; без единицы — "
                               "секунды)."),
         ParsedCommandLine::tr("ДЛИТЕЛЬНОСТЬ")},
        {AccessName,
         ParsedCommandLine::tr("monitor: код доступа для A8 и AB, от 0 до 255 (по умолчанию 1)."),
         ParsedCommandLine::tr("N")},
        {MapName,
         ParsedCommandLine::tr("monitor: карта регистров (JSON, как ее экспортирует окно): "
                               "названия, масштабы и единицы полей."),
         ParsedCommandLine::tr("ФАЙЛ")},
        {LangName,
         ParsedCommandLine::tr("Язык сообщений: ru или en; без него — язык системы (LANGUAGE, "
                               "LC_ALL, LC_MESSAGES, LANG), русский, если это не английский."),
         ParsedCommandLine::tr("ЯЗЫК")},
    };
    parser.addOptions(toolOptions);

    ParsedCommandLine parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(LangName) && !InterfaceLanguage::fromCode(parser.value(LangName))) {
        parsed.error = ParsedCommandLine::tr("Язык «%1» не поддерживается: --lang ru или --lang en")
                           .arg(parser.value(LangName));
        return parsed;
    }
    // Printed by the caller, whose writes are checked.
    if (parser.isSet(helpOption)) {
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(versionOption)) {
        parsed.text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
        return parsed;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        parsed.error = ParsedCommandLine::tr(
            "Не указана команда (compile, write, read, compare, ports, run, scan, monitor, "
            "set-register или lsp); см. --help");
        return parsed;
    }
    const QString commandName = positional.takeFirst();
    const CommandRule *rule = nullptr;
    for (const CommandRule &candidate : commandRules()) {
        if (candidate.name == commandName)
            rule = &candidate;
    }
    if (!rule) {
        parsed.error =
            ParsedCommandLine::tr("Неизвестная команда «%1»; см. --help").arg(commandName);
        return parsed;
    }

    for (const QString &given : parser.optionNames()) {
        // A short name stands for its option's long one, which is listed last.
        QString longName = given;
        for (const QCommandLineOption &option : toolOptions) {
            if (option.names().contains(given))
                longName = option.names().constLast();
        }
        // The language is the whole tool's, whatever the command.
        if (!rule->options.contains(longName) && longName != LangName) {
            parsed.error = ParsedCommandLine::tr("Параметр --%1 не относится к команде %2")
                               .arg(longName, commandName);
            return parsed;
        }
    }

    if (positional.size() < rule->minFiles) {
        parsed.error = ParsedCommandLine::tr("Команде %1 нужен файл программы").arg(commandName);
        return parsed;
    }
    if (rule->maxFiles >= 0 && positional.size() > rule->maxFiles) {
        parsed.error = rule->maxFiles == 0
                           ? ParsedCommandLine::tr("Команда %1 не принимает файлов: «%2»")
                                 .arg(commandName, positional.constFirst())
                           : ParsedCommandLine::tr("Команда %1 принимает один файл программы")
                                 .arg(commandName);
        return parsed;
    }

    Invocation invocation;
    invocation.command = rule->command;
    invocation.files = positional;
    invocation.records = parser.isSet(RecordsName);
    if (parser.isSet(VerifyName) && parser.isSet(NoVerifyName)) {
        parsed.error = ParsedCommandLine::tr("--verify и --no-verify исключают друг друга");
        return parsed;
    }
    invocation.verify = !parser.isSet(NoVerifyName);
    invocation.trace = parser.isSet(TraceName);
    invocation.json = parser.isSet(JsonName);
    invocation.quiet = parser.isSet(QuietName);
    invocation.outputFile = parser.value(OutputName);
    invocation.startValues = parser.values(SetName);
    invocation.until = parser.value(UntilName);
    invocation.csv = parser.isSet(CsvName);
    invocation.limitsFile = parser.value(LimitsName);
    invocation.ignoreLimits = parser.isSet(IgnoreLimitsName);
    if (parser.isSet(LimitsName) && invocation.limitsFile.isEmpty()) {
        parsed.error = ParsedCommandLine::tr("Для --limits нужно имя файла");
        return parsed;
    }
    if (parser.isSet(OutputName) && invocation.outputFile.isEmpty()) {
        parsed.error = ParsedCommandLine::tr("Для --output нужно имя файла");
        return parsed;
    }

    if (invocation.command == Invocation::Command::Scan) {
        invocation.ports = parser.values(PortName);
        invocation.ports.removeDuplicates();
        if (invocation.ports.contains(QString())) {
            parsed.error = ParsedCommandLine::tr("Для --port нужно имя порта");
            return parsed;
        }
        invocation.slaveIds.clear();
        for (int slave = 0; slave <= MaxSlaveId; ++slave)
            invocation.slaveIds.append(quint8(slave));
        invocation.waitMs = SupplyScan::DefaultWaitMs;
        if (parser.isSet(WaitName)) {
            const std::optional<int> wait =
                numberIn(parser.value(WaitName), SupplyScan::MinWaitMs, SupplyScan::MaxWaitMs);
            if (!wait) {
                parsed.error = ParsedCommandLine::tr("--wait «%1» не число от %2 до %3")
                                   .arg(parser.value(WaitName))
                                   .arg(SupplyScan::MinWaitMs)
                                   .arg(SupplyScan::MaxWaitMs);
                return parsed;
            }
            invocation.waitMs = *wait;
        }
    } else if (rule->options.contains(PortName)) {
        invocation.port = parser.value(PortName);
        if (invocation.port.isEmpty()) {
            parsed.error = ParsedCommandLine::tr("Команде %1 нужен --port ПОРТ").arg(commandName);
            return parsed;
        }
    }
    if (parser.isSet(SlaveName)) {
        const std::optional<QVector<int>> slaves =
            numberListIn(parser.value(SlaveName), 0, MaxSlaveId);
        if (!slaves) {
            parsed.error = ParsedCommandLine::tr("Slave ID «%1» не число от 0 до %2 и не список "
                                                 "таких чисел")
                               .arg(parser.value(SlaveName))
                               .arg(MaxSlaveId);
            return parsed;
        }
        invocation.slaveIds.clear();
        for (const int slave : *slaves)
            invocation.slaveIds.append(quint8(slave));
    }
    if (parser.isSet(CellName)) {
        const std::optional<QVector<int>> cells =
            numberListIn(parser.value(CellName), FirstCell, LastCell);
        if (!cells) {
            parsed.error =
                ParsedCommandLine::tr("Ячейка «%1» не число от %2 до %3 и не список таких чисел")
                    .arg(parser.value(CellName))
                    .arg(FirstCell)
                    .arg(LastCell);
            return parsed;
        }
        invocation.cells.clear();
        for (const int cell : *cells)
            invocation.cells.append(cell - FirstCell);
    }

    if (const std::optional<QString> problem = readMonitorOptions(parser, invocation)) {
        parsed.error = *problem;
        return parsed;
    }

    // Several reads into one file would leave only the last program; JSON carries each program
    // in its own object.
    if (invocation.command == Invocation::Command::Read && invocation.targetCount() > 1 &&
        (!invocation.json || !invocation.outputFile.isEmpty())) {
        const bool slaveNamed =
            invocation.slaveIds.size() == 1 || invocation.outputFile.contains(SlavePlaceholder);
        const bool cellNamed =
            invocation.cells.size() == 1 || invocation.outputFile.contains(CellPlaceholder);
        if (!slaveNamed || !cellNamed) {
            parsed.error = ParsedCommandLine::tr("Чтению из нескольких целей нужен --output с "
                                                 "{slave} и {cell} в имени файла");
            return parsed;
        }
    }

    parsed.invocation = invocation;
    return parsed;
}

#include "commandline.h"

#include "deviceprotocol.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

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
         {RecordsName, JsonName, QuietName}},
        {QStringLiteral("write"),
         Invocation::Command::Write,
         1,
         1,
         {PortName, SlaveName, CellName, VerifyName, NoVerifyName, TraceName, JsonName, QuietName}},
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
         {SetName, UntilName, CsvName, JsonName}},
    };
    return rules;
}

QString description()
{
    return QStringLiteral(
        "Compiles control programs of Brisca power supplies and writes them into a memory cell\n"
        "of a supply or reads them back, over a serial line, like the Quorvel window.\n"
        "\n"
        "Commands:\n"
        "  compile FILE...              print each file's compile report\n"
        "  write FILE --port PORT       compile FILE and write it into a memory cell\n"
        "  read --port PORT             read the program of a memory cell\n"
        "  compare FILE --port PORT     compile FILE and compare it with a memory cell\n"
        "  ports                        list the serial ports\n"
        "  run FILE                     run FILE's model on its operands, print the trace\n"
        "\n"
        "--slave and --cell take lists such as 1,3,5-8: every slave with every cell is served\n"
        "in turn. read with several targets needs --output with {slave} and {cell} in it.\n"
        "run: 0 when the program ends or reaches the time limit, 1 on a division by zero or a\n"
        "loop without delay, 2 when it does not compile.\n"
        "\n"
        "Exit status: 0 success, 1 the operation failed, 2 bad usage or input.");
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

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("compile, write, read, compare, ports or run."));
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Program files: one or more for compile, one for "
                                                "write, compare and run, none for read and "
                                                "ports."),
                                 QStringLiteral("[FILE...]"));
    const QList<QCommandLineOption> toolOptions = {
        {RecordsName, QStringLiteral("compile: also print each record as its 14 bytes in hex.")},
        {{QStringLiteral("p"), PortName},
         QStringLiteral("Serial port of the supply, e.g. ttyUSB0 or /dev/ttyUSB0."),
         QStringLiteral("PORT")},
        {{QStringLiteral("s"), SlaveName},
         QStringLiteral("Slave IDs of the supplies, 0 to 255 (default 0), e.g. 1,3,5-8."),
         QStringLiteral("N")},
        {{QStringLiteral("c"), CellName},
         QStringLiteral("Memory cells, 1 to 4 (default 1), e.g. 1-4."),
         QStringLiteral("CELL")},
        {VerifyName, QStringLiteral("write: read the cell back and compare it with the program "
                                    "(the default).")},
        {NoVerifyName, QStringLiteral("write: skip the read-back after writing.")},
        {TraceName, QStringLiteral("Print the exchange log (frames sent and received, time-outs, "
                                   "retries) on standard error.")},
        {{QStringLiteral("o"), OutputName},
         QStringLiteral("read: save the program into FILE instead of standard output; {slave} "
                        "and {cell} in FILE stand for the target's numbers."),
         QStringLiteral("FILE")},
        {JsonName,
         QStringLiteral("Print one JSON object per file or target on standard output instead "
                        "of the report lines.")},
        {{QStringLiteral("q"), QuietName},
         QStringLiteral("Print only the result line of each file or target.")},
        {SetName,
         QStringLiteral("run: start operand NAME (e.g. Uo) at VALUE instead of 0; repeatable."),
         QStringLiteral("NAME=VALUE")},
        {UntilName,
         QStringLiteral("run: program time limit, a number with ms, s, m or h (bare: seconds); "
                        "default 1h."),
         QStringLiteral("DURATION")},
        {CsvName, QStringLiteral("run: print the trace as CSV: time_ms,line,operand,value.")},
    };
    parser.addOptions(toolOptions);

    ParsedCommandLine parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
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
        parsed.error =
            QStringLiteral("no command given (compile, write, read, compare, ports or run); see "
                           "--help");
        return parsed;
    }
    const QString commandName = positional.takeFirst();
    const CommandRule *rule = nullptr;
    for (const CommandRule &candidate : commandRules()) {
        if (candidate.name == commandName)
            rule = &candidate;
    }
    if (!rule) {
        parsed.error = QStringLiteral("unknown command '%1'; see --help").arg(commandName);
        return parsed;
    }

    for (const QString &given : parser.optionNames()) {
        // A short name stands for its option's long one, which is listed last.
        QString longName = given;
        for (const QCommandLineOption &option : toolOptions) {
            if (option.names().contains(given))
                longName = option.names().constLast();
        }
        if (!rule->options.contains(longName)) {
            parsed.error =
                QStringLiteral("option --%1 does not apply to %2").arg(longName, commandName);
            return parsed;
        }
    }

    if (positional.size() < rule->minFiles) {
        parsed.error = QStringLiteral("%1 needs a program file").arg(commandName);
        return parsed;
    }
    if (rule->maxFiles >= 0 && positional.size() > rule->maxFiles) {
        parsed.error =
            rule->maxFiles == 0
                ? QStringLiteral("%1 takes no file: '%2'").arg(commandName, positional.constFirst())
                : QStringLiteral("%1 takes one program file").arg(commandName);
        return parsed;
    }

    Invocation invocation;
    invocation.command = rule->command;
    invocation.files = positional;
    invocation.records = parser.isSet(RecordsName);
    if (parser.isSet(VerifyName) && parser.isSet(NoVerifyName)) {
        parsed.error = QStringLiteral("--verify and --no-verify exclude each other");
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
    if (parser.isSet(OutputName) && invocation.outputFile.isEmpty()) {
        parsed.error = QStringLiteral("--output needs a file name");
        return parsed;
    }

    if (rule->options.contains(PortName)) {
        invocation.port = parser.value(PortName);
        if (invocation.port.isEmpty()) {
            parsed.error = QStringLiteral("%1 needs --port PORT").arg(commandName);
            return parsed;
        }
    }
    if (parser.isSet(SlaveName)) {
        const std::optional<QVector<int>> slaves =
            numberListIn(parser.value(SlaveName), 0, MaxSlaveId);
        if (!slaves) {
            parsed.error = QStringLiteral("slave id '%1' is not a number from 0 to %2 or a list "
                                          "of them")
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
                QStringLiteral("cell '%1' is not a number from %2 to %3 or a list of them")
                    .arg(parser.value(CellName))
                    .arg(FirstCell)
                    .arg(LastCell);
            return parsed;
        }
        invocation.cells.clear();
        for (const int cell : *cells)
            invocation.cells.append(cell - FirstCell);
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
            parsed.error = QStringLiteral("read from several targets needs --output with "
                                          "{slave} and {cell} in the file name");
            return parsed;
        }
    }

    parsed.invocation = invocation;
    return parsed;
}

// quorvel-sim: a simulated Brisca power supply on a pseudo-terminal, for users without one
// and for the tests. See --help.

#include "faultplan.h"
#include "simulatedsupply.h"
#include "supplybank.h"
#include "supplycontrol.h"
#include "supplymemory.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

const char HelpText[] =
    "Opens a pseudo-terminal and answers on it as Brisca power supplies: each one, at its Slave\n"
    "ID (--slave 1,3,5-8 puts several on the line), has its own four memory cells (record\n"
    "count, five-byte name, lines 0..255) and fixed registers 01, 10, 03, 07, A8, AB (register\n"
    "AB answers its short read form to access code 1, the long form otherwise).\n"
    "The first line printed is the port path to open at 9600 8N1.\n"
    "\n"
    "Control lines on standard input (each answered on standard output):\n"
    "  fault KIND@SELECTOR...  add faults       clear   remove all faults\n"
    "  count   number of requests served       dump    the cells, then 'end'\n"
    "  [slave N] cell|line|register ...  set memory, in the cells-file form\n"
    "  path    the port path                   quit    stop\n"
    "  run CELL [SLAVE]  run the program of cell 1..4   stop [SLAVE]  stop it\n"
    "  flood MS  send noise, over-long lines and answers to nothing for MS ms\n"
    "The simulator also stops when its standard input ends, unless --no-control is given.\n"
    "\n"
    "Faults: KIND@SELECTOR with KIND one of silent, crc, address, status1e, noise, split,\n"
    "lowercase, late (answer after the late delay; later answers are not held back),\n"
    "overlong, hangup, twice (answer sent twice), twicecrc (answer, then a copy with a wrong\n"
    "CRC), repeat (answer sent again after the repeat\n"
    "gap while the supply carries on), command (another command byte), source (another Slave\n"
    "ID), corrupt (a write stored with its first byte changed, yet acknowledged) and SELECTOR\n"
    "a request number (3), a run (3x2 = 3 and 4), a range (3-5), a command (cmd=B5) or * for\n"
    "every request; request numbers count the requests to every supply of the line. Add\n"
    "',slave=N' to aim a fault at one supply, whose own requests the numbers then count\n"
    "(silent@2,slave=3); 'slave=N' alone is every request to it. Two supplies set to one\n"
    "Slave ID answer as twice@slave=N does. With --echo every character received goes\n"
    "straight back, as the echo of a two-wire RS-485 adapter.\n"
    "\n"
    "Cells file: text, one item a line, rewritten after every accepted write:\n"
    "  cell <0..3> count <0..255> name <10 hex digits>\n"
    "  line <cell> <index> <28 hex digits>     register <command> <hex payload>\n"
    "each preceded by 'slave <N> ' when more than one supply has cells; lines without it (a\n"
    "file of one supply) belong to the first supply of --slave. Supplies of the file that\n"
    "are not on the line keep their cells but do not answer.\n"
    "\n"
    "Log lines: 'RX <frame>' and 'TX <frame>' without the CR, 'IGNORED <why>', 'SILENT',\n"
    "'HANGUP', 'FLOOD', 'RUN', 'STOP', 'END'.\n"
    "\n"
    "A running program (run, --run-cell) executes in real time with the run model, and the\n"
    "registers follow its operands: 01 = Uo, Io, then bytes Out, Blk, T1, T2; 10 = M1..M6;\n"
    "03 = Us, Is. Writes of 03 set Us and Is, of 07 Out. See quorvel-sim(1).";

bool intValue(const QCommandLineParser &parser, const QString &name, int low, int high, int &value)
{
    if (!parser.isSet(name)) {
        return true;
    }
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "quorvel-sim: --%s wants a number from %d to %d\n", qPrintable(name),
                     low, high);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(HelpText));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("slave"),
         QStringLiteral("Slave IDs to answer as, one supply each, e.g. 1,3,5-8 (default 0)."),
         QStringLiteral("LIST")},
        {QStringLiteral("cells"), QStringLiteral("Keep the memory cells in FILE."),
         QStringLiteral("FILE")},
        {QStringLiteral("pace"), QStringLiteral("Time input and output like 9600 8N1.")},
        {QStringLiteral("turnaround"),
         QStringLiteral("Delay before each answer, in ms (default 0)."), QStringLiteral("MS")},
        {QStringLiteral("late-delay"),
         QStringLiteral("Delay of a 'late' answer, in ms (default 400)."), QStringLiteral("MS")},
        {QStringLiteral("repeat-gap"),
         QStringLiteral("Gap after an answer before a 'repeat' sends it again, in ms (default: "
                        "the late delay)."),
         QStringLiteral("MS")},
        {QStringLiteral("echo"), QStringLiteral("Send every received character straight back.")},
        {QStringLiteral("split-gap"),
         QStringLiteral("Gap between the pieces of a 'split' answer, in ms (default 30)."),
         QStringLiteral("MS")},
        {QStringLiteral("log"), QStringLiteral("Log every frame to FILE ('-': standard error)."),
         QStringLiteral("FILE")},
        {QStringLiteral("fault"), QStringLiteral("Inject a fault, KIND@SELECTOR; repeatable."),
         QStringLiteral("KIND@SELECTOR")},
        {QStringLiteral("no-control"), QStringLiteral("Do not read control lines from stdin.")},
        {QStringLiteral("run-cell"),
         QStringLiteral("Run the program stored in cell N (1..4) of the first supply from the "
                        "start."),
         QStringLiteral("N")},
    });
    parser.process(app);

    SimulatedSupply::Settings settings;
    QString error;
    if (parser.isSet(QStringLiteral("slave")) &&
        !SupplyBank::parseSlaveList(parser.value(QStringLiteral("slave")), settings.slaveIds,
                                    &error)) {
        std::fprintf(stderr, "quorvel-sim: %s\n", qPrintable(error));
        return 2;
    }
    if (!intValue(parser, QStringLiteral("turnaround"), 0, 60000, settings.turnaroundMs) ||
        !intValue(parser, QStringLiteral("late-delay"), 0, 60000, settings.lateMs) ||
        !intValue(parser, QStringLiteral("split-gap"), 0, 60000, settings.splitGapMs) ||
        !intValue(parser, QStringLiteral("repeat-gap"), 0, 60000, settings.repeatGapMs)) {
        return 2;
    }
    settings.cellsPath = parser.value(QStringLiteral("cells"));
    settings.logPath = parser.value(QStringLiteral("log"));
    settings.pace = parser.isSet(QStringLiteral("pace"));
    settings.echo = parser.isSet(QStringLiteral("echo"));

    SimulatedSupply supply(settings);
    for (const QString &rule : parser.values(QStringLiteral("fault"))) {
        if (!supply.addFault(rule, &error)) {
            std::fprintf(stderr, "quorvel-sim: %s\n", qPrintable(error));
            return 2;
        }
    }
    if (!supply.start(&error)) {
        std::fprintf(stderr, "quorvel-sim: %s\n", qPrintable(error));
        return 1;
    }
    int runCell = 0;
    if (!intValue(parser, QStringLiteral("run-cell"), 1, SupplyMemory::CellCount, runCell))
        return 2;
    if (runCell > 0 && !supply.runProgram(runCell, std::nullopt, &error)) {
        std::fprintf(stderr, "quorvel-sim: %s\n", qPrintable(error));
        return 2;
    }
    std::printf("%s\n", qPrintable(supply.portPath()));
    std::fflush(stdout);

    SupplyControl control(supply);
    if (!parser.isSet(QStringLiteral("no-control"))) {
        QObject::connect(&control, &SupplyControl::finished, &app, &QCoreApplication::quit);
        control.listen();
    }
    return QCoreApplication::exec();
}

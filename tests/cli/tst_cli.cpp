#include "mainwindow.h"
#include "userdialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// quorvel-cli as scripts run it: its compile report beside the window's pane for the same file,
// its exit statuses, and its transfers against the simulated power supply.

namespace {

constexpr int CliTimeoutMs = 60000;
constexpr int SimulatorTimeoutMs = 10000;
constexpr int ExitSuccess = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadInput = 2;

// The language's worked example: six records named Prg1.
const QByteArray Example = "prgName = \"Prg1\";\n"
                           "#1;\n"
                           "Us += 10;\n"
                           "delay_ms 500;\n"
                           "if Us < 1000 #1 else #2;\n"
                           "#2;\n"
                           "Out = 0;\n";

// Its records as packed by hand: func, oper, arg1..arg4 little-endian, references resolved.
const QStringList ExampleRecords = {
    QStringLiteral("0A 00 01 00 00 00 00 00 00 00 00 00 00 00"),
    QStringLiteral("06 00 0A 00 00 00 00 00 00 00 00 00 00 00"),
    QStringLiteral("04 00 F4 01 00 00 00 00 00 00 00 00 00 00"),
    QStringLiteral("02 00 E8 03 00 00 02 00 00 00 00 00 04 00"),
    QStringLiteral("0A 00 02 00 00 00 00 00 00 00 00 00 00 00"),
    QStringLiteral("01 04 00 00 00 00 00 00 00 00 00 00 00 00"),
};

// What reading the example back gives: the name line, an empty line, one line per record.
QString exampleReadBack()
{
    return QStringLiteral("prgName = \"Prg1\";\n\n#1;\nUs += 10;\ndelay_ms 500;\n"
                          "if Us < 1000 #1 else #2;\n#2;\nOut = 0;");
}

// The example stored in a simulated cell, as the simulator's control lines.
QStringList exampleCellLines(int cell)
{
    QStringList lines = {QStringLiteral("cell %1 count 6 name 5072673120").arg(cell)};
    for (int i = 0; i < ExampleRecords.size(); ++i) {
        lines << QStringLiteral("line %1 %2 %3")
                     .arg(cell)
                     .arg(i)
                     .arg(QString(ExampleRecords.at(i)).remove(QLatin1Char(' ')));
    }
    return lines;
}

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList lines(const QByteArray &output)
{
    QStringList result = QString::fromUtf8(output).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.constLast().isEmpty())
        result.removeLast();
    return result;
}

struct CliRun
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The simulated supply as a child process: its port, its control lines and its frame log.
class Simulator
{
public:
    ~Simulator()
    {
        // The simulator stops when its standard input ends.
        process.closeWriteChannel();
        if (!process.waitForFinished(SimulatorTimeoutMs))
            process.kill();
        process.waitForFinished(SimulatorTimeoutMs);
    }

    bool start(const QStringList &arguments)
    {
        process.start(
            QProcessEnvironment::systemEnvironment().value(QStringLiteral("QUORVEL_SIMULATOR")),
            QStringList{QStringLiteral("--log"), QStringLiteral("-")} + arguments);
        if (!process.waitForStarted(SimulatorTimeoutMs))
            return false;
        const QStringList first = readAnswer([](const QString &) { return true; });
        port = first.value(0);
        return port.startsWith(QLatin1Char('/'));
    }

    // Sends one control line and gives its answer lines; "dump" answers until "end".
    QStringList control(const QString &line)
    {
        process.write(line.toUtf8() + '\n');
        const bool dump = line == QLatin1String("dump");
        return readAnswer(
            [dump](const QString &answer) { return dump ? answer == QLatin1String("end") : true; });
    }

    // How many requests the simulator has logged so far.
    int requestsLogged()
    {
        log += process.readAllStandardError();
        return int(log.count("RX "));
    }

    QString port;

private:
    template <typename Last> QStringList readAnswer(Last isLast)
    {
        QStringList answer;
        while (true) {
            while (!process.canReadLine()) {
                if (!process.waitForReadyRead(SimulatorTimeoutMs))
                    return answer;
            }
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            answer << line;
            if (isLast(line))
                return answer;
        }
    }

    QProcess process;
    QByteArray log;
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void compileReportMatchesWindowPane_data();
    void compileReportMatchesWindowPane();
    void compileSeveralFiles_data();
    void compileSeveralFiles();
    void compileRecords_data();
    void compileRecords();
    void badInputGivesStatusTwo_data();
    void badInputGivesStatusTwo();
    void helpAndVersion();

    void writeVerifyReadRoundTrip_data();
    void writeVerifyReadRoundTrip();
    void readIntoFile();
    void readIntoUnwritableFile();
    void writeFailureLine_data();
    void writeFailureLine();
    void readFailureLine_data();
    void readFailureLine();
    void verifyNamesTheRecordThatDiffers();
    void lostLineEndsTheTransfer();
    void traceGoesToStandardError();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    CliRun runCli(const QStringList &arguments);

    QString cliPath;
    QTemporaryDir dir;
    MainWindow *window = nullptr;
};

void TestCli::initTestCase()
{
    cliPath = QProcessEnvironment::systemEnvironment().value(QStringLiteral("QUORVEL_CLI"));
    QVERIFY2(QFileInfo(cliPath).isExecutable(), "QUORVEL_CLI must name the built quorvel-cli");
    QVERIFY(dir.isValid());
    // The window must not touch the user's own settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       dir.filePath(QStringLiteral("settings")));
    window = new MainWindow;
    // The window warns about a file whose bytes are not UTF-8; no one is there to close the box.
    struct NoDialogs : UserDialogs
    {
        void warning(QWidget *, const QString &, const QString &, const QString &) override {}
    };
    window->setDialogs(std::make_unique<NoDialogs>());
}

void TestCli::cleanupTestCase()
{
    delete window;
    window = nullptr;
}

QString TestCli::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

CliRun TestCli::runCli(const QStringList &arguments)
{
    CliRun run;
    QProcess process;
    process.start(cliPath, arguments);
    if (!process.waitForStarted(CliTimeoutMs))
        return run;
    process.closeWriteChannel();
    if (!process.waitForFinished(CliTimeoutMs)) {
        process.kill();
        process.waitForFinished(CliTimeoutMs);
        return run;
    }
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void TestCli::compileReportMatchesWindowPane_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("worked example") << Example << ExitSuccess << u("OK: 6/100");
    QTest::newRow("empty file") << QByteArray() << ExitSuccess << u("OK: 0/100");
    QTest::newRow("comments and blank lines")
        << QByteArray("// note\n\n   \nUs = 5; // trailing\nnop;\n") << ExitSuccess
        << u("OK: 1/100");
    QTest::newRow("leading blanks kept")
        << QByteArray("   Us = 5;\n\tnop;\n") << ExitSuccess << u("OK: 2/100");
    QTest::newRow("no line end at the end")
        << QByteArray("Us = 5;") << ExitSuccess << u("OK: 1/100");
    QTest::newRow("CRLF line ends")
        << QByteArray(Example).replace("\n", "\r\n") << ExitSuccess << u("OK: 6/100");
    QTest::newRow("lone CR line ends")
        << QByteArray(Example).replace('\n', '\r') << ExitSuccess << u("OK: 6/100");
    QTest::newRow("zero byte does not hide the rest")
        << QByteArray("nop;\n\0garbage\n", 15) << ExitFailed << QString();
    QTest::newRow("unknown lines all reported")
        << QByteArray("xyz;\nUs = 5;\nСтрока;\n") << ExitFailed << QString();
    QTest::newRow("number out of range stops") << QByteArray("xyz;\nUs = 99999999999;\nnop;\n")
                                               << ExitFailed << u("error: Us = 99999999999;");
    QTest::newRow("prgName not first") << QByteArray("nop;\nprgName = \"A\";\n") << ExitFailed
                                       << u("error: prgName = \"A\"; должен быть в первой строке");
    QTest::newRow("duplicate label")
        << QByteArray("#1;\n#01;\n") << ExitFailed << u("error: повтор ссылки #1");
    QTest::newRow("missing jmp target")
        << QByteArray("jmp #3;\n") << ExitFailed << u("error jmp: ссылка #3 не найдена");
    QTest::newRow("missing else target") << QByteArray("if Us > 0 #1 else #2;\n#1;\n") << ExitFailed
                                         << u("error if-else: ссылка #2 не найдена");
    QTest::newRow("150 records") << QByteArray("nop;\n").repeated(150) << ExitSuccess
                                 << u("OK: 150/100");
}

void TestCli::compileReportMatchesWindowPane()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, lastLine);

    const QString path = writeFile(QStringLiteral("pane.prgb"), file);
    QVERIFY(!path.isEmpty());
    const CliRun run = runCli({QStringLiteral("compile"), path});
    QVERIFY(run.finished);

    window->openProgramFile(path);
    QAction *compile = window->findChild<QAction *>(QStringLiteral("compileAction"));
    QVERIFY(compile);
    compile->trigger();
    const QString pane = window->outputPane()->toPlainText();

    QCOMPARE(QString::fromUtf8(run.out), pane + QLatin1Char('\n'));
    QCOMPARE(run.exitCode, status);
    QCOMPARE(run.exitCode, window->compileErrorFlag() == 0 ? ExitSuccess : ExitFailed);
    QCOMPARE(lines(run.out).constFirst(), u("Компиляция:"));
    QCOMPARE(lines(run.out).constLast(), lastLine);
    QVERIFY(run.err.isEmpty());
}

void TestCli::compileSeveralFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("status");

    QTest::newRow("all compile") << QStringList{u("good"), u("good")} << ExitSuccess;
    QTest::newRow("one fails") << QStringList{u("good"), u("bad"), u("good")} << ExitFailed;
    QTest::newRow("missing file after a failure")
        << QStringList{u("bad"), u("missing"), u("good")} << ExitBadInput;
    QTest::newRow("missing file first") << QStringList{u("missing"), u("good")} << ExitBadInput;
}

void TestCli::compileSeveralFiles()
{
    QFETCH(QStringList, files);
    QFETCH(int, status);

    QStringList paths;
    for (int i = 0; i < files.size(); ++i) {
        const QString name = QStringLiteral("%1-%2.prgb").arg(i).arg(files.at(i));
        if (files.at(i) == QLatin1String("missing"))
            paths << dir.filePath(name);
        else
            paths << writeFile(name, files.at(i) == QLatin1String("good") ? Example
                                                                          : QByteArray("xyz;\n"));
    }
    const CliRun run = runCli(QStringList{QStringLiteral("compile")} + paths);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);

    // Each file's header, then its report; a blank line between files.
    const QStringList out = lines(run.out);
    int at = 0;
    for (int i = 0; i < paths.size(); ++i) {
        QCOMPARE(out.value(at), QStringLiteral("==> %1 <==").arg(paths.at(i)));
        int next = at + 1;
        while (next < out.size() && !out.at(next).startsWith(QLatin1String("==> ")))
            ++next;
        if (next == out.size())
            next = -1;
        const QStringList report = out.mid(at + 1, (next < 0 ? out.size() : next - 1) - at - 1);
        if (next >= 0)
            QCOMPARE(out.value(next - 1), QString());
        if (files.at(i) == QLatin1String("missing")) {
            QCOMPARE(report, QStringList());
            QVERIFY(QString::fromUtf8(run.err).contains(paths.at(i)));
        } else {
            QCOMPARE(report.value(0), u("Компиляция:"));
            QCOMPARE(report.constLast(),
                     files.at(i) == QLatin1String("good") ? u("OK: 6/100") : QString());
        }
        at = next < 0 ? out.size() : next;
    }
}

void TestCli::compileRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("tail");

    QTest::newRow("worked example") << Example << (QStringList{u("OK: 6/100")} + ExampleRecords);
    QTest::newRow("named source, negative number, forward reference")
        << QByteArray("M1 = Us;\nM1 = -5;\nif Us > Uo #1;\n#1;\n")
        << QStringList{u("OK: 4/100"), u("01 86 00 00 00 00 00 00 00 00 00 00 00 00"),
                       u("01 06 FB FF FF FF 00 00 00 00 00 00 00 00"),
                       u("02 80 01 00 00 00 04 00 00 00 03 00 00 00"),
                       u("0A 00 01 00 00 00 00 00 00 00 00 00 00 00")};
    QTest::newRow("failed compile prints no records")
        << QByteArray("Us = 5;\njmp #3;\n")
        << QStringList{QString(), u("error jmp: ссылка #3 не найдена")};
}

void TestCli::compileRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, tail);

    const QString path = writeFile(QStringLiteral("records.prgb"), file);
    const CliRun run = runCli({QStringLiteral("compile"), QStringLiteral("--records"), path});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode,
             tail.constFirst().startsWith(QLatin1String("OK")) ? ExitSuccess : ExitFailed);
    const QStringList out = lines(run.out);
    QVERIFY(out.size() >= tail.size());
    QCOMPARE(out.mid(out.size() - tail.size()), tail);
}

void TestCli::badInputGivesStatusTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString port = QStringLiteral("/dev/quorvel-no-such-port");
    QTest::newRow("no command") << QStringList() << u("no command");
    QTest::newRow("unknown command") << QStringList{u("erase")} << u("unknown command 'erase'");
    QTest::newRow("unknown option")
        << QStringList{u("compile"), u("--fast"), u("%file")} << u("Unknown option 'fast'");
    QTest::newRow("compile without file") << QStringList{u("compile")} << u("needs a program");
    QTest::newRow("compile missing file")
        << QStringList{u("compile"), u("%missing")} << u("cannot read");
    QTest::newRow("compile a directory")
        << QStringList{u("compile"), u("%dir")} << u("cannot read");
    QTest::newRow("option of another command")
        << QStringList{u("compile"), u("--port"), port, u("%file")}
        << u("option --port does not apply to compile");
    QTest::newRow("short option of another command")
        << QStringList{u("compile"), u("-o"), u("x"), u("%file")}
        << u("option --output does not apply to compile");
    QTest::newRow("write without port")
        << QStringList{u("write"), u("%file")} << u("write needs --port");
    QTest::newRow("write with empty port")
        << QStringList{u("write"), u("%file"), u("--port=")} << u("write needs --port");
    QTest::newRow("write missing file")
        << QStringList{u("write"), u("%missing"), u("-p"), port} << u("cannot read");
    QTest::newRow("write two files")
        << QStringList{u("write"), u("%file"), u("%file"), u("-p"), port}
        << u("takes one program file");
    QTest::newRow("write port does not open")
        << QStringList{u("write"), u("%file"), u("--port"), port} << u("cannot open port");
    QTest::newRow("slave 256") << QStringList{u("write"), u("%file"),   u("-p"),
                                              port,       u("--slave"), u("256")}
                               << u("slave id '256'");
    QTest::newRow("slave -1") << QStringList{u("read"), u("-p"), port, u("--slave"), u("-1")}
                              << u("slave id '-1'");
    QTest::newRow("slave not a number")
        << QStringList{u("read"), u("-p"), port, u("-s"), u("ten")} << u("slave id 'ten'");
    QTest::newRow("cell 0") << QStringList{u("read"), u("-p"), port, u("--cell"), u("0")}
                            << u("cell '0'");
    QTest::newRow("cell 5") << QStringList{u("write"), u("%file"), u("-p"), port, u("-c"), u("5")}
                            << u("cell '5'");
    QTest::newRow("read with a file")
        << QStringList{u("read"), u("%file"), u("-p"), port} << u("read takes no file");
    QTest::newRow("read without port") << QStringList{u("read")} << u("read needs --port");
    QTest::newRow("read port does not open")
        << QStringList{u("read"), u("-p"), port} << u("cannot open port");
    QTest::newRow("output without a name")
        << QStringList{u("read"), u("-p"), port, u("-o")} << u("Missing value after '-o'");
    QTest::newRow("verify with read") << QStringList{u("read"), u("-p"), port, u("--verify")}
                                      << u("option --verify does not apply to read");
}

void TestCli::badInputGivesStatusTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString file = writeFile(QStringLiteral("usage.prgb"), Example);
    for (QString &argument : arguments) {
        argument.replace(QLatin1String("%file"), file);
        argument.replace(QLatin1String("%missing"), dir.filePath(QStringLiteral("none.prgb")));
        argument.replace(QLatin1String("%dir"), dir.path());
    }
    const CliRun run = runCli(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitBadInput);
    QVERIFY(run.out.isEmpty());
    const QStringList err = lines(run.err);
    QCOMPARE(err.size(), 1);
    QVERIFY2(err.constFirst().startsWith(QLatin1String("quorvel-cli: ")), run.err.constData());
    QVERIFY2(err.constFirst().contains(message), run.err.constData());
}

void TestCli::helpAndVersion()
{
    const CliRun help = runCli({QStringLiteral("--help")});
    QVERIFY(help.finished);
    QCOMPARE(help.exitCode, ExitSuccess);
    for (const char *word : {"compile FILE", "write FILE", "read --port", "--records", "--verify",
                             "--trace", "--output", "--slave", "--cell", "Exit status"})
        QVERIFY2(help.out.contains(word), word);

    const CliRun version = runCli({QStringLiteral("--version")});
    QVERIFY(version.finished);
    QCOMPARE(version.exitCode, ExitSuccess);
    QVERIFY2(version.out.startsWith("quorvel-cli 1.1."), version.out.constData());
}

void TestCli::writeVerifyReadRoundTrip_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("slave");
    QTest::addColumn<QStringList>("simulatorOptions");

    QTest::newRow("cell 1, slave 0") << 1 << 0 << QStringList();
    QTest::newRow("cell 4, slave 255") << 4 << 255 << QStringList();
    QTest::newRow("cell 2, slave 7, replies in pieces")
        << 2 << 7 << QStringList{u("--fault"), u("split@*")};
}

void TestCli::writeVerifyReadRoundTrip()
{
    QFETCH(int, cell);
    QFETCH(int, slave);
    QFETCH(QStringList, simulatorOptions);

    Simulator simulator;
    QVERIFY(simulator.start(QStringList{u("--slave"), QString::number(slave)} + simulatorOptions));
    const QString file = writeFile(QStringLiteral("roundtrip.prgb"), Example);
    const QStringList device = {u("--port"),  simulator.port,
                                u("--slave"), QString::number(slave),
                                u("--cell"),  QString::number(cell)};

    const CliRun write = runCli(QStringList{u("write"), file, u("--verify")} + device);
    QVERIFY(write.finished);
    QCOMPARE(write.exitCode, ExitSuccess);
    QStringList expected = {u("Компиляция:")};
    expected << QString::fromUtf8(Example).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    expected << u(">func:1 oper:4 arg1:0 arg3:0 arg3:0 arg4:0") << QString() << u("OK: 6/100")
             << u("Запись данных в устройство");
    for (int i = 0; i < ExampleRecords.size(); ++i)
        expected << u("Строка %1 записана").arg(i);
    expected << u("Size записан") << u("PrgName \"Prg1\" записан") << QString()
             << u("Данные успешно записаны") << u("Чтение данных из устройства")
             << u("Всего строк 6") << u("prgName = \"Prg1 \"");
    for (int i = 0; i < ExampleRecords.size(); ++i)
        expected << u("Строка %1 считана").arg(i);
    expected << u("verify: cell %1 holds the program as written (6 records)").arg(cell);
    QCOMPARE(lines(write.out), expected);
    QVERIFY2(write.err.isEmpty(), write.err.constData());

    // The program landed in the chosen cell (the simulator counts cells from 0) and nowhere else.
    const QStringList dump = simulator.control(u("dump"));
    for (const QString &line : exampleCellLines(cell - 1))
        QVERIFY2(dump.contains(line), qPrintable(line));
    QCOMPARE(dump.filter(QRegularExpression(QStringLiteral("^cell \\d count [1-9]"))).size(), 1);

    const CliRun read = runCli(QStringList{u("read")} + device);
    QVERIFY(read.finished);
    QCOMPARE(read.exitCode, ExitSuccess);
    QCOMPARE(QString::fromUtf8(read.out), exampleReadBack());
    QStringList readLines = {u("Чтение данных из устройства"), u("Всего строк 6"),
                             u("prgName = \"Prg1 \"")};
    for (int i = 0; i < ExampleRecords.size(); ++i)
        readLines << u("Строка %1 считана").arg(i);
    readLines << u("Данные успешно считаны и декодированы");
    QCOMPARE(lines(read.err), readLines);
}

void TestCli::readIntoFile()
{
    Simulator simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(2))
        QCOMPARE(simulator.control(line), QStringList{u("ok")});

    const QString target = dir.filePath(QStringLiteral("fromdevice.prgb"));
    QVERIFY(writeFile(QStringLiteral("fromdevice.prgb"), "old content\n") == target);
    const CliRun run =
        runCli({u("read"), u("-p"), simulator.port, u("--cell"), u("3"), u("-o"), target});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitSuccess);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(lines(run.err).constLast(), u("Данные успешно считаны и декодированы"));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), exampleReadBack());

    // What was saved compiles back into the very records that were stored.
    const CliRun compiled = runCli({u("compile"), u("--records"), target});
    QCOMPARE(compiled.exitCode, ExitSuccess);
    const QStringList out = lines(compiled.out);
    QCOMPARE(out.mid(out.size() - ExampleRecords.size()), ExampleRecords);
}

void TestCli::readIntoUnwritableFile()
{
    Simulator simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.control(line), QStringList{u("ok")});

    const QString target = dir.filePath(QStringLiteral("no-such-folder/out.prgb"));
    const CliRun run = runCli({u("read"), u("-p"), simulator.port, u("-o"), target});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitBadInput);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(lines(run.err).constLast().startsWith(u("quorvel-cli: cannot write ") + target),
             run.err.constData());
    QVERIFY(!QFile::exists(target));
}

void TestCli::writeFailureLine_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("tail");

    QTest::newRow("silent device")
        << u("silent@*") << QStringList{u("Запись данных в устройство"), u("Ошибка записи")};
    QTest::newRow("second line answered with a bad CRC")
        << u("crc@2") << QStringList{u("Строка 0 записана"), u("Ошибка записи")};
    QTest::newRow("count refused")
        << u("status1e@cmd=B4") << QStringList{u("Строка 5 записана"), u("Ошибка записи size")};
    QTest::newRow("name unanswered")
        << u("silent@cmd=B8") << QStringList{u("Size записан"), u("Ошибка записи prgName")};
}

void TestCli::writeFailureLine()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, tail);

    Simulator simulator;
    QVERIFY(simulator.start({u("--fault"), fault}));
    const QString file = writeFile(QStringLiteral("failing.prgb"), Example);
    const CliRun run = runCli({u("write"), file, u("--verify"), u("-p"), simulator.port});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    const QStringList out = lines(run.out);
    QCOMPARE(out.mid(out.size() - tail.size()), tail);
}

void TestCli::readFailureLine_data()
{
    QTest::addColumn<QStringList>("cellLines");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("count unanswered")
        << exampleCellLines(0) << u("silent@cmd=B4") << u("error: ошибка чтения size");
    QTest::newRow("name unanswered")
        << exampleCellLines(0) << u("silent@cmd=B8") << u("error: ошибка чтения prgName");
    QTest::newRow("record answered with a bad CRC")
        << exampleCellLines(0) << u("crc@cmd=B0") << u("error: ошибка чтения строки");
    QTest::newRow("empty cell") << QStringList() << QString() << u("Нет записей для чтения");
    QTest::newRow("count 101") << QStringList{u("cell 0 count 101 name 4142434445")} << QString()
                               << u("error: некорректное кол-во строк");
    QTest::newRow("jump beyond the program")
        << QStringList{u("cell 0 count 1 name 4142434445"),
                       u("line 0 0 0300050000000000000000000000")}
        << QString() << u("error: некорректная ссылка jmp");
}

void TestCli::readFailureLine()
{
    QFETCH(QStringList, cellLines);
    QFETCH(QString, fault);
    QFETCH(QString, lastLine);

    Simulator simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : cellLines)
        QCOMPARE(simulator.control(line), QStringList{u("ok")});
    if (!fault.isEmpty())
        QCOMPARE(simulator.control(u("fault ") + fault), QStringList{u("ok")});

    const CliRun run = runCli({u("read"), u("--port"), simulator.port});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    QVERIFY2(run.out.isEmpty(), run.out.constData());
    const QStringList err = lines(run.err);
    QCOMPARE(err.constFirst(), u("Чтение данных из устройства"));
    QCOMPARE(err.constLast(), lastLine);
}

void TestCli::verifyNamesTheRecordThatDiffers()
{
    // Answers are delayed so that the cell can be changed between the write and the read-back.
    Simulator simulator;
    QVERIFY(simulator.start({u("--turnaround"), u("100")}));
    const QString file = writeFile(QStringLiteral("verify.prgb"), Example);

    QProcess cli;
    cli.start(cliPath, {u("write"), file, u("--verify"), u("-p"), simulator.port});
    QVERIFY(cli.waitForStarted(CliTimeoutMs));
    // Six lines, the count and the name have reached the device; the read-back comes next.
    const int writeRequests = ExampleRecords.size() + 2;
    QTRY_VERIFY_WITH_TIMEOUT(simulator.requestsLogged() >= writeRequests, CliTimeoutMs);
    QCOMPARE(simulator.requestsLogged(), writeRequests);
    QCOMPARE(simulator.control(u("line 0 2 0400580200000000000000000000")), QStringList{u("ok")});

    QVERIFY(cli.waitForFinished(CliTimeoutMs));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), ExitFailed);
    QCOMPARE(lines(cli.readAllStandardError()),
             QStringList{u("quorvel-cli: verify: record 2 differs: wrote "
                           "04 00 F4 01 00 00 00 00 00 00 00 00 00 00, read "
                           "04 00 58 02 00 00 00 00 00 00 00 00 00 00")});
    QCOMPARE(lines(cli.readAllStandardOutput()).constLast(), u("Строка 5 считана"));
}

void TestCli::lostLineEndsTheTransfer()
{
    Simulator simulator;
    QVERIFY(simulator.start({u("--fault"), u("hangup@2")}));
    const QString file = writeFile(QStringLiteral("lost.prgb"), Example);
    const CliRun run = runCli({u("write"), file, u("-p"), simulator.port});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    const QStringList out = lines(run.out);
    QCOMPARE(out.mid(out.size() - 2), (QStringList{u("Строка 0 записана"), u("Ошибка записи")}));
    QVERIFY2(run.err.startsWith("quorvel-cli: lost port " + simulator.port.toUtf8() + ": "),
             run.err.constData());
}

void TestCli::traceGoesToStandardError()
{
    Simulator simulator;
    QVERIFY(simulator.start({}));
    const QString file = writeFile(QStringLiteral("trace.prgb"), Example);
    const QStringList port = {u("-p"), simulator.port};

    const CliRun quiet = runCli(QStringList{u("write"), file} + port);
    const CliRun traced = runCli(QStringList{u("write"), file, u("--trace")} + port);
    QCOMPARE(quiet.exitCode, ExitSuccess);
    QCOMPARE(traced.exitCode, ExitSuccess);
    QVERIFY(quiet.err.isEmpty());
    QCOMPARE(traced.out, quiet.out);
    // Every reply the link took in shows in the trace, and none of it on standard output.
    QCOMPARE(int(traced.err.count("LineCode = #")), ExampleRecords.size() + 2);

    const CliRun read = runCli(QStringList{u("read"), u("--trace")} + port);
    QCOMPARE(read.exitCode, ExitSuccess);
    QCOMPARE(QString::fromUtf8(read.out), exampleReadBack());
    QVERIFY(read.err.contains("LineCode = #"));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

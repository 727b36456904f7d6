#include "clitext.h"
#include "compiler.h"
#include "devicelink.h"
#include "interfacelanguage.h"
#include "programtext.h"
#include "programtransfer.h"
#include "transfertexts.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// quorvel-cli as scripts run it: its compile report beside the window's pane for the same file,
// its exit statuses, and its transfers against the simulated power supply.

namespace {

constexpr int CliTimeoutMs = 60000;
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

using TransferTexts::partWritten;

// After a transfer that ended without any answer.
QString noAnswerLine(int slave)
{
    return u("Прибор не отвечает: проверьте Slave ID (%1), кабель и питание").arg(slave);
}
const QString NoAnswerLine = noAnswerLine(0);

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

// A diagnostic list as a table column.
struct Diagnostics
{
    DiagnosticList list;
};

} // namespace

Q_DECLARE_METATYPE(Diagnostics)

class TestCli : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void compileReportMatchesWindowPane_data();
    void compileReportMatchesWindowPane();
    void compileReportMatchesGoldenFile_data();
    void compileReportMatchesGoldenFile();
    void compileSeveralFiles_data();
    void compileSeveralFiles();
    void compileRecords_data();
    void compileRecords();
    void badInputGivesStatusTwo_data();
    void badInputGivesStatusTwo();
    void helpAndVersion();
    void portsAndPortWithoutPermission();

    void writeVerifyReadRoundTrip_data();
    void writeVerifyReadRoundTrip();
    void readIntoFile();
    void readIntoUnwritableFile();
    void readKeepsWhatItReplaces_data();
    void readKeepsWhatItReplaces();
    void writeFailureLine_data();
    void writeFailureLine();
    void readFailureLine_data();
    void readFailureLine();
    void verifyNamesTheRecordThatDiffers();
    void lostLineEndsTheTransfer();
    void stopSignalMidWrite_data();
    void stopSignalMidWrite();
    void lateAnswerOfEarlierRunNotTaken();
    void nameThatCannotComeBack();
    void traceGoesToStandardError();

    void diagnosticLines_data();
    void diagnosticLines();
    void controlCharactersEscaped_data();
    void controlCharactersEscaped();
    void lostOutputFails_data();
    void lostOutputFails();
    void readIntoFifo();
    void severalSlavesOneAnswering();
    void scanListsTheSupplies_data();
    void scanListsTheSupplies();
    void jsonHoldsWhatTheLinesSay_data();
    void jsonHoldsWhatTheLinesSay();
    void compareCell_data();
    void compareCell();
    void transferReportsProgress();
    void runPrintsTraceAndStopLine_data();
    void runPrintsTraceAndStopLine();
    void limitsAcrossCommands_data();
    void limitsAcrossCommands();
    void monitorFollowsRunningProgram_data();
    void monitorFollowsRunningProgram();
    void monitorJsonAndStatus_data();
    void monitorJsonAndStatus();
    void setRegister_data();
    void setRegister();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    CliRun runCli(const QStringList &arguments, const QString &standardOutputFile = QString(),
                  const QString &workingDirectory = QString());

    QString cliPath;
    QTemporaryDir dir;
};

void TestCli::initTestCase()
{
    cliPath = QProcessEnvironment::systemEnvironment().value(QStringLiteral("QUORVEL_CLI"));
    QVERIFY2(QFileInfo(cliPath).isExecutable(), "QUORVEL_CLI must name the built quorvel-cli");
    QVERIFY(dir.isValid());
    // The window must not touch the user's own settings.
    QVERIFY(isolateSettings());
    openWindow();
}

void TestCli::cleanupTestCase()
{
    closeWindow();
}

QString TestCli::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

CliRun TestCli::runCli(const QStringList &arguments, const QString &standardOutputFile,
                       const QString &workingDirectory)
{
    CliRun run;
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    if (!standardOutputFile.isEmpty())
        process.setStandardOutputFile(standardOutputFile);
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
    // The window's line after a failed compile's report, which the tool leaves to its
    // diagnostics.
    QTest::addColumn<QString>("failed");

    QTest::newRow("worked example") << Example << ExitSuccess << u("OK: 6/100") << QString();
    QTest::newRow("empty file") << QByteArray() << ExitSuccess << u("OK: 0/100") << QString();
    QTest::newRow("comments and blank lines")
        << QByteArray("// note\n\n   \nUs = 5; // trailing\nnop;\n") << ExitSuccess
        << u("OK: 1/100") << QString();
    QTest::newRow("leading blanks kept")
        << QByteArray("   Us = 5;\n\tnop;\n") << ExitSuccess << u("OK: 2/100") << QString();
    QTest::newRow("no line end at the end")
        << QByteArray("Us = 5;") << ExitSuccess << u("OK: 1/100") << QString();
    QTest::newRow("CRLF line ends")
        << QByteArray(Example).replace("\n", "\r\n") << ExitSuccess << u("OK: 6/100") << QString();
    QTest::newRow("lone CR line ends")
        << QByteArray(Example).replace('\n', '\r') << ExitSuccess << u("OK: 6/100") << QString();
    QTest::newRow("zero byte does not hide the rest")
        << QByteArray("nop;\n\0garbage\n", 15) << ExitFailed << QString()
        << u("Ошибок: 2, первая в строке 2: строка не является оператором языка");
    QTest::newRow("unknown lines all reported")
        << QByteArray("xyz;\nUs = 5;\nСтрока;\n") << ExitFailed << QString()
        << u("Ошибок: 2, первая в строке 1: строка не является оператором языка");
    QTest::newRow("number out of range stops")
        << QByteArray("xyz;\nUs = 99999999999;\nnop;\n") << ExitFailed
        << u("error: Us = 99999999999;")
        << u("Ошибок: 2, первая в строке 1: строка не является оператором языка");
    QTest::newRow("prgName not first")
        << QByteArray("nop;\nprgName = \"A\";\n") << ExitFailed
        << u("error: prgName = \"A\"; должен быть в первой строке")
        << u("Ошибок: 1, первая в строке 2: prgName должен быть в первой строке");
    QTest::newRow("duplicate label")
        << QByteArray("#1;\n#01;\n") << ExitFailed << u("error: повтор ссылки #1")
        << u("Ошибок: 1, первая в строке 2: повтор ссылки #1");
    QTest::newRow("missing jmp target")
        << QByteArray("jmp #3;\n") << ExitFailed << u("error jmp: ссылка #3 не найдена")
        << u("Ошибок: 1, первая в строке 1: jmp: ссылка #3 не найдена");
    QTest::newRow("missing else target")
        << QByteArray("if Us > 0 #1 else #2;\n#1;\n") << ExitFailed
        << u("error if-else: ссылка #2 не найдена")
        << u("Ошибок: 1, первая в строке 1: if-else: ссылка #2 не найдена");
    QTest::newRow("150 records") << QByteArray("nop;\n").repeated(150) << ExitSuccess
                                 << u("OK: 150/100") << QString();
}

void TestCli::compileReportMatchesWindowPane()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, lastLine);
    QFETCH(QString, failed);

    const QString path = writeFile(QStringLiteral("pane.prgb"), file);
    QVERIFY(!path.isEmpty());
    const CliRun run = runCli({QStringLiteral("compile"), path});
    QVERIFY(run.finished);

    window->openProgramFile(path);
    QAction *compile = window->findChild<QAction *>(QStringLiteral("compileAction"));
    QVERIFY(compile);
    compile->trigger();
    QStringList pane = window->outputPane()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(failed.isEmpty() ? QString() : pane.takeLast(), failed);
    if (!failed.isEmpty()) {
        // Red and leading to the first error like the report's error lines; the pane shows the
        // report's first error line rather than its end.
        const int summary = pane.size();
        bool red = false;
        for (const QTextEdit::ExtraSelection &s : window->outputPane()->extraSelections())
            red |= s.cursor.blockNumber() == summary && s.format.foreground().color() == Qt::red;
        QVERIFY(red);
        const int firstError = pane.indexOf(QRegularExpression(u("^error.*")));
        QVERIFY(firstError > 0);
        QCOMPARE(window->outputPane()->textCursor().blockNumber(), firstError);
    }

    QCOMPARE(QString::fromUtf8(run.out), pane.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QCOMPARE(run.exitCode, status);
    QCOMPARE(run.exitCode, window->compileErrorFlag() == 0 ? ExitSuccess : ExitFailed);
    QCOMPARE(lines(run.out).constFirst(), u("Компиляция:"));
    QCOMPARE(lines(run.out).constLast(), lastLine);
    // Standard error holds the compiler's diagnostics and nothing else.
    const CompileResult compiled = compileProgram(ProgramText::loadFile(path).text);
    QCOMPARE(lines(run.err), CliText::diagnosticLines(path, compiled.diagnostics));
}

// The compile reports of a few representative programs, kept byte for byte in tests/data/compile
// (scripts/update-golden.sh writes them from the built tool): any change to a report shows up
// here as a diff to review.
void TestCli::compileReportMatchesGoldenFile_data()
{
    QTest::addColumn<QString>("name");
    const QDir golden(QStringLiteral(QUORVEL_TEST_DATA "/compile"));
    const QStringList programs = golden.entryList({QStringLiteral("*.prgb")}, QDir::Files);
    QVERIFY2(programs.size() >= 5, qPrintable(golden.path()));
    for (const QString &program : programs)
        QTest::newRow(qPrintable(program)) << QFileInfo(program).completeBaseName();
}

void TestCli::compileReportMatchesGoldenFile()
{
    QFETCH(QString, name);
    const QDir golden(QStringLiteral(QUORVEL_TEST_DATA "/compile"));
    const auto contents = [&golden, &name](const char *suffix) {
        QFile file(golden.filePath(name + QLatin1String(suffix)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    };

    // In the data folder with the bare file name, as the script runs it; NAME.en.prgb in English.
    const QString language = name.endsWith(QLatin1String(".en")) ? u("en") : u("ru");
    const CliRun run =
        runCli({QStringLiteral("compile"), name + QStringLiteral(".prgb"), u("--lang"), language},
               {}, golden.path());
    QVERIFY(run.finished);
    QCOMPARE(lines(run.out), lines(contents(".out")));
    QCOMPARE(lines(run.err), lines(contents(".err")));
    QCOMPARE(run.out, contents(".out"));
    QCOMPARE(run.err, contents(".err"));
    QCOMPARE(QByteArray::number(run.exitCode), contents(".status").trimmed());
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
    QTest::newRow("no command") << QStringList() << u("Не указана команда");
    QTest::newRow("unknown command") << QStringList{u("erase")} << u("Неизвестная команда «erase»");
    QTest::newRow("unknown option")
        << QStringList{u("compile"), u("--fast"), u("%file")} << u("Неизвестный параметр «fast»");
    QTest::newRow("language not spoken")
        << QStringList{u("compile"), u("--lang"), u("de"), u("%file")}
        << u("Язык «de» не поддерживается: --lang ru или --lang en");
    QTest::newRow("usage error in English")
        << QStringList{u("--lang=en"), u("erase")} << u("Unknown command");
    QTest::newRow("compile without file") << QStringList{u("compile")} << u("нужен файл программы");
    QTest::newRow("compile missing file") << QStringList{u("compile"), u("%missing")}
                                          << u("Не удается открыть файл %missing. Файл не найден.");
    QTest::newRow("compile a directory") << QStringList{u("compile"), u("%dir")}
                                         << u("Не удается открыть файл %dir. Это не обычный файл");
    QTest::newRow("option of another command")
        << QStringList{u("compile"), u("--port"), port, u("%file")}
        << u("Параметр --port не относится к команде compile");
    QTest::newRow("short option of another command")
        << QStringList{u("compile"), u("-o"), u("x"), u("%file")}
        << u("Параметр --output не относится к команде compile");
    QTest::newRow("write without port")
        << QStringList{u("write"), u("%file")} << u("Команде write нужен --port");
    QTest::newRow("write with empty port")
        << QStringList{u("write"), u("%file"), u("--port=")} << u("Команде write нужен --port");
    QTest::newRow("write missing file") << QStringList{u("write"), u("%missing"), u("-p"), port}
                                        << u("Не удается открыть файл %missing. Файл не найден.");
    QTest::newRow("write two files")
        << QStringList{u("write"), u("%file"), u("%file"), u("-p"), port}
        << u("Команда write принимает один файл программы");
    QTest::newRow("write port does not open")
        << QStringList{u("write"), u("%file"), u("--port"), port}
        << u("Не удается открыть порт %1: Такого порта нет").arg(port);
    QTest::newRow("slave 256") << QStringList{u("write"), u("%file"),   u("-p"),
                                              port,       u("--slave"), u("256")}
                               << u("Slave ID «256» не число от 0 до 255");
    QTest::newRow("slave -1") << QStringList{u("read"), u("-p"), port, u("--slave"), u("-1")}
                              << u("Slave ID «-1»");
    QTest::newRow("slave not a number")
        << QStringList{u("read"), u("-p"), port, u("-s"), u("ten")} << u("Slave ID «ten»");
    QTest::newRow("cell 0") << QStringList{u("read"), u("-p"), port, u("--cell"), u("0")}
                            << u("Ячейка «0» не число от 1 до 4");
    QTest::newRow("cell 5") << QStringList{u("write"), u("%file"), u("-p"), port, u("-c"), u("5")}
                            << u("Ячейка «5»");
    QTest::newRow("read with a file") << QStringList{u("read"), u("%file"), u("-p"), port}
                                      << u("Команда read не принимает файлов: «%file»");
    QTest::newRow("read without port")
        << QStringList{u("read")} << u("Команде read нужен --port ПОРТ");
    QTest::newRow("read port does not open")
        << QStringList{u("read"), u("-p"), port}
        << u("Не удается открыть порт %1: Такого порта нет").arg(port);
    QTest::newRow("output without a name")
        << QStringList{u("read"), u("-p"), port, u("-o")} << u("Отсутствует значение после «-o»");
    QTest::newRow("verify with read") << QStringList{u("read"), u("-p"), port, u("--verify")}
                                      << u("Параметр --verify не относится к команде read");
    QTest::newRow("slave range backwards")
        << QStringList{u("read"), u("-p"), port, u("--slave"), u("5-3")} << u("Slave ID «5-3»");
    QTest::newRow("cell list with a gap")
        << QStringList{u("read"), u("-p"), port, u("--cell"), u("1,,2")} << u("Ячейка «1,,2»");
    QTest::newRow("several reads to standard output")
        << QStringList{u("read"), u("-p"), port, u("--cell"), u("1-2")}
        << u("Чтению из нескольких целей нужен --output");
    QTest::newRow("several reads into one file")
        << QStringList{u("read"), u("-p"), port, u("-s"), u("1,2"), u("-o"), u("cell{cell}")}
        << u("{slave} и {cell} в имени файла");
    QTest::newRow("compare without file")
        << QStringList{u("compare"), u("-p"), port} << u("Команде compare нужен файл программы");
    QTest::newRow("compare a device")
        << QStringList{u("compare"), u("/dev/zero"), u("-p"), port}
        << u("Не удается открыть файл /dev/zero. Это не обычный файл");
    QTest::newRow("ports with a port") << QStringList{u("ports"), u("-p"), port}
                                       << u("Параметр --port не относится к команде ports");
    QTest::newRow("run without file")
        << QStringList{u("run")} << u("Команде run нужен файл программы");
    QTest::newRow("run missing file") << QStringList{u("run"), u("%missing")}
                                      << u("Не удается открыть файл %missing. Файл не найден.");
    QTest::newRow("run a file over 1 MiB")
        << QStringList{u("run"), u("%big")}
        << u("Не удается открыть файл %big. Файл больше 1024 КиБ.");
    QTest::newRow("run sets an unknown operand")
        << QStringList{u("run"), u("%file"), u("--set"), u("us=1")}
        << u("--set «us=1»: нет операнда «us» (операнды: ");
    QTest::newRow("run sets without a value")
        << QStringList{u("run"), u("%file"), u("--set"), u("Uo")}
        << u("--set «Uo»: нужно ИМЯ=ЗНАЧЕНИЕ");
    QTest::newRow("run sets a value outside 32 bits")
        << QStringList{u("run"), u("%file"), u("--set"), u("Uo=2147483648")}
        << u("--set «Uo=2147483648»: значение не целое число");
    QTest::newRow("run until a day") << QStringList{u("run"), u("%file"), u("--until"), u("1d")}
                                     << u("--until «1d»: не длительность");
    QTest::newRow("run csv and json") << QStringList{u("run"), u("%file"), u("--csv"), u("--json")}
                                      << u("--csv и --json исключают друг друга");
    QTest::newRow("limits file missing")
        << QStringList{u("compile"), u("%file"), u("--limits"), u("%missing")}
        << u("Не удается открыть файл %missing. Файл не найден.");
    QTest::newRow("limits without a name")
        << QStringList{u("run"), u("%file"), u("--limits=")} << u("Для --limits нужно имя файла");
    QTest::newRow("limits with compare")
        << QStringList{u("compare"), u("%file"), u("-p"), port, u("--limits"), u("%file")}
        << u("Параметр --limits не относится к команде compare");
    QTest::newRow("write sets an unknown operand")
        << QStringList{u("write"), u("%file"), u("-p"), port, u("--set"), u("us=1")}
        << u("--set «us=1»: нет операнда «us» (операнды: ");
    QTest::newRow("csv with compile") << QStringList{u("compile"), u("%file"), u("--csv")}
                                      << u("Параметр --csv не относится к команде compile");
    QTest::newRow("scan port does not open")
        << QStringList{u("scan"), u("-p"), port, u("--slave"), u("1")}
        << u("Не удается открыть порт %1: Такого порта нет").arg(port);
    QTest::newRow("scan wait 0") << QStringList{u("scan"), u("-p"), port, u("--wait"), u("0")}
                                 << u("--wait «0» не число от 1 до 5000");
    QTest::newRow("scan with a file")
        << QStringList{u("scan"), u("%file")} << u("Команда scan не принимает файлов: «%file»");
    QTest::newRow("wait with write")
        << QStringList{u("write"), u("%file"), u("-p"), port, u("--wait"), u("80")}
        << u("Параметр --wait не относится к команде write");
    QTest::newRow("monitor faster than the line")
        << QStringList{u("monitor"), u("-p"), port, u("--interval"), u("100ms")}
        << u("Период 100 мс короче, чем линия успевает для регистров 01,10,03: не меньше 150 мс");
    QTest::newRow("monitor one block, its own bound")
        << QStringList{u("monitor"), u("-p"),         port,     u("--registers"),
                       u("03"),      u("--interval"), u("40ms")}
        << u("Период 40 мс короче, чем линия успевает для регистров 03: не меньше 50 мс");
    QTest::newRow("monitor interval without a unit")
        << QStringList{u("monitor"), u("-p"), port, u("--interval"), u("500")}
        << u("Период «500» без единицы: например --interval 500ms или 2s");
    QTest::newRow("monitor unknown register")
        << QStringList{u("monitor"), u("-p"), port, u("--registers"), u("01,07")}
        << u("Регистра «07» нет: --registers из 01, 10, 03, A8, AB, ABs");
    QTest::newRow("monitor two supplies")
        << QStringList{u("monitor"), u("-p"), port, u("-s"), u("1,2")}
        << u("monitor опрашивает один прибор: --slave N");
    QTest::newRow("monitor count and duration")
        << QStringList{u("monitor"), u("-p"), port, u("--count"), u("3"), u("--duration"), u("1s")}
        << u("--count и --duration исключают друг друга");
    QTest::newRow("monitor map not JSON")
        << QStringList{u("monitor"), u("-p"), port, u("--map"), u("%file")}
        << u("Карта регистров %file не прочитана: не JSON");
    QTest::newRow("set-register 10")
        << QStringList{u("set-register"), u("-p"), port, u("10"), u("1"), u("2")}
        << u("Записать можно регистр 03 (два значения) или 07 (одно), не «10»");
    QTest::newRow("set-register 03 one value")
        << QStringList{u("set-register"), u("-p"), port, u("03"), u("1")}
        << u("Регистру 03 нужны два значения");
    QTest::newRow("set-register value past 16 bits")
        << QStringList{u("set-register"), u("-p"), port, u("07"), u("65536")}
        << u("«65536» не число от -32768 до 65535");
}

void TestCli::badInputGivesStatusTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const QString file = writeFile(QStringLiteral("usage.prgb"), Example);
    const QString big = writeFile(QStringLiteral("big.prgb"), QByteArray(1024 * 1024 + 1, 'a'));
    const auto place = [&](QString &text) {
        text.replace(QLatin1String("%file"), file);
        text.replace(QLatin1String("%missing"), dir.filePath(QStringLiteral("none.prgb")));
        text.replace(QLatin1String("%dir"), dir.path());
        text.replace(QLatin1String("%big"), big);
    };
    for (QString &argument : arguments)
        place(argument);
    place(message);
    const CliRun run = runCli(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitBadInput);
    // Nothing but the JSON answer when it was asked for.
    QCOMPARE(run.out.isEmpty(), !arguments.contains(u("--json")));
    const QStringList err = lines(run.err);
    QCOMPARE(err.size(), 1);
    QVERIFY2(err.constFirst().startsWith(QLatin1String("quorvel-cli: ")), run.err.constData());
    QVERIFY2(err.constFirst().contains(message), run.err.constData());

    // A script that asked for JSON gets one object saying the same, and the same line. (With
    // --json several reads may go to standard output: that row is no error then.)
    if (QLatin1String(QTest::currentDataTag()) == QLatin1String("several reads to standard output"))
        return;
    const CliRun json = runCli(QStringList{u("--json")} + arguments);
    QCOMPARE(json.exitCode, ExitBadInput);
    QCOMPARE(lines(json.err), err);
    const QStringList objects = lines(json.out);
    QCOMPARE(objects.size(), 1);
    const QJsonObject object = QJsonDocument::fromJson(objects.constFirst().toUtf8()).object();
    QCOMPARE(object.value(u("ok")).toBool(true), false);
    QVERIFY2(QStringList({u("usage"), u("bad-input"), u("unreadable")})
                 .contains(object.value(u("outcome")).toString()),
             objects.constFirst().toUtf8().constData());
    QCOMPARE(u("quorvel-cli: ") + object.value(u("message")).toString(), err.constFirst());
    const auto command = std::find_if(arguments.cbegin(), arguments.cend(), [](const QString &a) {
        return !a.startsWith(QLatin1Char('-'));
    });
    QCOMPARE(object.value(u("command")).toString(u("none")),
             command != arguments.cend() ? *command : QString());
}

void TestCli::helpAndVersion()
{
    const CliRun help = runCli({QStringLiteral("--help")});
    QVERIFY(help.finished);
    QCOMPARE(help.exitCode, ExitSuccess);
    for (const char *word : {"compile ФАЙЛ", "write ФАЙЛ", "read --port", "run ФАЙЛ", "--until",
                             "--set", "--csv", "--records", "--verify", "--trace", "--output",
                             "--slave", "--cell", "--lang", "Код завершения"})
        QVERIFY2(help.out.contains(word), word);

    const CliRun version = runCli({QStringLiteral("--version")});
    QVERIFY(version.finished);
    QCOMPARE(version.exitCode, ExitSuccess);
    QVERIFY2(version.out.startsWith("quorvel-cli 1.1."), version.out.constData());
}

void TestCli::portsAndPortWithoutPermission()
{
    // The list under its header, or the reason there is none.
    const CliRun ports = runCli({u("ports")});
    QVERIFY(ports.finished);
    QCOMPARE(ports.exitCode, ExitSuccess);
    if (ports.out.isEmpty())
        QCOMPARE(lines(ports.err),
                 QStringList{u("quorvel-cli: Последовательные порты не найдены")});
    else
        QCOMPARE(lines(ports.out).constFirst(),
                 u("Порт\tОписание\tПроизводитель\tСерийный номер\tUSB"));

    if (::geteuid() != 0)
        QSKIP("runs the tool as another user, which needs root");
    // The simulator's pseudo-terminal is root's alone; user nobody may not open it.
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    QProcess process;
    process.start(u("setpriv"), {u("--reuid=65534"), u("--regid=65534"), u("--clear-groups"),
                                 cliPath, u("read"), u("-p"), simulator.portPath()});
    QVERIFY(process.waitForFinished(CliTimeoutMs));
    QCOMPARE(process.exitCode(), ExitBadInput);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(u("Нет прав на доступ к порту")) && err.contains(u("dialout")),
             qPrintable(err));
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

    SimulatorProcess simulator;
    QVERIFY(simulator.start(QStringList{u("--slave"), QString::number(slave)} + simulatorOptions));
    const QString file = writeFile(QStringLiteral("roundtrip.prgb"), Example);
    const QStringList device = {u("--port"),  simulator.portPath(),
                                u("--slave"), QString::number(slave),
                                u("--cell"),  QString::number(cell)};

    const CliRun write = runCli(QStringList{u("write"), file, u("--verify")} + device);
    QVERIFY(write.finished);
    QCOMPARE(write.exitCode, ExitSuccess);
    QStringList expected = {u("Компиляция:")};
    expected << QString::fromUtf8(Example).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    expected << u(">func:1 oper:4 arg1:0 arg3:0 arg3:0 arg4:0") << QString() << u("OK: 6/100")
             << TransferTexts::WriteHeading;
    const int records = int(ExampleRecords.size());
    expected << TransferTexts::writeReportBefore(records + 2, records, u("Prg1"))
             << TransferTexts::ReadHeading
             << TransferTexts::readReportBefore(records + 2, records, u("Prg1 "));
    expected << u("Проверка пройдена: 6 записей совпадают");
    QCOMPARE(lines(write.out), expected);
    QVERIFY2(write.err.isEmpty(), write.err.constData());

    // The program landed in the chosen cell (the simulator counts cells from 0) and nowhere else.
    const QStringList dump = simulator.command(u("dump"));
    for (const QString &line : exampleCellLines(cell - 1))
        QVERIFY2(dump.contains(line), qPrintable(line));
    QCOMPARE(dump.filter(QRegularExpression(QStringLiteral("^cell \\d count [1-9]"))).size(), 1);

    const CliRun read = runCli(QStringList{u("read")} + device);
    QVERIFY(read.finished);
    QCOMPARE(read.exitCode, ExitSuccess);
    QCOMPARE(QString::fromUtf8(read.out), exampleReadBack());
    const QStringList readLines =
        QStringList{TransferTexts::ReadHeading}
        << TransferTexts::readReportBefore(records + 2, records, u("Prg1 "))
        << TransferTexts::ReadSucceeded;
    QCOMPARE(lines(read.err), readLines);
}

void TestCli::readIntoFile()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(2))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});

    const QString target = dir.filePath(QStringLiteral("fromdevice.prgb"));
    QVERIFY(writeFile(QStringLiteral("fromdevice.prgb"), "old content\n") == target);
    const CliRun run =
        runCli({u("read"), u("-p"), simulator.portPath(), u("--cell"), u("3"), u("-o"), target});
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
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});

    const QString target = dir.filePath(QStringLiteral("no-such-folder/out.prgb"));
    const CliRun run = runCli({u("read"), u("-p"), simulator.portPath(), u("-o"), target});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitBadInput);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(
        lines(run.err).constLast().startsWith(u("quorvel-cli: Не удается записать файл ") + target),
        run.err.constData());
    QVERIFY(!QFile::exists(target));
}

void TestCli::readKeepsWhatItReplaces_data()
{
    // What -o names: a file of these permission bits, or a link to `linkTarget` ("%self": the
    // link itself, a loop), "" for none.
    QTest::addColumn<int>("permissions");
    QTest::addColumn<QString>("linkTarget");
    QTest::addColumn<int>("status");

    QTest::newRow("a file keeps its permission bits") << 0640 << QString() << ExitSuccess;
    QTest::newRow("a link to a file is written through") << 0600 << u("target.prgb") << ExitSuccess;
    QTest::newRow("a link to itself") << 0 << u("%self") << ExitBadInput;
    QTest::newRow("a link to nothing") << 0 << u("missing.prgb") << ExitBadInput;
}

void TestCli::readKeepsWhatItReplaces()
{
    QFETCH(int, permissions);
    QFETCH(QString, linkTarget);
    QFETCH(int, status);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    QTemporaryDir place;
    QVERIFY(place.isValid());
    const QString output = place.filePath(u("out.prgb"));
    const QString file = linkTarget.isEmpty() ? output : place.filePath(linkTarget);
    if (permissions != 0) {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
        old.close();
        QVERIFY(::chmod(QFile::encodeName(file).constData(), mode_t(permissions)) == 0);
    }
    if (!linkTarget.isEmpty())
        QVERIFY(QFile::link(linkTarget == u("%self") ? output : linkTarget, output));

    const CliRun run = runCli({u("read"), u("-p"), simulator.portPath(), u("-o"), output});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    // A link stays a link; nothing is written where it leads nowhere.
    QCOMPARE(QFileInfo(output).isSymLink(), !linkTarget.isEmpty());
    if (status != ExitSuccess) {
        QVERIFY2(lines(run.err).constLast().startsWith(u("quorvel-cli: Не удается записать файл ")),
                 run.err.constData());
        QCOMPARE(QDir(place.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
        return;
    }
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), exampleReadBack());
    struct stat info = {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &info) == 0);
    QCOMPARE(int(info.st_mode & 07777), permissions);
}

void TestCli::writeFailureLine_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("tail");
    // Something was stored: standard error says what the cell holds now; empty: nothing.
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("quiet");
    // Standard error, whole: the line where the write failed and its notes, for scripts.
    QTest::addColumn<QStringList>("err");
    // JSON's storedLines/countStored/nameStored.
    QTest::addColumn<QString>("cellState");

    const QString failed = u("Slave ID 0, ячейка 1: ошибка: ");
    QTest::newRow("silent device")
        << u("silent@*")
        << QStringList{u("Запись данных в устройство"), u("Ошибка записи"), NoAnswerLine}
        << QString() << u("ru") << false << QStringList{u("Ошибка записи"), NoAnswerLine}
        << u("0/false/false");
    QTest::newRow("silent device, quiet")
        << u("silent@*") << QStringList{} << QString() << u("ru") << true
        << QStringList{failed + NoAnswerLine} << u("0/false/false");
    QTest::newRow("second line answered with a bad CRC")
        << u("crc@2") << QStringList{u("Строка 0 записана"), u("Ошибка записи")} << partWritten(1)
        << u("ru") << false << QStringList{u("Ошибка записи"), partWritten(1)}
        << u("1/false/false");
    QTest::newRow("count refused")
        << u("status1e@cmd=B4") << QStringList{u("Строка 5 записана"), u("Ошибка записи size")}
        << TransferTexts::countMaybeWritten(1) << u("ru") << false
        << QStringList{u("Ошибка записи size"), TransferTexts::countMaybeWritten(1)}
        << u("6/null/false");
    QTest::newRow("count refused, quiet")
        << u("status1e@cmd=B4") << QStringList{} << TransferTexts::countMaybeWritten(1) << u("ru")
        << true
        << QStringList{TransferTexts::countMaybeWritten(1), failed + u("Ошибка записи size")}
        << u("6/null/false");
    QTest::newRow("name unanswered")
        << u("silent@cmd=B8") << QStringList{u("Size записан"), u("Ошибка записи prgName")}
        << TransferTexts::maybeWholeWritten(1) << u("ru") << false
        << QStringList{u("Ошибка записи prgName"), TransferTexts::maybeWholeWritten(1)}
        << u("6/true/null");
    QTest::newRow("name refused") << u("status1e@cmd=B8")
                                  << QStringList{u("Size записан"), u("Ошибка записи prgName")}
                                  << TransferTexts::maybeWholeWritten(1) << u("ru") << false
                                  << QStringList{u("Ошибка записи prgName"),
                                                 TransferTexts::maybeWholeWritten(1)}
                                  << u("6/true/null");
    QTest::newRow("count unanswered")
        << u("silent@cmd=B4") << QStringList{u("Строка 5 записана"), u("Ошибка записи size")}
        << TransferTexts::countMaybeWritten(1) << u("ru") << false
        << QStringList{u("Ошибка записи size"), TransferTexts::countMaybeWritten(1)}
        << u("6/null/false");
    const QString noAnswerEn =
        u("The device does not answer: check the Slave ID (0), the cable and the power");
    QTest::newRow("silent device, in English")
        << u("silent@*")
        << QStringList{u("Writing data to the device"), u("Write error"), noAnswerEn} << QString()
        << u("en") << false << QStringList{u("Write error"), noAnswerEn} << u("0/false/false");
}

void TestCli::writeFailureLine()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, tail);
    QFETCH(QString, warning);
    QFETCH(QString, language);
    QFETCH(bool, quiet);
    QFETCH(QStringList, err);
    QFETCH(QString, cellState);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--fault"), fault}));
    const QString file = writeFile(QStringLiteral("failing.prgb"), Example);
    QStringList arguments{u("write"),           file,        u("--verify"), u("-p"),
                          simulator.portPath(), u("--lang"), language};
    if (quiet)
        arguments << u("--quiet");
    const CliRun run = runCli(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    const QStringList out = lines(run.out);
    QCOMPARE(out.mid(out.size() - tail.size()), tail);
    // Under --quiet, standard output holds only successes.
    if (quiet)
        QVERIFY2(out.isEmpty(), run.out.constData());
    // One warning at most, and only where something was stored.
    const QStringList warnings = lines(run.err).filter(u("Внимание: "));
    QCOMPARE(warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(lines(run.err), err);
    // The faults count requests from the simulator's start: a fresh one for the JSON run.
    SimulatorProcess again;
    QVERIFY(again.start({u("--fault"), fault}));
    const CliRun json = runCli({u("write"), file, u("-p"), again.portPath(), u("--json")});
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    const auto shown = [&object](const char *key) {
        const QJsonValue value = object.value(QLatin1String(key));
        return value.isNull() ? u("null") : value.toBool() ? u("true") : u("false");
    };
    QCOMPARE(u("%1/%2/%3")
                 .arg(object.value(u("storedLines")).toInt(-1))
                 .arg(shown("countStored"), shown("nameStored")),
             cellState);
    QCOMPARE(object.value(u("cellWarning")).toString(), warning);
    // One language on each stream: not a Russian word in an English run.
    if (language == QLatin1String("en")) {
        const QRegularExpression cyrillic(u("[\\x{0400}-\\x{04FF}]"));
        QVERIFY2(!QString::fromUtf8(run.out + run.err).contains(cyrillic),
                 QByteArray(run.out + run.err).constData());
    }
}

void TestCli::readFailureLine_data()
{
    QTest::addColumn<QStringList>("cellLines");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("tail");
    // What -o holds afterwards: null when nothing may be saved. A text that does not give the
    // cell back is saved all the same, and the read still fails.
    QTest::addColumn<QString>("saved");
    // The record the warning names in JSON's roundTrip, and its line in the text.
    QTest::addColumn<int>("record");
    QTest::addColumn<int>("line");

    // Nothing answered at all: the device's silence is named after the failing step.
    QTest::newRow("count unanswered")
        << exampleCellLines(0) << u("silent@cmd=B4")
        << QStringList{u("error: ошибка чтения size"), NoAnswerLine} << QString() << -1 << 0;
    QTest::newRow("name unanswered")
        << exampleCellLines(0) << u("silent@cmd=B8")
        << QStringList{u("error: ошибка чтения prgName")} << QString() << -1 << 0;
    QTest::newRow("record answered with a bad CRC")
        << exampleCellLines(0) << u("crc@cmd=B0") << QStringList{u("error: ошибка чтения строки")}
        << QString() << -1 << 0;
    QTest::newRow("empty cell") << QStringList() << QString()
                                << QStringList{u("Нет записей для чтения")} << QString() << -1 << 0;
    QTest::newRow("count 101") << QStringList{u("cell 0 count 101 name 4142434445")} << QString()
                               << QStringList{u("error: некорректное кол-во строк")} << QString()
                               << -1 << 0;
    QTest::newRow("jump beyond the program")
        << QStringList{u("cell 0 count 1 name 4142434445"),
                       u("line 0 0 0300050000000000000000000000")}
        << QString() << QStringList{u("error: некорректная ссылка jmp")} << QString() << -1 << 0;

    const QString differs = u("Внимание: запись %1 (строка %2) не получается из текста: в приборе "
                              "%3, из текста %4; сохранённый текст запишет в прибор другое");
    const QString refused = u("Внимание: запись %1 (строка %2) не получается из текста: строка не "
                              "компилируется (строка не является оператором языка); сохранённый "
                              "текст в прибор не запишется");
    QTest::newRow("assignment with a comparison code stored")
        << QStringList{u("cell 0 count 2 name 5573352020"),
                       u("line 0 0 0000000000000000000000000000"),
                       u("line 0 1 0100050000004D00000000000000")}
        << QString()
        << QStringList{TransferTexts::ReadSucceeded,
                       differs.arg(1).arg(4).arg(u("01 00 05 00 00 00 4D 00 00 00 00 00 00 00"),
                                                 u("01 00 05 00 00 00 00 00 00 00 00 00 00 00"))}
        << u("prgName = \"Us5\";\n\nnop;\nUs = 5;") << 1 << 4;
    QTest::newRow("assignment with branch targets stored")
        << QStringList{u("cell 0 count 1 name 5573352020"),
                       u("line 0 0 0100050000000000000009000900")}
        << QString()
        << QStringList{TransferTexts::ReadSucceeded,
                       differs.arg(0).arg(3).arg(u("01 00 05 00 00 00 00 00 00 00 09 00 09 00"),
                                                 u("01 00 05 00 00 00 00 00 00 00 00 00 00 00"))}
        << u("prgName = \"Us5\";\n\nUs = 5;") << 0 << 3;
    QTest::newRow("erased records")
        << QStringList{u("cell 0 count 2 name 4142202020"),
                       u("line 0 0 FFFFFFFFFFFFFFFFFFFFFFFFFFFF"),
                       u("line 0 1 FFFFFFFFFFFFFFFFFFFFFFFFFFFF")}
        << QString() << QStringList{TransferTexts::ReadSucceeded, refused.arg(0).arg(3)}
        << u("prgName = \"AB\";\n\n?func:255 oper:FF arg1:-1 arg2:-1 arg3:-1 arg4:-1\n"
             "?func:255 oper:FF arg1:-1 arg2:-1 arg3:-1 arg4:-1")
        << 0 << 3;
    // No name line: record 0 is on line 1.
    QTest::newRow("unknown operand code")
        << QStringList{u("cell 0 count 2 name 2020202020"),
                       u("line 0 0 0000000000000000000000000000"),
                       u("line 0 1 0112050000000000000000000000")}
        << QString() << QStringList{TransferTexts::ReadSucceeded, refused.arg(1).arg(2)}
        << u("nop;\n = 5;") << 1 << 2;
}

void TestCli::readFailureLine()
{
    QFETCH(QStringList, cellLines);
    QFETCH(QString, fault);
    QFETCH(QStringList, tail);
    QFETCH(QString, saved);
    QFETCH(int, record);
    QFETCH(int, line);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &cellLine : cellLines)
        QCOMPARE(simulator.command(cellLine), QStringList{u("ok")});
    if (!fault.isEmpty())
        QCOMPARE(simulator.command(u("fault ") + fault), QStringList{u("ok")});

    const QString target = dir.filePath(QStringLiteral("failing-read.prgb"));
    QFile::remove(target);
    const QStringList arguments{u("read"), u("--port"), simulator.portPath(), u("-o"), target};
    const CliRun run = runCli(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    QVERIFY2(run.out.isEmpty(), run.out.constData());
    const QStringList err = lines(run.err);
    QCOMPARE(err.constFirst(), u("Чтение данных из устройства"));
    QCOMPARE(err.mid(err.size() - tail.size()), tail);
    QFile file(target);
    QCOMPARE(file.exists(), !saved.isNull());
    if (saved.isNull())
        return;
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), saved);

    const CliRun json = runCli(arguments + QStringList{u("--json")});
    QCOMPARE(json.exitCode, ExitFailed);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(object.value(u("outcome")).toString(), u("text-differs"));
    QCOMPARE(object.value(u("ok")).toBool(true), false);
    const QJsonObject trip = object.value(u("roundTrip")).toObject();
    QCOMPARE(trip.value(u("ok")).toBool(true), false);
    QCOMPARE(trip.value(u("record")).toInt(-1), record);
    QCOMPARE(trip.value(u("line")).toInt(), line);
}

void TestCli::verifyNamesTheRecordThatDiffers()
{
    // Answers are delayed so that the cell can be changed between the write and the read-back.
    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--turnaround"), u("100")}));
    const QString file = writeFile(QStringLiteral("verify.prgb"), Example);

    QProcess cli;
    cli.start(cliPath, {u("write"), file, u("--verify"), u("-p"), simulator.portPath()});
    QVERIFY(cli.waitForStarted(CliTimeoutMs));
    // Six lines, the count and the name have reached the device; the read-back comes next.
    const int writeRequests = ExampleRecords.size() + 2;
    QTRY_VERIFY_WITH_TIMEOUT(simulator.received().size() >= writeRequests, CliTimeoutMs);
    QCOMPARE(simulator.received().size(), writeRequests);
    QCOMPARE(simulator.command(u("line 0 2 0400580200000000000000000000")), QStringList{u("ok")});

    QVERIFY(cli.waitForFinished(CliTimeoutMs));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), ExitFailed);
    QCOMPARE(lines(cli.readAllStandardError()),
             (QStringList{u("error: проверка: запись 2 (строка 4) отличается; всего отличается "
                            "записей: 1"),
                          u("error: проверка: запись 2: в программе "
                            "04 00 F4 01 00 00 00 00 00 00 00 00 00 00, в приборе "
                            "04 00 58 02 00 00 00 00 00 00 00 00 00 00")}));
    QCOMPARE(lines(cli.readAllStandardOutput()).constLast(), u("Строка 5 считана"));
}

void TestCli::lostLineEndsTheTransfer()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--fault"), u("hangup@2")}));
    const QString file = writeFile(QStringLiteral("lost.prgb"), Example);
    const CliRun run = runCli({u("write"), file, u("-p"), simulator.portPath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);
    const QStringList out = lines(run.out);
    QCOMPARE(out.mid(out.size() - 2), (QStringList{u("Строка 0 записана"), u("Ошибка записи")}));
    QVERIFY2(run.err.startsWith((u("quorvel-cli: Связь с прибором потеряна (порт ") +
                                 simulator.portPath() + u(": "))
                                    .toUtf8()),
             run.err.constData());
    // Line 0 was stored before the line died.
    QCOMPARE(lines(run.err).constLast(), partWritten(1));
}

void TestCli::stopSignalMidWrite_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("twice");
    QTest::addColumn<int>("status");

    QTest::newRow("SIGINT") << int(SIGINT) << false << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << false << ExitFailed;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false << ExitFailed;
    // The user does not want to wait for the request on the line.
    QTest::newRow("SIGINT twice") << int(SIGINT) << true << 130;
}

void TestCli::stopSignalMidWrite()
{
    QFETCH(int, signal);
    QFETCH(bool, twice);
    QFETCH(int, status);

    // Slow answers, so that the signal surely falls into a request's wait; the second signal must
    // come while the first still waits, however slowly a sanitized build reacts to it.
    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--turnaround"), twice ? u("1000") : u("150")}));
    QCOMPARE(simulator.command(u("cell 0 count 9 name 4F6C642020")), QStringList{u("ok")});
    const QString file = writeFile(QStringLiteral("stopped.prgb"), Example);

    QProcess cli;
    cli.start(cliPath, {u("write"), file, u("-p"), simulator.portPath()});
    QVERIFY(cli.waitForStarted(CliTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(simulator.received().size() >= 2, CliTimeoutMs);
    ::kill(pid_t(cli.processId()), signal);
    if (twice) {
        QTest::qWait(20);
        ::kill(pid_t(cli.processId()), signal);
    }
    QVERIFY(cli.waitForFinished(CliTimeoutMs));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), status);
    const QStringList out = lines(cli.readAllStandardOutput());
    const QStringList err = lines(cli.readAllStandardError());
    const int sent = simulator.received().size();
    const SimulatedCell cell = simulator.cell(0);
    // The count and the name are the old ones whatever happened.
    QCOMPARE(cell.count, 9);
    QCOMPARE(cell.name, QByteArray("Old  "));
    QCOMPARE(cell.lines.at(0).pack().toHex(' ').toUpper(), ExampleRecords.at(0).toLatin1());
    if (twice) {
        // Ended at once: no word after the line that was being written.
        QVERIFY(!out.contains(u("Прервано")));
        return;
    }
    // Stopped after the request on the line, which was answered and reported.
    QCOMPARE(out.constLast(), u("Прервано"));
    QCOMPARE(out.at(out.size() - 2), u("Строка %1 записана").arg(sent - 1));
    // The stop and what it left, where scripts look for failures.
    QCOMPARE(err, (QStringList{u("Прервано"), partWritten(1),
                               u("quorvel-cli: Остановлено сигналом %1")
                                   .arg(signal == SIGINT    ? u("SIGINT")
                                        : signal == SIGTERM ? u("SIGTERM")
                                                            : u("SIGHUP"))}));
    QTest::qWait(300);
    QCOMPARE(simulator.received().size(), sent);
}

void TestCli::lateAnswerOfEarlierRunNotTaken()
{
    // The first run's line 0 is answered once, long after the run has given it up; the second
    // run, of another program, starts at once and meets that answer while it waits for a quiet
    // line.
    SimulatorProcess simulator;
    QVERIFY(simulator.start(
        {u("--late-delay"), u("900"), u("--fault"), u("late@1"), u("--fault"), u("silent@2-3")}));
    const QString first = writeFile(QStringLiteral("first.prgb"), Example);
    const QString second =
        writeFile(QStringLiteral("second.prgb"), "prgName = \"Two\";\ndelay_ms 7;\ndelay_s 3;\n");
    const QStringList port{u("-p"), simulator.portPath(), u("--no-verify")};
    const CliRun gaveUp = runCli(QStringList{u("write"), first} + port);
    QCOMPARE(gaveUp.exitCode, ExitFailed);
    const CliRun run = runCli(QStringList{u("write"), second} + port);
    QVERIFY(run.finished);
    // Without the read-back only the cell can tell: it holds the second program, whole.
    QCOMPARE(run.exitCode, ExitSuccess);
    const CellImage cell = simulator.cellImages().at(0);
    QCOMPARE(cell.count, 2);
    QCOMPARE(cell.name, QByteArray("Two  "));
    QCOMPARE(cell.lines.value(0).toHex(' ').toUpper(),
             QByteArray("04 00 07 00 00 00 00 00 00 00 00 00 00 00"));
    QCOMPARE(cell.lines.value(1).toHex(' ').toUpper(),
             QByteArray("05 00 03 00 00 00 00 00 00 00 00 00 00 00"));
    // The second run sent nothing before the first run's answer had come and gone.
    const QStringList log = simulator.log();
    int lastLateAnswer = -1;
    int requests = 0;
    int secondRunStart = -1;
    for (int i = 0; i < log.size(); ++i) {
        if (log.at(i).startsWith(u("TX ")) && lastLateAnswer < 0)
            lastLateAnswer = i;
        if (log.at(i).startsWith(u("RX ")) && ++requests == 4)
            secondRunStart = i;
    }
    QVERIFY2(lastLateAnswer >= 0 && secondRunStart > lastLateAnswer,
             qPrintable(log.join(QLatin1Char('\n'))));
}

void TestCli::nameThatCannotComeBack()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    // "A-B": the compiler takes word characters only.
    QCOMPARE(simulator.command(u("cell 0 count 1 name 412D422020")), QStringList{u("ok")});
    QCOMPARE(simulator.command(u("line 0 0 0000000000000000000000000000")), QStringList{u("ok")});
    const CliRun run = runCli({u("read"), u("-p"), simulator.portPath()});
    QVERIFY(run.finished);
    // The read itself is sound: the program as stored, and its success line; but the text
    // does not give the cell back, so the read fails.
    QCOMPARE(run.exitCode, ExitFailed);
    QCOMPARE(QString::fromUtf8(run.out), u("prgName = \"A-B\";\n\nnop;"));
    const QStringList err = lines(run.err);
    QCOMPARE(err.mid(err.size() - 2),
             (QStringList{u("Данные успешно считаны и декодированы"),
                          u("Внимание: имя программы в приборе («A-B») нельзя записать обратно — "
                            "исправьте строку prgName")}));
}

void TestCli::traceGoesToStandardError()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    const QString file = writeFile(QStringLiteral("trace.prgb"), Example);
    const QStringList port = {u("-p"), simulator.portPath()};

    const CliRun quiet = runCli(QStringList{u("write"), file, u("--no-verify")} + port);
    const CliRun traced =
        runCli(QStringList{u("write"), file, u("--trace"), u("--no-verify")} + port);
    QCOMPARE(quiet.exitCode, ExitSuccess);
    QCOMPARE(traced.exitCode, ExitSuccess);
    QVERIFY(quiet.err.isEmpty());
    QCOMPARE(traced.out, quiet.out);
    // The exchange log: every request and its reply, one stamped line each, in turn, and none
    // of it on standard output.
    const QRegularExpression sent(u(R"(^\d\d:\d\d:\d\d\.\d{3} > #00C8B[0-9A-F]12[0-9A-F]+\\x0D  )"
                                    "кому 00, от C8, команда B[0-9A-F], доступ 12$"));
    const QRegularExpression received(
        u(R"(^\d\d:\d\d:\d\d\.\d{3} < #C800B[0-9A-F]1F[0-9A-F]{4}\\x0D  )"
          "кому C8, от 00, команда B[0-9A-F], статус 1F$"));
    const QStringList log = lines(traced.err);
    QCOMPARE(log.size(), 2 * (ExampleRecords.size() + 2));
    for (int i = 0; i < log.size(); ++i) {
        QVERIFY2((i % 2 == 0 ? sent : received).match(log.at(i)).hasMatch(), qPrintable(log.at(i)));
    }

    const CliRun read = runCli(QStringList{u("read"), u("--trace")} + port);
    QCOMPARE(read.exitCode, ExitSuccess);
    QCOMPARE(QString::fromUtf8(read.out), exampleReadBack());
    QVERIFY(read.err.contains(" < #C800B4"));
}

void TestCli::diagnosticLines_data()
{
    QTest::addColumn<Diagnostics>("rows");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("none") << Diagnostics() << QStringList();
    QTest::newRow("error and warning, in order")
        << Diagnostics{{{3, Diagnostic::Severity::Error, u("повтор ссылки #1")},
                        {7, Diagnostic::Severity::Warning, u("цикл без задержки")}}}
        << QStringList{u("dir/a b.prgb:3: error: повтор ссылки #1"),
                       u("dir/a b.prgb:7: warning: цикл без задержки")};
    // With a column, as compilers write it.
    QTest::newRow("error with its column")
        << Diagnostics{{{2, Diagnostic::Severity::Error, u("ожидается ';' в конце оператора"), 7}}}
        << QStringList{u("dir/a b.prgb:2:7: error: ожидается ';' в конце оператора")};
}

void TestCli::diagnosticLines()
{
    QFETCH(Diagnostics, rows);
    const DiagnosticList &diagnostics = rows.list;
    QFETCH(QStringList, expected);

    QCOMPARE(CliText::diagnosticLines(u("dir/a b.prgb"), diagnostics), expected);
    // The same list as JSON, field by field.
    const QJsonArray json = CliText::diagnosticsJson(diagnostics);
    QCOMPARE(json.size(), diagnostics.size());
    for (int i = 0; i < diagnostics.size(); ++i) {
        const QJsonObject object = json.at(i).toObject();
        QCOMPARE(object.value(u("line")).toInt(), diagnostics.at(i).line);
        QCOMPARE(object.value(u("column")).toInt(), diagnostics.at(i).column);
        QCOMPARE(object.value(u("message")).toString(), diagnostics.at(i).message);
        QVERIFY(expected.at(i).contains(u(": %1: ").arg(object.value(u("severity")).toString())));
    }
}

void TestCli::controlCharactersEscaped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("screen clear from a name") << u("\x1b[2J ") << u("\\x1b[2J ");
    QTest::newRow("carriage return and bell") << u("a\rb\x07") << u("a\\x0db\\x07");
    QTest::newRow("C1 control and DEL") << (u("x") + QChar(0x9b) + QChar(0x7f)) << u("x\\x9b\\x7f");
    QTest::newRow("tab, Cyrillic and Latin-1 kept")
        << (u("\tСтрока ") + QChar(0xe9)) << (u("\tСтрока ") + QChar(0xe9));
}

void TestCli::controlCharactersEscaped()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);

    QCOMPARE(CliText::escapeControls(text), shown);
    // JSON keeps the text exactly, with no raw control byte in the line.
    const QByteArray line = CliText::jsonLine(QJsonObject{{u("name"), text}});
    QVERIFY(line.endsWith('\n'));
    const QString decoded = QString::fromUtf8(line.chopped(1));
    QCOMPARE(CliText::escapeControls(decoded), decoded);
    QCOMPARE(QJsonDocument::fromJson(line).object().value(u("name")).toString(), text);
}

void TestCli::lostOutputFails_data()
{
    QTest::addColumn<QString>("command");
    // Standard output is a full disk, or a pipe whose reader has gone (compile ... | head -1).
    QTest::addColumn<bool>("closedPipe");

    QTest::newRow("compile") << u("compile") << false;
    QTest::newRow("write") << u("write") << false;
    QTest::newRow("read") << u("read") << false;
    QTest::newRow("compile --json") << u("compile --json") << false;
    QTest::newRow("help") << u("--help") << false;
    QTest::newRow("compile into a closed pipe") << u("compile") << true;
    QTest::newRow("read into a closed pipe") << u("read") << true;
}

void TestCli::lostOutputFails()
{
    QFETCH(QString, command);
    QFETCH(bool, closedPipe);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    const QString file = writeFile(QStringLiteral("full.prgb"), Example);
    QStringList arguments = command.split(QLatin1Char(' '));
    if (!command.startsWith(u("read")))
        arguments << file;
    if (!command.startsWith(u("compile")))
        arguments << u("-p") << simulator.portPath();

    CliRun run;
    if (closedPipe) {
        // The reader is gone before the tool starts; the shell reports how the tool ended.
        QProcess shell;
        shell.start(u("bash"), QStringList{u("-c"),
                                           u("{ sleep 0.3; exec \"$0\" \"$@\"; } | true; "
                                             "exit ${PIPESTATUS[0]}"),
                                           cliPath} +
                                   arguments);
        QVERIFY(shell.waitForFinished(CliTimeoutMs));
        run.finished = shell.exitStatus() == QProcess::NormalExit;
        run.exitCode = shell.exitCode();
        run.err = shell.readAllStandardError();
    } else {
        run = runCli(arguments, u("/dev/full"));
    }
    QVERIFY(run.finished);
    // Not 141, the status of a tool killed by SIGPIPE.
    QCOMPARE(run.exitCode, ExitFailed);
    const QStringList err = lines(run.err);
    // The system's words as the tool has them: Qt 6 translates some with Qt's own translation.
    const InstalledLanguage russian(InterfaceLanguage::Language::Russian);
    QVERIFY2(!err.isEmpty() &&
                 err.constLast() == u("quorvel-cli: Не удается записать в стандартный вывод: ") +
                                        qt_error_string(closedPipe ? EPIPE : ENOSPC),
             run.err.constData());
    // No success line over a program that went nowhere.
    QVERIFY(!err.contains(u("Данные успешно считаны и декодированы")));
}

void TestCli::readIntoFifo()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    const QString fifo = dir.filePath(QStringLiteral("program.fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Opened for reading without waiting, so the tool's open for writing finds a reader.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);

    const CliRun run = runCli({u("read"), u("-p"), simulator.portPath(), u("-o"), fifo});
    QByteArray received(1 << 16, '\0');
    const ssize_t got = ::read(reader, received.data(), size_t(received.size()));
    ::close(reader);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitSuccess);
    QVERIFY(got > 0);
    QCOMPARE(QString::fromUtf8(received.left(int(got))), exampleReadBack());
    QCOMPARE(lines(run.err).constLast(), u("Данные успешно считаны и декодированы"));
    // Still the FIFO, not a regular file put in its place.
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    QVERIFY(S_ISFIFO(info.st_mode));
}

void TestCli::severalSlavesOneAnswering()
{
    // Only slave 2 answers on this bus; slaves 1 and 3 stay silent.
    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--slave"), u("2")}));
    const QString file = writeFile(QStringLiteral("rack.prgb"), Example);
    const CliRun run = runCli(
        {u("write"), file, u("--verify"), u("-p"), simulator.portPath(), u("--slave"), u("1-3")});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, ExitFailed);

    const QStringList out = lines(run.out);
    QCOMPARE(out.filter(QRegularExpression(u("^Slave ID \\d+, ячейка \\d+: "))),
             (QStringList{u("Slave ID 1, ячейка 1: ошибка: ") + noAnswerLine(1),
                          u("Slave ID 2, ячейка 1: записано и проверено записей: 6"),
                          u("Slave ID 3, ячейка 1: ошибка: ") + noAnswerLine(3)}));
    QCOMPARE(out.filter(u("==> Slave ID ")),
             (QStringList{u("==> Slave ID 1, ячейка 1 <=="), u("==> Slave ID 2, ячейка 1 <=="),
                          u("==> Slave ID 3, ячейка 1 <==")}));
    // The failure of slave 1 did not keep slave 2 from getting the whole program.
    const QStringList dump = simulator.command(u("dump"));
    for (const QString &line : exampleCellLines(0))
        QVERIFY2(dump.contains(line), qPrintable(line));
}

void TestCli::scanListsTheSupplies_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // Standard output; %port stands for the simulator's port, T for the seconds taken.
    QTest::addColumn<QStringList>("out");
    const QString row1 = u("%port\t1\t\"Ramp\" (6)\tне прочитана\tпусто\tпусто");
    const QString row3 = u("%port\t3\tпусто\tпусто\tпусто\tпусто");
    QTest::newRow("table") << QStringList{u("--slave"), u("0-4")} << ExitSuccess
                           << QStringList{
                                  u("Порт\tSlave ID\tЯчейка 1\tЯчейка 2\tЯчейка 3\tЯчейка 4"), row1,
                                  row3, u("Найдено приборов: 2 (проверено адресов: 5 за T с)")};
    QTest::newRow("json")
        << QStringList{u("--slave"), u("1,2"), u("--json")} << ExitSuccess
        << QStringList{
               u("{\"cells\":[{\"cell\":1,\"count\":6,\"name\":\"Ramp \"},{\"cell\":2,"
                 "\"count\":null,\"name\":null},{\"cell\":3,\"count\":0,\"name\":\"     \"},"
                 "{\"cell\":4,\"count\":0,\"name\":\"     \"}],\"command\":\"scan\","
                 "\"duplicate\":false,\"port\":\"%port\",\"slave\":1}"),
               u("{\"command\":\"scan\",\"found\":1,\"ms\":T,\"probed\":2}")};
    QTest::newRow("none answers") << QStringList{u("--slave"), u("5,7")} << ExitFailed
                                  << QStringList{u("Найдено приборов: 0 (проверено адресов: 2 за "
                                                   "T с)")};
}

void TestCli::scanListsTheSupplies()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--slave"), u("1,3"), u("--fault"), u("silent@cmd=B9,slave=1")}));
    QVERIFY(simulator.setMemory(u("slave 1 cell 0 count 6 name 52616D7020")));
    const CliRun run = runCli(QStringList{u("scan"), u("-p"), simulator.portPath()} + arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    QStringList got = lines(run.out);
    got.replaceInStrings(QRegularExpression(u("за \\d+,\\d с")), u("за T с"));
    got.replaceInStrings(QRegularExpression(u("\"ms\":\\d+")), u("\"ms\":T"));
    QCOMPARE(got, out.replaceInStrings(u("%port"), simulator.portPath()));
}

void TestCli::jsonHoldsWhatTheLinesSay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("outcomes");

    QTest::newRow("write to three slaves, one answering")
        << QStringList{u("write"), u("%file"), u("--slave"), u("1-3")}
        << QStringList{u("line-failed"), u("verified"), u("line-failed")};
    QTest::newRow("read two cells, one empty") << QStringList{u("read"),
                                                              u("--slave"),
                                                              u("2"),
                                                              u("--cell"),
                                                              u("3,1"),
                                                              u("-o"),
                                                              u("%dir/s{slave}c{cell}.prgb")}
                                               << QStringList{u("read"), u("no-records")};
    QTest::newRow("compare a cell that holds the program")
        << QStringList{u("compare"), u("%file"), u("-s"), u("2"), u("-c"), u("3")}
        << QStringList{u("equal")};
}

void TestCli::jsonHoldsWhatTheLinesSay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, outcomes);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--slave"), u("2")}));
    for (const QString &line : exampleCellLines(2))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    const QString file = writeFile(QStringLiteral("json.prgb"), Example);
    for (QString &argument : arguments) {
        argument.replace(u("%file"), file);
        argument.replace(u("%dir"), dir.path());
    }
    arguments << u("-p") << simulator.portPath();

    const CliRun human = runCli(arguments);
    const CliRun json = runCli(arguments + QStringList{u("--json")});
    QVERIFY(human.finished && json.finished);
    QCOMPARE(json.exitCode, human.exitCode);

    // read's lines are on standard error, the others' on standard output after the report.
    const bool read = arguments.constFirst() == u("read");
    const QStringList humanLines = lines(read ? human.err : human.out);
    const QStringList objects = lines(json.out);
    QCOMPARE(objects.size(), outcomes.size());

    // --quiet leaves the result line of each target alone: the human run's summaries, those of
    // failures on standard error.
    const CliRun quiet = runCli(arguments + QStringList{u("--quiet")});
    QVERIFY(quiet.finished);
    QCOMPARE(quiet.exitCode, human.exitCode);
    const QStringList quietErr = lines(quiet.err);
    const QStringList quietLines = read ? quietErr : lines(quiet.out) + quietErr;
    QCOMPARE(quietLines.size(), outcomes.size());
    if (outcomes.size() > 1) {
        QStringList sorted = quietLines;
        QStringList summaries =
            humanLines.filter(QRegularExpression(u("^Slave ID \\d+, ячейка \\d+: ")));
        sorted.sort();
        summaries.sort();
        QCOMPARE(sorted, summaries);
    }
    for (int i = 0; i < objects.size(); ++i) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(objects.at(i).toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(objects.at(i)));
        QCOMPARE(object.value(u("outcome")).toString(), outcomes.at(i));
        QCOMPARE(object.value(u("ok")).toBool(), outcomes.at(i) == u("verified") ||
                                                     outcomes.at(i) == u("read") ||
                                                     outcomes.at(i) == u("equal"));
        QCOMPARE(object.value(u("port")).toString(), simulator.portPath());
        // Slaves 1 and 3 are not on the bus: they never answered.
        QVERIFY(object.contains(u("unanswered")));
        QCOMPARE(object.value(u("unanswered")).toBool(), outcomes.at(i) == u("line-failed"));
        QCOMPARE(object.value(u("command")).toString(), arguments.constFirst());
        if (arguments.constFirst() == u("write")) {
            // What the cell holds: every line after a write, none after one refused at line 0.
            QCOMPARE(object.value(u("storedLines")).toInt(-1),
                     outcomes.at(i) == u("verified") ? ExampleRecords.size() : 0);
        }

        // The object's lines are the human block of its target, in order.
        QStringList block;
        for (const QJsonValue &value : object.value(u("lines")).toArray())
            block << value.toString();
        QVERIFY(!block.isEmpty());
        const int at = humanLines.indexOf(
            block.constFirst(), objects.size() > 1
                                    ? humanLines.indexOf(u("==> Slave ID %1, ячейка %2 <==")
                                                             .arg(object.value(u("slave")).toInt())
                                                             .arg(object.value(u("cell")).toInt()))
                                    : 0);
        QVERIFY2(at >= 0, qPrintable(block.constFirst()));
        QCOMPARE(humanLines.mid(at, block.size()), block);
        const QString label = u("Slave ID %1, ячейка %2: ")
                                  .arg(object.value(u("slave")).toInt())
                                  .arg(object.value(u("cell")).toInt());
        const QStringList quietLine = quietLines.filter(label);
        QCOMPARE(quietLine.size(), 1);
        QVERIFY2(quietLine.constFirst().startsWith(label), qPrintable(quietLine.constFirst()));
        QCOMPARE(quietLine.constFirst().contains(u(": ошибка: ")), !object.value(u("ok")).toBool());
        QCOMPARE(quietErr.contains(quietLine.constFirst()),
                 read || !object.value(u("ok")).toBool());
        if (objects.size() > 1) {
            const QString summary = humanLines.value(at + block.size());
            QVERIFY2(summary.startsWith(u("Slave ID %1, ячейка %2: ")
                                            .arg(object.value(u("slave")).toInt())
                                            .arg(object.value(u("cell")).toInt())),
                     qPrintable(summary));
            QCOMPARE(summary.contains(u(": ошибка: ")), !object.value(u("ok")).toBool());
        }
    }
}

void TestCli::compareCell_data()
{
    QTest::addColumn<QStringList>("cellLines");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("tail");
    QTest::addColumn<int>("firstDiffering");

    QStringList changedRecords = exampleCellLines(0);
    changedRecords[3] = u("line 0 2 0400580200000000000000000000");
    changedRecords[5] = u("line 0 4 0A00030000000000000000000000");
    QStringList otherName = exampleCellLines(0);
    otherName[0] = u("cell 0 count 6 name 5072673220");

    // The window's findings, with the bytes of the first record that differs; no read lines.
    QTest::newRow("equal") << exampleCellLines(0) << ExitSuccess
                           << QStringList{u("Проверка пройдена: 6 записей совпадают")} << -1;
    QTest::newRow("two records differ")
        << changedRecords << ExitFailed
        << QStringList{u("error: проверка: запись 2 (строка 4) отличается; всего отличается "
                         "записей: 2"),
                       u("error: проверка: запись 2: в программе "
                         "04 00 F4 01 00 00 00 00 00 00 00 00 00 00, в приборе "
                         "04 00 58 02 00 00 00 00 00 00 00 00 00 00")}
        << 2;
    QTest::newRow("name differs")
        << otherName << ExitFailed
        << QStringList{u("error: проверка: имя в программе \"Prg1\", в приборе \"Prg2 \"")} << -1;
    QTest::newRow("empty cell") << QStringList() << ExitFailed
                                << QStringList{u("error: проверка: в ячейке нет программы")} << -1;
}

void TestCli::compareCell()
{
    QFETCH(QStringList, cellLines);
    QFETCH(int, status);
    QFETCH(QStringList, tail);
    QFETCH(int, firstDiffering);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    for (const QString &line : cellLines)
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    const QStringList before = simulator.command(u("dump"));
    const QString file = writeFile(QStringLiteral("compare.prgb"), Example);

    const CliRun run = runCli({u("compare"), file, u("-p"), simulator.portPath()});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    // The findings under the window's heading, without the compile report or the read's lines.
    QCOMPARE(lines(run.out), QStringList{u("Сравнение с программой в ячейке 1")} + tail);

    const CliRun json = runCli({u("compare"), file, u("-p"), simulator.portPath(), u("--json")});
    QCOMPARE(json.exitCode, status);
    const QJsonObject comparison =
        QJsonDocument::fromJson(json.out).object().value(u("comparison")).toObject();
    QCOMPARE(comparison.value(u("equal")).toBool(), status == ExitSuccess);
    QCOMPARE(comparison.value(u("firstDifferingRecord")).toInt(), firstDiffering);

    // compare never writes: only reads reached the device, and the cells are as they were.
    QCOMPARE(simulator.command(u("dump")), before);
}

void TestCli::transferReportsProgress()
{
    SimulatorProcess simulator;
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    QSerialPort port(simulator.portPath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    QVERIFY(DeviceLink::applyLineSettings(port));
    DeviceLink link(&port);
    link.setTraceDevice(nullptr);
    ProgramTransfer transfer(link, 0, 1, [](const QString &) {});
    QStringList steps;
    transfer.setProgress(
        [&steps](int done, int total) { steps << QStringLiteral("%1/%2").arg(done).arg(total); });

    InstructionList program(3);
    for (int i = 0; i < program.size(); ++i)
        program[i].arg1 = i + 1;
    QCOMPARE(transfer.write(program, u("Ab")), ProgramTransfer::WriteResult::Written);
    const QStringList all = {u("1/5"), u("2/5"), u("3/5"), u("4/5"), u("5/5")};
    QCOMPARE(steps, all);

    steps.clear();
    QCOMPARE(transfer.read().status, ProgramTransfer::ReadStatus::Read);
    QCOMPARE(steps, all);

    // A failed request is not counted as done.
    steps.clear();
    // The name request of cell index 1.
    QVERIFY(simulator.addFault(u("silent@cmd=B9")));
    QCOMPARE(int(transfer.read().status), int(ProgramTransfer::ReadStatus::NameFailed));
    QCOMPARE(steps, QStringList{u("1/5")});
}

void TestCli::runPrintsTraceAndStopLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    // Standard output with --csv, byte for byte; null when nothing ran.
    QTest::addColumn<QString>("csv");
    // The last line on standard error.
    QTest::addColumn<QString>("stopLine");

    const QByteArray ramp = "prgName = \"Ramp\";\nUs = Uo;\n#1;\nUs += 100;\ndelay_ms 500;\n"
                            "if Us < 300 #1;\nOut = -1;\n";
    QTest::newRow("ramp ends") << ramp << QStringList() << ExitSuccess
                               << u("time_ms,line,operand,value\n0,2,Us,0\n0,4,Us,100\n"
                                    "500,4,Us,200\n1000,4,Us,300\n1500,7,Out,-1\n")
                               << u("программа завершилась за 1,5 с");
    QTest::newRow("starting value given")
        << ramp << QStringList{u("--set"), u("Uo=150"), u("--set"), u("Io=-3")} << ExitSuccess
        << u("time_ms,line,operand,value\n0,2,Us,150\n0,4,Us,250\n500,4,Us,350\n"
             "1000,7,Out,-1\n")
        << u("программа завершилась за 1 с");
    // Numbers follow the interface's language, not the system's.
    QTest::newRow("ramp ends, in English")
        << ramp << QStringList{u("--lang"), u("en")} << ExitSuccess
        << u("time_ms,line,operand,value\n0,2,Us,0\n0,4,Us,100\n"
             "500,4,Us,200\n1000,4,Us,300\n1500,7,Out,-1\n")
        << u("program finished in 1.5 s");
    QTest::newRow("time limit in English")
        << QByteArray("#1;\ndelay_ms 1;\njmp #1;\n")
        << QStringList{u("--lang"), u("en"), u("--until"), u("2499.999s")} << ExitSuccess
        << QString() << u("time limit 41 min 39.999 s reached");
    QTest::newRow("time limit is a normal end")
        << ramp << QStringList{u("--until"), u("0.7s")} << ExitSuccess
        << u("time_ms,line,operand,value\n0,2,Us,0\n0,4,Us,100\n500,4,Us,200\n")
        << u("достигнут предел времени 700 мс");
    QTest::newRow("division by zero fails")
        << QByteArray("M1 = 10;\ndelay_s 2;\nM1 /= Uo;\n") << QStringList() << ExitFailed
        << u("time_ms,line,operand,value\n0,1,M1,10\n")
        << u("деление на ноль в строке 3, время программы 2 с");
    QTest::newRow("loop without delay fails")
        << QByteArray("#1;\nM1 = 1;\njmp #1;\n") << QStringList{u("--set"), u("M1=1")} << ExitFailed
        << QString() << u("цикл без задержки в строках 1–3, время программы 0 мс");
    QTest::newRow("program that does not compile")
        << QByteArray("prgName = \"Bad\";\nUs = 1;\njmp #4;\n") << QStringList() << ExitBadInput
        << QString() << u("quorvel-cli: %file не компилируется, прогон не выполнен");
}

// run's trace as CSV, its stop line on standard error, its status; --json says the same.
void TestCli::runPrintsTraceAndStopLine()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, csv);
    QFETCH(QString, stopLine);

    const QString path = writeFile(QStringLiteral("run.prgb"), file);
    stopLine.replace(u("%file"), path);
    const CliRun run = runCli(QStringList{u("run"), path, u("--csv")} + options);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    if (!csv.isNull())
        QCOMPARE(QString::fromUtf8(run.out), csv);
    const QStringList csvRows = lines(run.out);
    QCOMPARE(lines(run.err).value(lines(run.err).size() - 1), stopLine);

    const CliRun json = runCli(QStringList{u("run"), path, u("--json")} + options);
    QVERIFY(json.finished);
    QCOMPARE(json.exitCode, status);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(object.value(u("ok")).toBool(), status == ExitSuccess);
    if (status == ExitBadInput) {
        QCOMPARE(object.value(u("outcome")).toString(), u("compile-failed"));
        QCOMPARE(object.value(u("diagnostics")).toArray().size(), 1);
        return;
    }
    QCOMPARE(object.value(u("message")).toString(), stopLine);
    QCOMPARE(object.value(u("trace")).toArray().size(), csvRows.size() - 1);

    // The readable table: a heading, then one line per CSV row with the same fields.
    const CliRun table = runCli(QStringList{u("run"), path} + options);
    QCOMPARE(table.exitCode, status);
    const QStringList rows = lines(table.out);
    QCOMPARE(rows.size(), csvRows.size());
    for (int i = 1; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char(',')),
                 csvRows.at(i));
    }
}

void TestCli::limitsAcrossCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("limits");
    QTest::addColumn<int>("status");
    // Standard error, line by line; %file and %limits stand for the two files.
    QTest::addColumn<QStringList>("err");
    // The JSON object's outcome, and how many violations its "limits" lists (-1: no such list).
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("listed");

    const QByteArray bench = "// bench A\nUs 0..3000\n\nIs ..500\n";
    const QString model = u("(модель: начальные значения 0, за 1 ч)");
    QTest::newRow("compile warns at the constant, status and report unchanged")
        << QStringList{u("compile"), u("%file")} << bench << ExitSuccess
        << QStringList{u("%file:2:6: warning: Us = 30000 выше предела 3000")} << u("compiled") << 1;
    QTest::newRow("run names the first moment of each operand, then how it ended")
        << QStringList{u("run"), u("%file")} << bench << ExitFailed
        << QStringList{u("%file:2:1: error: Us = 30000 выше предела 3000 через 0 мс ") + model,
                       u("%file:4:1: error: Is = 600 выше предела 500 через 2,5 с ") + model,
                       u("программа завершилась за 5 с")}
        << u("end") << 2;
    QTest::newRow("run under its own starting values and time limit")
        << QStringList{u("run"), u("%file"), u("--set"), u("Is=-1000"), u("--until"), u("3s")}
        << bench << ExitFailed
        << QStringList{u("%file:2:1: error: Us = 30000 выше предела 3000 через 0 мс (модель: "
                         "начальные значения Is = -1000, остальные 0, за 3 с)"),
                       u("достигнут предел времени 3 с")}
        << u("time") << 1;
    QTest::newRow("write beyond the limits sends nothing")
        << QStringList{u("write"), u("%file")} << bench << ExitFailed
        << QStringList{u("%file:2:6: error: Us = 30000 выше предела 3000"),
                       u("%file:4:1: error: Is = 600 выше предела 500 через 2,5 с ") + model,
                       u("Программа не записана: выходит за пределы")}
        << u("beyond-limits") << 2;
    QTest::newRow("write with --ignore-limits writes and warns")
        << QStringList{u("write"), u("%file"), u("--ignore-limits")} << bench << ExitSuccess
        << QStringList{u("%file:2:6: warning: Us = 30000 выше предела 3000"),
                       u("%file:4:1: warning: Is = 600 выше предела 500 через 2,5 с ") + model}
        << u("verified") << 2;
    QTest::newRow("write within the limits is a plain write")
        << QStringList{u("write"), u("%file")} << QByteArray("Us 0..30000\nIs ..1000\n")
        << ExitSuccess << QStringList() << u("verified") << 0;
    QTest::newRow("write with a bad limits file")
        << QStringList{u("write"), u("%file")} << QByteArray("Us 0..3000\nUs ..1\n") << ExitBadInput
        << QStringList{u("%limits:2: error: второе правило для Us (первое в строке 1)")}
        << u("bad-input") << -1;
    QTest::newRow("compile with a bad limits file")
        << QStringList{u("compile"), u("%file")} << QByteArray("Uz 1..\n") << ExitBadInput
        << QStringList{u("%limits:1: error: нет операнда «Uz» (операнды: Us, Uo, Is, Io, Out, Ro, "
                         "M1, M2, M3, M4, M5, M6, M7, M8, T1, T2, T3, T4, Blk)")}
        << u("bad-input") << -1;
}

// One limits file for compile, run and write: where each reports, its status, and that a write
// refused for it leaves the cell alone.
void TestCli::limitsAcrossCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, limits);
    QFETCH(int, status);
    QFETCH(QStringList, err);
    QFETCH(QString, outcome);
    QFETCH(int, listed);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({}));
    const QString file = writeFile(QStringLiteral("limited.prgb"),
                                   "prgName = \"Lim\";\nUs = 30000;\n#1;\nIs += 100;\n"
                                   "delay_ms 500;\nif Is < 1000 #1;\n");
    const QString limitsFile = writeFile(QStringLiteral("bench.limits"), limits);
    for (QString &argument : arguments)
        argument.replace(u("%file"), file);
    arguments << u("--limits") << limitsFile;
    const bool write = arguments.constFirst() == u("write");
    if (write)
        arguments << u("-p") << simulator.portPath();
    for (QString &line : err) {
        line.replace(u("%file"), file);
        line.replace(u("%limits"), limitsFile);
    }

    const CliRun run = runCli(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    QStringList errLines = lines(run.err);
    // run's table goes to standard output; its stop line and findings to standard error.
    QCOMPARE(errLines, err);
    if (write) {
        // Written means the whole program is in the cell; refused, the cell stays empty.
        const bool written = status == ExitSuccess;
        QCOMPARE(simulator.command(u("dump")).filter(u("count 5 name")).size(), written ? 1 : 0);
        if (!written)
            QCOMPARE(simulator.received(), QStringList());
    }

    const CliRun json = runCli(arguments + QStringList{u("--json")});
    QVERIFY(json.finished);
    QCOMPARE(json.exitCode, status);
    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(object.value(u("outcome")).toString(), outcome);
    QCOMPARE(object.contains(u("limits")), listed >= 0);
    const QJsonArray found = object.value(u("limits")).toArray();
    QCOMPARE(found.size(), qMax(listed, 0));
    for (const QJsonValue &value : found) {
        const QJsonObject violation = value.toObject();
        // Each entry is one of the lines on standard error, field by field.
        const QString place = u("%1:%2:%3: ")
                                  .arg(file)
                                  .arg(violation.value(u("line")).toInt())
                                  .arg(violation.value(u("column")).toInt());
        const QString said =
            u("%1 = %2 %3 предела %4")
                .arg(violation.value(u("operand")).toString())
                .arg(violation.value(u("value")).toInt())
                .arg(violation.value(u("max")).isNull() ? u("ниже") : u("выше"))
                .arg(violation.value(u("max")).isNull() ? violation.value(u("min")).toInt()
                                                        : violation.value(u("max")).toInt());
        const QStringList matching = errLines.filter(place);
        QCOMPARE(matching.size(), 1);
        QVERIFY2(matching.constFirst().contains(said), qPrintable(matching.constFirst()));
        QCOMPARE(violation.value(u("timeMs")).isNull(),
                 !matching.constFirst().contains(u("через")));
    }
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

void TestCli::monitorFollowsRunningProgram_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("interrupt");
    QTest::newRow("count") << QStringList{u("--count"), u("6")} << false;
    // Ctrl+C is the monitor's ordinary end: after the poll on the line, with status 0.
    QTest::newRow("SIGINT") << QStringList() << true;
}

void TestCli::monitorFollowsRunningProgram()
{
    QFETCH(QStringList, options);
    QFETCH(bool, interrupt);

    // The worked example in cell 1, run by the supply: Us climbs by 10 every 500 ms.
    SimulatorProcess simulator;
    QVERIFY(simulator.start());
    for (const QString &line : exampleCellLines(0))
        QCOMPARE(simulator.command(line), QStringList{u("ok")});
    QCOMPARE(simulator.command(u("run 1")), QStringList{u("ok")});
    const QString map =
        writeFile(QStringLiteral("map.json"),
                  R"({"fields": {"03.0": {"label": "Us", "scale": 0.1, "unit": "V"}}})");

    QProcess cli;
    cli.start(cliPath,
              QStringList{u("monitor"), u("-p"), simulator.portPath(), u("--csv"), u("--registers"),
                          u("03,01"), u("--interval"), u("250ms"), u("--map"), map} +
                  options);
    QVERIFY(cli.waitForStarted(CliTimeoutMs));
    if (interrupt) {
        QTRY_VERIFY_WITH_TIMEOUT(simulator.received().size() >= 6, CliTimeoutMs);
        ::kill(pid_t(cli.processId()), SIGINT);
    }
    QVERIFY(cli.waitForFinished(CliTimeoutMs));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), ExitSuccess);
    const QStringList out = lines(cli.readAllStandardOutput());
    const QStringList err = lines(cli.readAllStandardError());
    QCOMPARE(out.value(0), u("time,Us,03.1,01.0,01.1,01.2,01.3,01.4,01.5"));
    const int samples = out.size() - 1;
    if (!interrupt)
        QCOMPARE(samples, 6);
    QVERIFY(samples >= 2);
    // Every poll that went out was answered and printed whole: none was cut by the stop.
    QCOMPARE(simulator.received().size(), 2 * samples);
    QCOMPARE(err, QStringList{u("Опросов: %1, с ответом: %1, неудачных: 0").arg(samples)});
    QDateTime previousTime;
    double first = -1;
    double previous = -1;
    for (const QString &line : out.mid(1)) {
        const QStringList cells = line.split(QLatin1Char(','));
        QCOMPARE(cells.size(), 9);
        const QDateTime time = QDateTime::fromString(cells.at(0), Qt::ISODateWithMs);
        QVERIFY2(time.isValid() && time.timeSpec() == Qt::UTC, qPrintable(line));
        if (previousTime.isValid())
            QVERIFY2(previousTime.msecsTo(time) >= 240, qPrintable(line));
        previousTime = time;
        bool ok = false;
        const double us = cells.at(1).toDouble(&ok);
        // Us goes up in steps of 10, one volt at the map's scale.
        QVERIFY2(ok && us == std::floor(us) && us >= previous, qPrintable(line));
        if (first < 0)
            first = us;
        previous = us;
    }
    QVERIFY2(previous > first, qPrintable(out.join(QLatin1Char('\n'))));
}

void TestCli::monitorJsonAndStatus_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("status");
    // What each of the two samples prints.
    QTest::addColumn<QString>("sample");

    QTest::newRow("one block silent")
        << u("silent@cmd=10") << u("--json") << ExitSuccess
        << u(R"("failed":["10"],"slave":3,"time":"%time","values":{"03.0":1200,"03.1":-300}})");
    QTest::newRow("no block answers")
        << u("silent@*") << u("--json") << ExitFailed
        << u(R"("failed":["03","10"],"slave":3,"time":"%time","values":{}})");
    QTest::newRow("silent block empty in CSV")
        << u("silent@cmd=10") << u("--csv") << ExitSuccess << u("%time,1200,-300,,,,,,");
}

void TestCli::monitorJsonAndStatus()
{
    QFETCH(QString, fault);
    QFETCH(QString, format);
    QFETCH(int, status);
    QFETCH(QString, sample);

    SimulatorProcess simulator;
    QVERIFY(simulator.start({u("--slave"), u("3"), u("--fault"), fault}));
    QVERIFY(simulator.setMemory(u("register 03 B004D4FE")));
    const CliRun run =
        runCli({u("monitor"), u("-p"), simulator.portPath(), u("-s"), u("3"), u("--registers"),
                u("03,10"), u("--interval"), u("300ms"), u("--count"), u("2"), format});
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    QStringList out = lines(run.out);
    if (format == u("--csv"))
        QCOMPARE(out.takeFirst(), u("time,03.0,03.1,10.0,10.1,10.2,10.3,10.4,10.5"));
    QCOMPARE(out.size(), 2);
    static const QRegularExpression time(
        QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z"));
    for (const QString &line : out) {
        QString placed = line;
        placed.replace(time, u("%time"));
        QVERIFY2(placed.endsWith(sample), qPrintable(line));
    }
    QCOMPARE(lines(run.err).constLast(),
             u("Опросов: 2, с ответом: %1, неудачных: 2").arg(status == ExitSuccess ? 2 : 0));
}

void TestCli::setRegister_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    // The frame as it must go out, and the register's payload after it.
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("message");

    // 1200 and 300 little-endian after slave 1, source 200, command 03, access 17.
    QTest::newRow("03 two values")
        << QStringList{u("03"), u("1200"), u("300")} << QString() << ExitSuccess
        << u("#01C80311B0042C01") << u("register 03 B0042C01")
        << u("Регистр 03 записан: 1200, 300");
    // A negative value follows "--", or it would be taken for an option.
    QTest::newRow("07 a negative value as its 16 bits")
        << QStringList{u("07"), u("--"), u("-1")} << QString() << ExitSuccess << u("#01C80711FFFF")
        << u("register 07 FFFF") << u("Регистр 07 записан: -1");
    QTest::newRow("status other than 1F")
        << QStringList{u("03"), u("1"), u("2")} << u("status1e@*") << ExitFailed
        << u("#01C803110100020") << QString() << u("Регистр 03 не записан: прибор отверг запись");
    QTest::newRow("silent: three attempts")
        << QStringList{u("07"), u("5")} << u("silent@*") << ExitFailed << u("#01C807110500")
        << QString()
        << u("Регистр 07 не записан: Прибор не отвечает: проверьте Slave ID (1), кабель и питание");
}

void TestCli::setRegister()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QString, frame);
    QFETCH(QString, stored);
    QFETCH(QString, message);

    SimulatorProcess simulator;
    QStringList simArguments{u("--slave"), u("1")};
    if (!fault.isEmpty())
        simArguments << u("--fault") << fault;
    QVERIFY(simulator.start(simArguments));
    const CliRun run = runCli(QStringList{u("set-register"), u("-p"), simulator.portPath(), u("-s"),
                                          u("1"), u("--json")} +
                              arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, status);
    const QJsonObject object = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(object.value(u("ok")).toBool(), status == ExitSuccess);
    QVERIFY2(object.value(u("message")).toString().startsWith(message), run.out.constData());
    const QStringList received = simulator.received();
    QVERIFY(!received.isEmpty());
    // The frame shown is the frame sent, CRC and all.
    QCOMPARE(received.constFirst(), object.value(u("frame")).toString());
    QVERIFY2(received.constFirst().startsWith(frame), qPrintable(received.constFirst()));
    // A rejected write is not sent again; an unanswered one three times.
    QCOMPARE(received.size(), fault == u("silent@*") ? 3 : 1);
    if (!stored.isEmpty())
        QVERIFY2(simulator.dump().contains(stored), qPrintable(simulator.dump().join(u("\n"))));
    if (status != ExitSuccess)
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
}

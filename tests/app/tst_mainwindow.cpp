#include "mainwindow.h"
#include "scripteddialogs.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

// The window as it stands right after start, and the actions that need no device or file.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void actionsAfterStart_data();
    void actionsAfterStart();
    void editorAndPaneAfterStart();
    void deviceControls();
    void toolbarOrder();
    void newFileResetsEditorPaneAndProgram();
    void compileWritesReportIntoPane_data();
    void compileWritesReportIntoPane();
    void compileWithoutNameLineLeavesNameEmpty();
    void saveFollowsTextChanges();
    void aboutShowsVersionAndNotice();
    void failedConnectShowsBoxAndKeepsState_data();
    void failedConnectShowsBoxAndKeepsState();
    void disconnectWithoutPortOnlyResetsActions();
    void fileNamedOnCommandLineOpensAsOpenWould();

private:
    QAction *action(const char *name) const
    {
        return window->findChild<QAction *>(QLatin1String(name));
    }
    QStringList paneLines() const
    {
        return window->outputPane()->toPlainText().split(QLatin1Char('\n'));
    }

    QTemporaryDir settingsDir;
    MainWindow *window = nullptr;
    ScriptedDialogs *dialogs = nullptr;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
}

void TestMainWindow::init()
{
    window = new MainWindow;
    dialogs = new ScriptedDialogs;
    window->setDialogs(std::unique_ptr<UserDialogs>(dialogs));
}

void TestMainWindow::cleanup()
{
    // Nothing the tests typed is worth a question on the way out.
    window->editor()->document()->setModified(false);
    delete window;
    window = nullptr;
}

void TestMainWindow::actionsAfterStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("connect") << "connectAction"
                             << "Подключить"
                             << "Подключить прибор"
                             << "" << true;
    QTest::newRow("disconnect") << "disconnectAction"
                                << "Отключить"
                                << "Отключить прибор"
                                << "" << false;
    QTest::newRow("about") << "aboutAction"
                           << "О программе"
                           << "О программе"
                           << "" << true;
    QTest::newRow("open") << "openAction"
                          << "Открыть файл"
                          << "Открыть файл"
                          << "Ctrl+O" << true;
    QTest::newRow("save") << "saveAction"
                          << "Сохранить файл"
                          << "Сохранить файл"
                          << "Ctrl+S" << true;
    QTest::newRow("save as") << "saveAsAction"
                             << "Сохранить как ..."
                             << "Сохранить как ..."
                             << "" << true;
    QTest::newRow("compile") << "compileAction"
                             << "Скомпилировать"
                             << "Скомпилировать"
                             << "F7" << true;
    QTest::newRow("write") << "writeAction"
                           << "Записать в прибор"
                           << "Записать в прибор"
                           << "" << false;
    QTest::newRow("read") << "readAction"
                          << "Считать из прибора"
                          << "Считать из прибора"
                          << "" << false;
    QTest::newRow("new") << "newAction"
                         << "Создать файл"
                         << "Создать файл"
                         << "" << true;
}

void TestMainWindow::actionsAfterStart()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, statusTip);
    QFETCH(QString, shortcut);
    QFETCH(bool, enabled);

    QAction *a = window->findChild<QAction *>(name);
    QVERIFY2(a, qPrintable(name));
    QCOMPARE(a->text(), text);
    QCOMPARE(a->statusTip(), statusTip);
    QCOMPARE(a->shortcut(), QKeySequence(shortcut));
    QCOMPARE(a->isEnabled(), enabled);
    QVERIFY2(!a->icon().isNull(), "every action shows its icon");
    QCOMPARE(a->icon().availableSizes().value(0).isValid(), true);
}

void TestMainWindow::editorAndPaneAfterStart()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel"));
    QCOMPARE(window->size(), QSize(450, 600));
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"Prg1\";\n"));
    QCOMPARE(window->editor()->document()->isModified(), false);

    QPlainTextEdit *pane = window->outputPane();
    QVERIFY(pane->toPlainText().isEmpty());
    QVERIFY(pane->isReadOnly());
    // Editor and pane share a splitter; the pane is no longer capped.
    const auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Vertical);
    QVERIFY(splitter->isAncestorOf(window->editor()));
    QCOMPARE(splitter->widget(1), pane);
    QCOMPARE(pane->maximumHeight(), QWIDGETSIZE_MAX);
    QCOMPARE(window->editor()->objectName(), QStringLiteral("textEdit"));
    QCOMPARE(window->editor()->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(window->editor()->tabStopDistance(),
             4 * QFontMetricsF(window->editor()->font()).horizontalAdvance(QLatin1Char(' ')));
    QCOMPARE(pane->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    QCOMPARE(pane->palette().color(QPalette::Disabled, QPalette::Window), QColor(Qt::white));
    QCOMPARE(pane->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(window->editor()->font().family(), QStringLiteral("Courier"));
    QVERIFY(window->menuBar()->actions().isEmpty());
    QVERIFY(window->compiledInstructions().isEmpty());
}

void TestMainWindow::deviceControls()
{
    QComboBox *cells = window->cellBox();
    QCOMPARE(cells->count(), 4);
    QCOMPARE(cells->itemText(0), QStringLiteral(" 1"));
    QCOMPARE(cells->itemText(3), QStringLiteral(" 4"));
    QCOMPARE(cells->currentIndex(), 0);

    QSpinBox *slave = window->slaveIdBox();
    QCOMPARE(slave->minimum(), 0);
    QCOMPARE(slave->maximum(), 255);
    QCOMPARE(slave->value(), 0);

    // A pseudo-terminal is not listed, so the port box takes a typed name.
    QVERIFY(window->portBox()->isEditable());
    QVERIFY(window->portBox()->isEnabled());
}

void TestMainWindow::toolbarOrder()
{
    const auto toolbars = window->findChildren<QToolBar *>();
    QCOMPARE(toolbars.size(), 2);
    QToolBar *main = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(main);
    QToolBar *program = toolbars.at(0) == main ? toolbars.at(1) : toolbars.at(0);
    QCOMPARE(window->toolBarBreak(program), true);
    QCOMPARE(main->iconSize(), QSize(32, 32));
    QCOMPARE(program->iconSize(), QSize(32, 32));

    // Describe each entry as the action's object name, a separator, or the widget's class.
    const auto describe = [](QToolBar *bar) {
        QStringList out;
        for (QAction *a : bar->actions()) {
            if (a->isSeparator())
                out << QStringLiteral("|");
            else if (QWidget *w = bar->widgetForAction(a); w && !a->objectName().isEmpty())
                out << a->objectName();
            else if (w)
                out << QString::fromLatin1(w->metaObject()->className());
            else
                out << a->objectName();
        }
        return out;
    };
    QCOMPARE(describe(main).join(QLatin1Char(' ')),
             QStringLiteral("connectAction disconnectAction | QLabel QComboBox | QLabel QSpinBox | "
                            "| aboutAction"));
    QCOMPARE(describe(program).join(QLatin1Char(' ')),
             QStringLiteral("newAction openAction saveAction saveAsAction | compileAction "
                            "writeAction readAction | QLabel QComboBox"));

    const auto labels = window->findChildren<QLabel *>();
    QStringList texts;
    for (QLabel *label : labels) {
        if (label->font().bold())
            texts << label->text();
    }
    texts.sort();
    QCOMPARE(texts, QStringList({QStringLiteral("  Номер\n  порта"), QStringLiteral(" Slave ID"),
                                 QStringLiteral("Ячейка\nпамяти")}));
}

void TestMainWindow::newFileResetsEditorPaneAndProgram()
{
    window->editor()->setPlainText(QStringLiteral("Us = 5;"));
    action("compileAction")->trigger();
    QCOMPARE(window->compiledInstructions().size(), 1);
    QVERIFY(!window->outputPane()->toPlainText().isEmpty());

    // The text changed, so New asks first; answering "do not save" lets it go ahead.
    dialogs->saveChoices.enqueue(UserDialogs::SaveChoice::Discard);
    action("newAction")->trigger();
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"Prg1\";\n"));
    QVERIFY(window->outputPane()->toPlainText().isEmpty());
    QVERIFY(window->compiledInstructions().isEmpty());
    QCOMPARE(window->editor()->document()->isModified(), false);
}

void TestMainWindow::compileWritesReportIntoPane_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pane");
    QTest::addColumn<int>("compileError");
    QTest::addColumn<int>("records");

    QTest::newRow("name and one assignment")
        << "prgName = \"Prg1\";\nUs = 5;"
        << QStringList{"Компиляция:",
                       "prgName = \"Prg1\";",
                       "Us = 5;",
                       ">func:1 oper:0 arg1:5 arg3:0 arg3:0 arg4:0",
                       "",
                       "OK: 1/100"}
        << 0 << 1;
    QTest::newRow("missing jump target")
        << "jmp #3;"
        << QStringList{"Компиляция:", "jmp #3;", ">func:3 oper:0 arg1:3 arg3:0 arg3:0 arg4:0", "",
                       "error jmp: ссылка #3 не найдена"}
        << 1 << 1;
    QTest::newRow("line in error")
        << "xyz;\nnop;" << QStringList{"Компиляция:", "error: xyz;", "nop;", ""} << 1 << 1;
}

void TestMainWindow::compileWritesReportIntoPane()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pane);
    QFETCH(int, compileError);
    QFETCH(int, records);

    window->outputPane()->setPlainText(QStringLiteral("left over from before"));
    window->editor()->setPlainText(text);
    // F7 reaches the compile while its action is enabled; shortcuts need an active window.
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->editor(), Qt::Key_F7);
    QCOMPARE(paneLines(), pane);
    QCOMPARE(window->compileErrorFlag(), compileError);
    QCOMPARE(window->compiledInstructions().size(), records);

    // Not during a transfer: with the action disabled, F7 does nothing.
    window->outputPane()->clear();
    window->findChild<QAction *>(QStringLiteral("compileAction"))->setEnabled(false);
    QTest::keyClick(window->editor(), Qt::Key_F7);
    QVERIFY(window->outputPane()->toPlainText().isEmpty());
}

void TestMainWindow::compileWithoutNameLineLeavesNameEmpty()
{
    window->editor()->setPlainText(QStringLiteral("prgName = \"Ab1\";\nnop;"));
    action("compileAction")->trigger();
    QCOMPARE(window->compiledProgramName(), QStringLiteral("Ab1"));
    // A later program without a name line must not go to the device under the old name.
    window->editor()->setPlainText(QStringLiteral("nop;"));
    action("compileAction")->trigger();
    QCOMPARE(window->compileErrorFlag(), 0);
    QCOMPARE(window->compiledProgramName(), QString());
}

void TestMainWindow::saveFollowsTextChanges()
{
    QAction *save = action("saveAction");
    save->setEnabled(false);
    QTest::keyClicks(window->editor(), QStringLiteral("x"));
    QVERIFY(save->isEnabled());
    QVERIFY(window->editor()->document()->isModified());
}

void TestMainWindow::aboutShowsVersionAndNotice()
{
    action("aboutAction")->trigger();
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("about")});
    const ScriptedDialogs::Call call = dialogs->calls.constFirst();
    QCOMPARE(call.title, QStringLiteral("О программе"));
    QVERIFY(call.text.startsWith(QStringLiteral(
        "<h2>Quorvel 1.1</h2>Программа предначена для совместного функционирования\nс "
        "источниками питания Brisca<p>Использование программы с другими приборами не "
        "допускается.<p>")));
    // Two closing paragraphs follow: the notice and the link.
    QVERIFY(call.text.contains(QStringLiteral("<a href=")));
}

void TestMainWindow::failedConnectShowsBoxAndKeepsState_data()
{
    QTest::addColumn<QString>("portName");
    QTest::newRow("empty name") << QString();
    QTest::newRow("no such port") << QStringLiteral("/dev/quorvel-no-such-port");
    QTest::newRow("not a serial port") << QStringLiteral("/dev/null");
}

void TestMainWindow::failedConnectShowsBoxAndKeepsState()
{
    QFETCH(QString, portName);
    window->portBox()->setEditText(portName);
    action("connectAction")->trigger();

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("critical")});
    QCOMPARE(dialogs->calls.constFirst().title, QStringLiteral("Error"));
    QCOMPARE(dialogs->calls.constFirst().text, QStringLiteral("Не удается открыть порт"));
    QVERIFY(action("connectAction")->isEnabled());
    QVERIFY(!action("disconnectAction")->isEnabled());
    QVERIFY(window->portBox()->isEnabled());
    QVERIFY(!action("writeAction")->isEnabled());
    QVERIFY(!action("readAction")->isEnabled());
}

void TestMainWindow::disconnectWithoutPortOnlyResetsActions()
{
    action("writeAction")->setEnabled(true);
    QMetaObject::invokeMethod(window, "ClosePort");
    QVERIFY(action("connectAction")->isEnabled());
    QVERIFY(!action("disconnectAction")->isEnabled());
    QVERIFY(!action("writeAction")->isEnabled());
    QVERIFY(!action("readAction")->isEnabled());
    QVERIFY(dialogs->calls.isEmpty());
}

void TestMainWindow::fileNamedOnCommandLineOpensAsOpenWould()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ramp.prgb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("prgName = \"Ramp\";\r\n// Шаг\r\nUs += 10;\n");
    file.close();

    window->openProgramFile(path);
    QCOMPARE(window->editor()->toPlainText(),
             QStringLiteral("prgName = \"Ramp\";\n// Шаг\nUs += 10;\n"));
    QCOMPARE(window->currentFilePath(), path);
    QVERIFY(!action("saveAction")->isEnabled());
    QVERIFY(!window->editor()->document()->isModified());
    QVERIFY(dialogs->calls.isEmpty());

    // A name that cannot be opened gets the same box as "Открыть файл" and changes nothing.
    window->openProgramFile(dir.filePath(QStringLiteral("missing.prgb")));
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("warning")});
    QCOMPARE(dialogs->calls.constFirst().title, QStringLiteral("Ошибка"));
    QCOMPARE(dialogs->calls.constFirst().text, QStringLiteral("Не удается открыть файл"));
    QCOMPARE(window->currentFilePath(), path);
    QVERIFY(window->editor()->toPlainText().startsWith(QStringLiteral("prgName = \"Ramp\";")));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

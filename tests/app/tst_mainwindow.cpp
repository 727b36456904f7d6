#include "qttranslation.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTextBrowser>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

// The window as it stands right after start, and the actions that need no device or file.
class TestMainWindow : public QObject, public WindowFixture
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
    void menusHoldToolbarActions_data();
    void menusHoldToolbarActions();
    void shortcutsAreUnique();
    void languageHelpShowsTableAndCompilingExample();
    void layoutSurvivesRestart();
    void qtDialogsSpeakRussian();
};

void TestMainWindow::initTestCase()
{
    QVERIFY(isolateSettings());
}

void TestMainWindow::init()
{
    // Each test starts as at first start: no layout or files remembered.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brisca"),
              QStringLiteral("KV2050RB1"))
        .clear();
    openWindow();
}

void TestMainWindow::cleanup()
{
    closeWindow();
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
                             << "F5" << true;
    QTest::newRow("disconnect") << "disconnectAction"
                                << "Отключить"
                                << "Отключить прибор"
                                << "Shift+F5" << false;
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
                             << "Ctrl+Shift+S" << true;
    QTest::newRow("compile") << "compileAction"
                             << "Скомпилировать"
                             << "Скомпилировать"
                             << "F7" << true;
    QTest::newRow("write") << "writeAction"
                           << "Записать в прибор"
                           << "Записать в прибор"
                           << "F8" << false;
    QTest::newRow("read") << "readAction"
                          << "Считать из прибора"
                          << "Считать из прибора"
                          << "F9" << false;
    QTest::newRow("new") << "newAction"
                         << "Создать файл"
                         << "Создать файл"
                         << "Ctrl+N" << true;
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
    // A program without a file: the name alone, with the mark shown only once it changes.
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel[*]"));
    QVERIFY(!window->isWindowModified());
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->size(), QSize(450, 600));
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"Prg1\";\n"));
    QCOMPARE(window->editor()->document()->isModified(), false);

    QPlainTextEdit *pane = window->outputPane();
    QVERIFY(pane->toPlainText().isEmpty());
    QVERIFY(pane->isReadOnly());
    // Editor above, pane below, in one splitter whose extra height goes to the editor.
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Vertical);
    QCOMPARE(splitter->widget(0), static_cast<QWidget *>(window->editor()));
    QCOMPARE(splitter->widget(1), static_cast<QWidget *>(pane));
    QCOMPARE(pane->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    QCOMPARE(pane->palette().color(QPalette::Disabled, QPalette::Window), QColor(Qt::white));
    QCOMPARE(pane->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(window->editor()->font().family(), QStringLiteral("Courier"));
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
        "<h2>Quorvel 1.1</h2>Программа предназначена для совместного функционирования\nс "
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

void TestMainWindow::menusHoldToolbarActions_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("file") << "menuFile"
                          << "Файл" << QStringList{"newAction", "openAction", "menuRecentFiles",
                                                   "|",         "saveAction", "saveAsAction",
                                                   "|",         "quitAction"};
    QTest::newRow("edit") << "menuEdit"
                          << "Правка"
                          << QStringList{"undoAction", "redoAction",  "|", "cutAction",
                                         "copyAction", "pasteAction", "|", "selectAllAction"};
    QTest::newRow("program") << "menuProgram"
                             << "Программа" << QStringList{"compileAction"};
    QTest::newRow("device") << "menuDevice"
                            << "Прибор"
                            << QStringList{"connectAction", "disconnectAction", "|", "writeAction",
                                           "readAction"};
    QTest::newRow("help") << "menuHelp"
                          << "Справка" << QStringList{"languageHelpAction", "aboutAction"};
}

void TestMainWindow::menusHoldToolbarActions()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);

    auto *m = window->findChild<QMenu *>(menu);
    QVERIFY2(m, qPrintable(menu));
    QCOMPARE(m->title(), title);
    QVERIFY(window->menuBar()->actions().contains(m->menuAction()));
    QStringList got;
    for (QAction *a : m->actions()) {
        if (a->isSeparator())
            got << QStringLiteral("|");
        else if (a->menu())
            got << a->menu()->objectName();
        else
            got << a->objectName();
    }
    QCOMPARE(got, entries);

    // The very objects of the toolbars: disabling one greys out both places.
    const auto toolbars = window->findChildren<QToolBar *>();
    for (QAction *a : m->actions()) {
        for (QToolBar *bar : toolbars) {
            for (QAction *onBar : bar->actions()) {
                if (!onBar->objectName().isEmpty() && onBar->objectName() == a->objectName())
                    QCOMPARE(onBar, a);
            }
        }
    }
}

void TestMainWindow::shortcutsAreUnique()
{
    // Two actions on one key would make Qt run neither.
    QHash<QString, QString> owners;
    for (QAction *a : window->findChildren<QAction *>()) {
        for (const QKeySequence &key : a->shortcuts()) {
            const QString text = key.toString(QKeySequence::PortableText);
            QVERIFY2(!owners.contains(text),
                     qPrintable(text + QStringLiteral(": ") + owners.value(text) +
                                QStringLiteral(", ") + a->objectName()));
            owners.insert(text, a->objectName());
        }
    }
    QCOMPARE(owners.value(QStringLiteral("Ctrl+Q")), QStringLiteral("quitAction"));
    QCOMPARE(owners.value(QStringLiteral("F1")), QStringLiteral("languageHelpAction"));
    QCOMPARE(owners.value(QStringLiteral("Ctrl+Z")), QStringLiteral("undoAction"));
}

void TestMainWindow::languageHelpShowsTableAndCompilingExample()
{
    action("languageHelpAction")->trigger();
    auto *help = window->findChild<QTextBrowser *>(QStringLiteral("languageHelp"));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->isWindow());
    const QString text = help->toPlainText();
    for (const char *statement :
         {"prgName = \"Prg1\";", "X = V;", "X += V;", "if X op V #t else #e;", "jmp #t;", "#t;",
          "delay_ms n;", "delay_s n;", "nop;"})
        QVERIFY2(text.contains(QString::fromUtf8(statement)), statement);
    QVERIFY(text.contains(MainWindow::languageHelpExample().trimmed()));
    // A second call shows the same window instead of piling up copies.
    action("languageHelpAction")->trigger();
    QCOMPARE(window->findChildren<QTextBrowser *>().size(), 1);

    // The example teaches what the compiler accepts.
    window->editor()->setPlainText(MainWindow::languageHelpExample());
    action("compileAction")->trigger();
    QCOMPARE(window->compileErrorFlag(), 0);
    QCOMPARE(paneLines().constLast(), QStringLiteral("OK: 7/100"));
}

void TestMainWindow::layoutSurvivesRestart()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->resize(700, 650);
    auto *program = window->findChild<QToolBar *>(QStringLiteral("programToolBar"));
    QVERIFY(program);
    program->hide();
    QCoreApplication::processEvents();
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
    splitter->setSizes({250, 300});
    QCoreApplication::processEvents();
    const QList<int> sizes = splitter->sizes();
    QVERIFY(window->close());

    MainWindow second;
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCoreApplication::processEvents();
    QCOMPARE(second.size(), QSize(700, 650));
    QCOMPARE(second.findChild<QSplitter *>(QStringLiteral("splitter"))->sizes(), sizes);
    QVERIFY(second.findChild<QToolBar *>(QStringLiteral("programToolBar"))->isHidden());
    second.editor()->document()->setModified(false);
}

void TestMainWindow::qtDialogsSpeakRussian()
{
    const QString english = QCoreApplication::translate("QPlatformTheme", "Cancel");
    QCOMPARE(english, QStringLiteral("Cancel"));
    if (!installQtTranslation(*QCoreApplication::instance()))
        QFAIL("qtbase_ru not found in Qt's translations folder: install qttranslations5-l10n");
    // Whatever the machine's locale, Qt's own buttons now read in Russian.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>())
        QCoreApplication::removeTranslator(t);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

#include "completionpopup.h"
#include "elidedlabel.h"
#include "languagehelp.h"
#include "interfacelanguage.h"
#include "windowfixture.h"

#include "diagnostic.h"
#include "exchangelogdock.h"
#include "exchangelogmodel.h"
#include "limitsdialog.h"
#include "linenumbergutter.h"
#include "lanechart.h"
#include "programrundock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
#include <QSignalSpy>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

#include <algorithm>

// The window as it stands right after start, and the actions that need no device or file.
class TestMainWindow : public QObject, public WindowFixture
{
    Q_OBJECT

    // The error and warning numbers beside their icons in the status bar: "3 1".
    QString diagnosticCounts() const
    {
        const auto *errors = window->statusBar()->findChild<QLabel *>(QStringLiteral("errorCount"));
        const auto *warnings =
            window->statusBar()->findChild<QLabel *>(QStringLiteral("warningCount"));
        return errors && warnings ? errors->text() + QLatin1Char(' ') + warnings->text()
                                  : QStringLiteral("no counts");
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void actionsAfterStart_data();
    void actionsAfterStart();
    void editorAndPaneAfterStart();
    void deviceControls();
    void toolbarOrder();
    void defaultSizeFitsEveryState_data();
    void defaultSizeFitsEveryState();
    void keyboardReachesMenusAndControls();
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
    void gutterNumbersFollowScrolledText();
    void liveDiagnosticsMarkAfterOnePause();
    void reportDoubleClickGoesToSourceLine_data();
    void reportDoubleClickGoesToSourceLine();
    void nextAndPreviousDiagnosticWrapAround();
    void goToLineAsksAndMoves();
    void findForwardAndBackward_data();
    void findForwardAndBackward();
    void replaceAllIsOneUndoStep();
    void completionFromTheKeyboard_data();
    void completionFromTheKeyboard();
    void labelsOneKeyAway();
    void renameLabelInOneUndoStep();
    void pasteTakesPlainTextOnly();
    void splitIsRemembered();
    void exchangeLogOpensBoundedAndSaves();
    void programRunDockDrawsAndFollowsText();
    void programRunThinsTheDrawingNotTheExport();
    void operandLimitsEditedMarkedAndKept();
    void laneChartFollowsLiveSamplesInBoundedMemory();

private:
    // Shortcuts need a shown, active window.
    // Drags the handle by dy pixels (up when negative), as the mouse would.
    static void dragSplit(QSplitter *splitter, int dy)
    {
        QSplitterHandle *handle = splitter->handle(1);
        const QPoint start = handle->rect().center();
        const QPoint end = start + QPoint(0, dy);
        QMouseEvent press(QEvent::MouseButtonPress, start, handle->mapToGlobal(start),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &press);
        QMouseEvent move(QEvent::MouseMove, end, handle->mapToGlobal(end), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, end, handle->mapToGlobal(end),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &release);
    }
    int cursorLine() const { return window->editor()->textCursor().blockNumber() + 1; }
    bool lineInView(int line) const
    {
        QTextEdit *edit = window->editor();
        const QTextCursor at(edit->document()->findBlockByNumber(line - 1));
        return edit->viewport()->rect().contains(edit->cursorRect(at));
    }
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
                           << "F6" << false;
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
    // The access key's "&" aside; menusHoldToolbarActions checks the keys.
    QCOMPARE(a->text().remove(QLatin1Char('&')), text);
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
    // The start-up text is no edit: nothing to undo, and «Отменить» says so.
    QVERIFY(!window->editor()->document()->isUndoAvailable());
    QVERIFY(!action("undoAction")->isEnabled());

    QPlainTextEdit *pane = window->outputPane();
    QVERIFY(pane->toPlainText().isEmpty());
    QVERIFY(pane->isReadOnly());
    // Editor and pane share a splitter; the pane is no longer capped.
    const auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Vertical);
    QVERIFY(splitter->isAncestorOf(window->editor()));
    QCOMPARE(splitter->widget(1), pane);
    // Capped until the user drags the split (splitIsRemembered).
    QCOMPARE(pane->maximumHeight(), 120);
    QCOMPARE(window->editor()->objectName(), QStringLiteral("textEdit"));
    QCOMPARE(window->editor()->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(window->editor()->tabStopDistance(),
             4 * QFontMetricsF(window->editor()->font()).horizontalAdvance(QLatin1Char(' ')));
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
             QStringLiteral("connectAction disconnectAction | QLabel QComboBox | QLabel QSpinBox"));
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
    QStringList expected{QStringLiteral("I&D"), QStringLiteral("&Ячейка"), QStringLiteral("Пор&т")};
    expected.sort();
    QCOMPARE(texts, expected);
    // Sharp on a screen of twice the density: no icon is drawn from fewer than 64 pixels.
    for (QToolBar *bar : toolbars) {
        for (QAction *a : bar->actions()) {
            if (!a->icon().isNull())
                QCOMPARE(a->icon().actualSize(QSize(64, 64)), QSize(64, 64));
        }
    }
}

void TestMainWindow::defaultSizeFitsEveryState_data()
{
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("transfer");
    QTest::addColumn<bool>("runDock");
    QTest::addColumn<bool>("registerDock");
    // The family the editor and the pane get, empty for the form's own "Courier" as this
    // machine's fonts resolve it: the URW fonts many desktops have (Courier becomes Nimbus Mono
    // PS, taller), and a bare machine's monospace.
    QTest::addColumn<QString>("font");

    const QString urw = QStringLiteral("Nimbus Mono PS");
    const QString bare = QStringLiteral("DejaVu Sans Mono");
    for (const QString &font : {QString(), urw, bare}) {
        const QString suffix = font.isEmpty() ? QString() : QStringLiteral(", ") + font;
        QTest::newRow(qPrintable(QStringLiteral("idle") + suffix))
            << false << false << false << false << font;
        QTest::newRow(qPrintable(QStringLiteral("idle, «Прогон» open") + suffix))
            << false << false << true << false << font;
        QTest::newRow(qPrintable(QStringLiteral("connected, long port path") + suffix))
            << true << false << false << false << font;
        QTest::newRow(qPrintable(QStringLiteral("transfer, long port path") + suffix))
            << true << true << false << false << font;
        QTest::newRow(qPrintable(QStringLiteral("connected, «Регистры» polling") + suffix))
            << true << false << false << true << font;
    }
}

void TestMainWindow::defaultSizeFitsEveryState()
{
    QFETCH(bool, connect);
    QFETCH(bool, transfer);
    QFETCH(bool, runDock);
    QFETCH(bool, registerDock);
    QFETCH(QString, font);

    if (!font.isEmpty()) {
        // Listed with its foundry, "Nimbus Mono PS [urw]": what the family resolves to tells.
        if (!QFontInfo(QFont(font)).family().startsWith(font))
            QSKIP(qPrintable(font + QStringLiteral(" is not installed")));
        for (QWidget *text : {static_cast<QWidget *>(window->editor()),
                              static_cast<QWidget *>(window->outputPane())}) {
            QFont chosen = text->font();
            chosen.setFamily(font);
            text->setFont(chosen);
        }
    }
    QVERIFY(showActive());
    QCOMPARE(window->size(), QSize(450, 600));
    if (runDock) {
        window->editor()->setPlainText(
            QStringLiteral("#1;\nUs += 100;\ndelay_ms 500;\nif Us < 300 #1;\n"));
        action("runAction")->trigger();
        auto *dock = window->findChild<QDockWidget *>(QStringLiteral("programRunDock"));
        QVERIFY(dock);
        QTRY_VERIFY(dock->isVisible());
        // The dock leaves the editor room to edit in, not a strip of three lines.
        QCoreApplication::processEvents();
        const int lines =
            window->editor()->viewport()->height() / window->editor()->fontMetrics().lineSpacing();
        QVERIFY2(lines >= 5, qPrintable(QString::number(lines)));
    }
    // A path as long as a udev rule gives an adapter, leading to the simulated supply.
    QTemporaryDir links;
    QString longPath;
    if (connect) {
        // Paced as a wire: a path outside /dev/pts is timed as a real line.
        SimulatorProcess *sim = startSimulator({QStringLiteral("--pace")});
        QVERIFY(sim);
        const QString folder = links.path() + QLatin1Char('/');
        QVERIFY(folder.size() < 50);
        longPath = folder + QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0")
                                .leftJustified(70 - folder.size(), QLatin1Char('x'), true);
        QCOMPARE(longPath.size(), 70);
        QVERIFY(QFile::link(sim->portPath(), longPath));
        window->portBox()->setEditText(longPath);
        QVERIFY(runDeviceAction("connectAction"));
        QCOMPARE(states(), Connected);
        auto *connection = window->findChild<QLabel *>(QStringLiteral("connectionLabel"));
        QVERIFY(connection->text().contains(longPath));
        QCOMPARE(connection->toolTip(), longPath);
    }

    if (registerDock) {
        action("registersAction")->trigger();
        auto *dock = window->findChild<QDockWidget *>(QStringLiteral("registerDock"));
        QVERIFY(dock);
        QTRY_VERIFY(dock->isVisible());
        dock->findChild<QPushButton *>(QStringLiteral("pollButton"))->click();
        auto *counts = dock->findChild<QLabel *>(QStringLiteral("countsLabel"));
        QTRY_VERIFY_WITH_TIMEOUT(!counts->text().isEmpty(), 10000);
        // Its rows scroll up and down, but none is wider than the window.
        auto *scroll = dock->findChild<QScrollArea *>(QStringLiteral("registerScroll"));
        QVERIFY(scroll);
        QCoreApplication::processEvents();
        QVERIFY2(scroll->widget()->minimumSizeHint().width() <= scroll->viewport()->width(),
                 qPrintable(QString::number(scroll->widget()->minimumSizeHint().width())));
    }

    QStringList found;
    if (transfer) {
        auto *bar = window->findChild<QProgressBar *>(QStringLiteral("transferProgress"));
        QVERIFY(bar);
        bool measured = false;
        QObject::connect(bar, &QProgressBar::valueChanged, window, [&](int value) {
            // By the second request the status bar has laid out the progress.
            if (value == 2 && !measured) {
                measured = true;
                QVERIFY(bar->isVisible());
                found = fitProblems();
            }
        });
        window->editor()->setPlainText(QStringLiteral("prgName = \"P\";\nnop;\nnop;\n"));
        QVERIFY(runDeviceAction("writeAction"));
        QVERIFY2(measured, qPrintable(paneLines().join(QLatin1Char('|'))));
    } else {
        QCoreApplication::processEvents();
        found = fitProblems();
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QStringLiteral("; "))));
    QCoreApplication::processEvents();
    QCOMPARE(window->size(), QSize(450, 600));
}

void TestMainWindow::keyboardReachesMenusAndControls()
{
    // Alt and a letter: the menus and the labelled controls, no letter twice.
    QStringList keys;
    const auto accessKey = [](const QString &text) {
        const int at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
        return at < 0 ? QString() : text.mid(at + 1, 1).toLower();
    };
    for (QAction *menu : window->menuBar()->actions())
        keys << accessKey(menu->text());
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->buddy()) {
            keys << accessKey(label->text());
            QVERIFY(label->buddy() == window->portBox() || label->buddy() == window->slaveIdBox() ||
                    label->buddy() == window->cellBox());
        }
    }
    QCOMPARE(keys.size(), 8);
    QVERIFY2(!keys.contains(QString()), qPrintable(keys.join(QLatin1Char(' '))));
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

    // Tab: the toolbar controls, the editor, the report pane.
    const QList<QWidget *> order = {window->portBox(), window->slaveIdBox(), window->cellBox(),
                                    window->editor(), window->outputPane()};
    QList<QWidget *> seen;
    QWidget *at = window->portBox();
    for (int step = 0; step < 200 && seen.size() < order.size();
         ++step, at = at->nextInFocusChain()) {
        for (QWidget *wanted : order) {
            if ((at == wanted || wanted->isAncestorOf(at)) && !seen.contains(wanted))
                seen << wanted;
        }
    }
    QCOMPARE(seen, order);

    // F10 opens the first menu.
    QVERIFY(showActive());
    QTest::keyClick(window, Qt::Key_F10);
    QCOMPARE(window->menuBar()->activeAction(),
             window->findChild<QMenu *>(QStringLiteral("menuFile"))->menuAction());
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
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
    QVERIFY(!window->editor()->document()->isUndoAvailable());
    QVERIFY(!action("undoAction")->isEnabled());
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
        << QStringList{"Компиляция:",
                       "jmp #3;",
                       ">func:3 oper:0 arg1:3 arg3:0 arg3:0 arg4:0",
                       "",
                       "error jmp: ссылка #3 не найдена",
                       "Ошибок: 1, первая в строке 1: jmp: ссылка #3 не найдена"}
        << 1 << 1;
    // The report ends on a line that names no error: the last line says the compile failed.
    QTest::newRow("line in error")
        << "xyz;\nnop;"
        << QStringList{"Компиляция:", "error: xyz;", "nop;", "",
                       "Ошибок: 1, первая в строке 1: строка не является оператором языка"}
        << 1 << 1;
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
    QVERIFY(runDeviceAction("connectAction"));

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
                          << "&Файл" << QStringList{"newAction", "openAction", "menuRecentFiles",
                                                    "|",         "saveAction", "saveAsAction",
                                                    "|",         "quitAction"};
    QTest::newRow("edit") << "menuEdit"
                          << "&Правка"
                          << QStringList{"undoAction",
                                         "redoAction",
                                         "|",
                                         "cutAction",
                                         "copyAction",
                                         "pasteAction",
                                         "|",
                                         "selectAllAction",
                                         "|",
                                         "findAction",
                                         "replaceAction",
                                         "goToLineAction",
                                         "|",
                                         "completeAction",
                                         "goToLabelAction",
                                         "labelReferencesAction",
                                         "renameLabelAction"};
    QTest::newRow("program") << "menuProgram"
                             << "П&рограмма"
                             << QStringList{"compileAction", "runAction", "|", "nextErrorAction",
                                            "previousErrorAction"};
    QTest::newRow("device") << "menuDevice"
                            << "Пр&ибор"
                            << QStringList{"connectAction",
                                           "disconnectAction",
                                           "|",
                                           "writeAction",
                                           "readAction",
                                           "compareAction",
                                           "verifyAction",
                                           "findSuppliesAction",
                                           "limitsAction",
                                           "cellsDockAction",
                                           "exchangeLogAction",
                                           "registersAction",
                                           "|",
                                           "cancelAction"};
    QTest::newRow("help") << "menuHelp"
                          << "&Справка"
                          << QStringList{"languageHelpAction", "menuInterfaceLanguage",
                                         "aboutAction"};
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

    // Every entry has its access key, none twice in the menu.
    QStringList keys;
    for (QAction *a : m->actions()) {
        if (a->isSeparator())
            continue;
        const int at = a->text().indexOf(QRegularExpression(QStringLiteral("&[^&]")));
        QVERIFY2(at >= 0, qPrintable(a->text()));
        const QString key = a->text().mid(at + 1, 1).toLower();
        QVERIFY2(!keys.contains(key), qPrintable(a->text()));
        keys << key;
    }

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
    QCOMPARE(owners.value(QStringLiteral("Ctrl+L")), QStringLiteral("exchangeLogAction"));
    QCOMPARE(owners.value(QStringLiteral("F1")), QStringLiteral("languageHelpAction"));
    QCOMPARE(owners.value(QStringLiteral("Ctrl+Z")), QStringLiteral("undoAction"));
    QCOMPARE(owners.value(QStringLiteral("Ctrl+R")), QStringLiteral("runAction"));
    QCOMPARE(owners.value(QStringLiteral("Ctrl+Space")), QStringLiteral("completeAction"));
    QCOMPARE(owners.value(QStringLiteral("Ctrl+H")), QStringLiteral("replaceAction"));
    QCOMPARE(owners.value(QStringLiteral("F12")), QStringLiteral("goToLabelAction"));
    QCOMPARE(owners.value(QStringLiteral("Shift+F12")), QStringLiteral("labelReferencesAction"));
    QCOMPARE(owners.value(QStringLiteral("F2")), QStringLiteral("renameLabelAction"));
}

void TestMainWindow::languageHelpShowsTableAndCompilingExample()
{
    action("languageHelpAction")->trigger();
    auto *help = window->findChild<QTextBrowser *>(QStringLiteral("languageHelp"));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->window()->isWindow());
    QVERIFY(help->window() != window);
    const QString text = help->toPlainText();
    for (const char *statement :
         {"prgName = \"Prg1\";", "X = V;", "X += V;", "if X op V #t else #e;", "jmp #t;", "#t;",
          "delay_ms n;", "delay_s n;", "nop;"})
        QVERIFY2(text.contains(QString::fromUtf8(statement)), statement);
    QVERIFY(text.contains(LanguageHelp::example().trimmed()));
    // A second call shows the same window instead of piling up copies.
    action("languageHelpAction")->trigger();
    QCOMPARE(window->findChildren<QTextBrowser *>().size(), 1);
    QVERIFY(text.contains(QStringLiteral("шагами по 10 каждые полсекунды")));
    QVERIFY(text.contains(QStringLiteral("от 1 до 5 букв, цифр или знаков _")));
    QVERIFY(text.contains(QStringLiteral("Ctrl+Пробел — дополнение")));

    // Esc and Ctrl+W close it, as a dialog and a document window close.
    QWidget *helpWindow = help->window();
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Escape), QKeySequence(tr("Ctrl+W"))}) {
        action("languageHelpAction")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(helpWindow));
        QTest::keySequence(helpWindow, key);
        QVERIFY2(!helpWindow->isVisible(), qPrintable(key.toString()));
    }

    // «Вставить пример»: the question about the unsaved program first; Отмена keeps it.
    auto *insert = helpWindow->findChild<QPushButton *>(QStringLiteral("openExampleButton"));
    QVERIFY(insert);
    QCOMPARE(insert->text(), QStringLiteral("Вставить пример"));
    QTest::keyClicks(window->editor(), QStringLiteral("M1 = 1;"));
    const QString mine = window->editor()->toPlainText();
    insert->click();
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("ask")});
    QCOMPARE(window->editor()->toPlainText(), mine);
    dialogs->saveChoices.enqueue(UserDialogs::SaveChoice::Discard);
    insert->click();
    QCOMPARE(window->editor()->toPlainText(), LanguageHelp::example());
    QVERIFY(!window->editor()->document()->isModified());
    QVERIFY(!window->editor()->document()->isUndoAvailable());
    QVERIFY(window->currentFilePath().isEmpty());

    // The example teaches what the compiler accepts.
    window->editor()->setPlainText(LanguageHelp::example());
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
    dragSplit(splitter, -100);
    QCoreApplication::processEvents();
    const QList<int> sizes = splitter->sizes();
    QCOMPARE(sizes.value(1), 220);
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
    const InstalledLanguage russian(InterfaceLanguage::Language::Russian);
    if (!russian.complete())
        QFAIL("qtbase_ru not found in Qt's translations folder: install qttranslations5-l10n");
    // Whatever the machine's locale, Qt's own buttons now read in Russian.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

// "nop;" filler: lines 2 to count+1 after the name line.
static QString programWithFiller(int count, const QStringList &tail = {})
{
    QStringList lines{QStringLiteral("prgName = \"T\";")};
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("nop;");
    return (lines + tail).join(QLatin1Char('\n'));
}

void TestMainWindow::gutterNumbersFollowScrolledText()
{
    // 300 lines with an error on line 150.
    QStringList tail{QStringLiteral("xyz;")};
    for (int i = 0; i < 150; ++i)
        tail << QStringLiteral("nop;");
    window->editor()->setPlainText(programWithFiller(148, tail));
    QVERIFY(showActive());
    QTextEdit *edit = window->editor();
    QScrollBar *bar = edit->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    // The error, and the warning about more than 100 records.
    QTRY_COMPARE(diagnosticCounts(), QStringLiteral("1 1"));
    bar->setValue(bar->maximum() / 2);

    const auto *gutter = window->findChild<LineNumberGutter *>();
    QVERIFY(gutter);
    QVERIFY(gutter->isVisible());
    const QVector<LineNumberGutter::VisibleLine> lines = gutter->visibleLines();
    QVERIFY(lines.size() > 3);
    // Each number stands level with its own line of text, from the first line in view on.
    QCOMPARE(lines.constFirst().number, edit->cursorForPosition(QPoint(0, 0)).blockNumber() + 1);
    QVERIFY(lines.constFirst().number > 100);
    const int offset =
        edit->viewport()->mapTo(window, QPoint()).y() - gutter->mapTo(window, QPoint()).y();
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(lines.at(i).number, lines.constFirst().number + i);
        const QTextCursor at(edit->document()->findBlockByNumber(lines.at(i).number - 1));
        QCOMPARE(lines.at(i).top, edit->cursorRect(at).top() + offset);
    }
    // Down to the text's bottom edge, and no further.
    const int bottom = offset + edit->viewport()->height();
    QVERIFY(lines.constLast().top + lines.constLast().height >= bottom);
    QVERIFY(lines.constLast().top <= bottom);
    QVERIFY(gutter->width() >= 3 * gutter->fontMetrics().horizontalAdvance(QLatin1Char('9')));

    // The error's wave is there once its line is in view.
    QVERIFY(lines.constFirst().number <= 150 && lines.constLast().number >= 150);
    const auto waved = [edit] {
        for (const QTextEdit::ExtraSelection &s : edit->extraSelections()) {
            if (s.cursor.blockNumber() == 149 &&
                s.format.underlineStyle() == QTextCharFormat::WaveUnderline)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(waved());
}

void TestMainWindow::liveDiagnosticsMarkAfterOnePause()
{
    // As the program installs it: the counts' tool tip declines its words.
    const InstalledLanguage russian(InterfaceLanguage::Language::Russian);
    window->editor()->setPlainText(QStringLiteral("prgName = \"L\";\nnop;\n"));
    action("compileAction")->trigger();
    const InstructionList compiled = window->compiledInstructions();
    const QString pane = window->outputPane()->toPlainText();
    QTextDocument *document = window->editor()->document();
    document->setModified(false);
    auto *checker = window->findChild<QObject *>(QStringLiteral("diagnosticChecker"));
    QVERIFY(checker);
    qRegisterMetaType<DiagnosticList>("DiagnosticList");
    QSignalSpy checks(checker, SIGNAL(checked(DiagnosticList)));

    QVERIFY(showActive());
    window->editor()->moveCursor(QTextCursor::End);
    const QStringList typed{QStringLiteral("xyz;"), QStringLiteral("nop; // note"),
                            QStringLiteral("  abc;"), QStringLiteral("Us = 5")};
    for (const QString &line : typed) {
        QTest::keyClicks(window->editor(), line);
        if (&line != &typed.constLast())
            QTest::keyClick(window->editor(), Qt::Key_Return);
    }
    const int undoSteps = document->availableUndoSteps();
    document->setModified(false);
    QTRY_COMPARE(diagnosticCounts(), QStringLiteral("3 1"));
    QCOMPARE(
        window->statusBar()->findChild<QWidget *>(QStringLiteral("diagnosticCounts"))->toolTip(),
        QStringLiteral("3 ошибки, 1 предупреждение"));
    // However fast the keys came, the pause after them costs one check.
    QCOMPARE(checks.count(), 1);

    // Lines 3, 5 and 6 get a red wave from the error's column, line 4 an orange one from the first
    // non-blank character; what is missing at the end waves under the last character.
    QStringList waves;
    for (const QTextEdit::ExtraSelection &s : window->editor()->extraSelections()) {
        if (s.format.underlineStyle() != QTextCharFormat::WaveUnderline)
            continue;
        waves << QStringLiteral("%1 %2 %3")
                     .arg(s.cursor.block().blockNumber() + 1)
                     .arg(s.format.underlineColor().name())
                     .arg(s.cursor.selectedText());
    }
    QCOMPARE(waves, QStringList({QStringLiteral("3 #ff0000 xyz;"),
                                 QStringLiteral("4 #ff8c00 nop; // note"),
                                 QStringLiteral("5 #ff0000 abc;"), QStringLiteral("6 #ff0000 5")}));
    // The status bar says what is wrong on the cursor's line, and where; nothing elsewhere.
    auto *message =
        window->statusBar()->findChild<ElidedLabel *>(QStringLiteral("diagnosticMessageLabel"));
    QVERIFY(message);
    QCOMPARE(message->text(),
             QStringLiteral("Строка 6, столбец 7: ожидается ';' в конце оператора"));
    // Whole or not at all: with too little room the label draws nothing rather than «С…».
    const auto blank = [message] {
        const QImage shown = message->grab().toImage();
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (shown.pixel(x, y) != shown.pixel(0, 0))
                    return false;
            }
        }
        return true;
    };
    message->setFixedWidth(message->fontMetrics().horizontalAdvance(message->text()) / 2);
    QVERIFY(message->isElided());
    QVERIFY(blank());
    message->setFixedWidth(message->fontMetrics().horizontalAdvance(message->text()) + 4);
    QVERIFY(!message->isElided());
    QVERIFY(!blank());
    message->setMinimumWidth(0);
    message->setMaximumWidth(QWIDGETSIZE_MAX);
    window->editor()->moveCursor(QTextCursor::Start);
    QCOMPARE(message->text(), QString());
    window->editor()->moveCursor(QTextCursor::Down);
    window->editor()->moveCursor(QTextCursor::Down);
    QCOMPARE(message->text(),
             QStringLiteral("Строка 3, столбец 1: строка не является оператором языка"));
    // The marks live beside the text: no undo step, no change to the modified flag; the pane
    // and the compiled program stay as the last compile left them.
    QCOMPARE(document->availableUndoSteps(), undoSteps);
    QVERIFY(!document->isModified());
    QCOMPARE(window->outputPane()->toPlainText(), pane);
    QCOMPARE(window->compiledInstructions().size(), compiled.size());
    QCOMPARE(window->compileErrorFlag(), 0);
}

void TestMainWindow::reportDoubleClickGoesToSourceLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("paneLine");
    QTest::addColumn<int>("sourceLine"); // 0: no jump
    QTest::addColumn<bool>("red");

    const QString lineError = programWithFiller(120, {"xyz;", "Us = 5;"});
    QTest::newRow("error line") << lineError << "error: xyz;" << 122 << true;
    QTest::newRow("echoed line") << lineError << "Us = 5;" << 123 << false;
    QTest::newRow("debug line of its statement")
        << lineError << ">func:1 oper:0 arg1:5 arg3:0 arg3:0 arg4:0" << 123 << false;
    QTest::newRow("heading") << lineError << "Компиляция:" << 0 << false;
    const QString reference = programWithFiller(120, {"jmp #4;", "nop;"});
    QTest::newRow("reference error")
        << reference << "error jmp: ссылка #4 не найдена" << 122 << true;
}

void TestMainWindow::reportDoubleClickGoesToSourceLine()
{
    QFETCH(QString, program);
    QFETCH(QString, paneLine);
    QFETCH(int, sourceLine);
    QFETCH(bool, red);

    window->editor()->setPlainText(program);
    QVERIFY(showActive());
    action("compileAction")->trigger();
    window->editor()->moveCursor(QTextCursor::Start);

    QPlainTextEdit *pane = window->outputPane();
    const int index = paneLines().indexOf(paneLine);
    QVERIFY2(index >= 0, qPrintable(paneLines().join(QLatin1Char('\n'))));
    bool isRed = false;
    for (const QTextEdit::ExtraSelection &s : pane->extraSelections())
        isRed |= s.cursor.blockNumber() == index && s.format.foreground().color() == Qt::red;
    QCOMPARE(isRed, red);
    QCOMPARE(pane->toPlainText().split(QLatin1Char('\n')).at(index), paneLine);

    QTextCursor at(pane->document()->findBlockByNumber(index));
    pane->setTextCursor(at);
    pane->ensureCursorVisible();
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(at).center());
    if (sourceLine == 0) {
        QCOMPARE(cursorLine(), 1);
        return;
    }
    QCOMPARE(cursorLine(), sourceLine);
    QCOMPARE(window->editor()->textCursor().positionInBlock(), 0);
    QVERIFY(lineInView(sourceLine));

    // Anything else in the pane ends the tie: no jump, no red.
    pane->setPlainText(QStringLiteral("Запись данных в устройство"));
    QVERIFY(pane->extraSelections().isEmpty());
    window->editor()->moveCursor(QTextCursor::Start);
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(cursorLine(), 1);
}

void TestMainWindow::nextAndPreviousDiagnosticWrapAround()
{
    // A warning on line 3, errors on lines 5 and 8.
    window->editor()->setPlainText(
        QStringLiteral("prgName = \"N\";\nnop;\nnop; // w\nnop;\nxyz;\nnop;\n\nabc;\nnop;"));
    QVERIFY(showActive());
    QCOMPARE(action("nextErrorAction")->text().remove(QLatin1Char('&')),
             QStringLiteral("Следующая ошибка"));
    QCOMPARE(action("nextErrorAction")->shortcut(), QKeySequence(Qt::Key_F8));
    QCOMPARE(action("previousErrorAction")->text().remove(QLatin1Char('&')),
             QStringLiteral("Предыдущая ошибка"));
    QCOMPARE(action("previousErrorAction")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F8));
    window->editor()->moveCursor(QTextCursor::Start);

    // Straight after the edit, before the pause: the jump checks what is there first.
    QList<int> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(window->editor(), Qt::Key_F8);
        visited << cursorLine();
    }
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(window->editor(), Qt::Key_F8, Qt::ShiftModifier);
        visited << cursorLine();
    }
    QCOMPARE(visited, QList<int>({3, 5, 8, 3, 8, 5, 3}));
}

void TestMainWindow::goToLineAsksAndMoves()
{
    window->editor()->setPlainText(programWithFiller(199));
    QVERIFY(showActive());
    QCOMPARE(action("goToLineAction")->text().remove(QLatin1Char('&')),
             QStringLiteral("Перейти к строке..."));
    dialogs->lineNumbers.enqueue(150);
    QTest::keyClick(window->editor(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("line")});
    QCOMPARE(dialogs->calls.constFirst().text, QStringLiteral("Номер строки (1–200): [1/200]"));
    QCOMPARE(cursorLine(), 150);
    QVERIFY(lineInView(150));

    // Cancelled: the cursor stays.
    QTest::keyClick(window->editor(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(cursorLine(), 150);
}

void TestMainWindow::findForwardAndBackward_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys");      // n: F3, p: Shift+F3, r: Enter
    QTest::addColumn<QList<int>>("starts"); // selection start after each key; -1: not found
    QTest::addColumn<bool>("caseSensitive");

    // Case counts as in the language: "us" on the last line is a match only with the box cleared.
    const QString three = QStringLiteral("Us = 1;\nUo = 2;\nUs = 3;\nus = 4;");
    QTest::newRow("forward wraps") << three << "nnnn" << QList<int>{16, 0, 16, 0} << true;
    QTest::newRow("backward wraps") << three << "ppp" << QList<int>{16, 0, 16} << true;
    QTest::newRow("enter is next, shift+f3 goes back")
        << three << "rrp" << QList<int>{16, 0, 16} << true;
    QTest::newRow("any case forward") << three << "nnnn" << QList<int>{16, 24, 0, 16} << false;
    QTest::newRow("any case backward") << three << "ppp" << QList<int>{24, 16, 0} << false;
    QTest::newRow("absent") << QStringLiteral("Uo = 2;") << "np" << QList<int>{-1, -1} << true;
}

void TestMainWindow::findForwardAndBackward()
{
    QFETCH(QString, text);
    QFETCH(QString, keys);
    QFETCH(QList<int>, starts);
    QFETCH(bool, caseSensitive);

    window->editor()->setPlainText(text);
    QVERIFY(showActive());
    QCOMPARE(action("findAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QTest::keyClick(window->editor(), Qt::Key_F, Qt::ControlModifier);
    auto *field = window->findChild<QLineEdit *>(QStringLiteral("findField"));
    QVERIFY(field);
    QTRY_VERIFY(field->hasFocus());
    auto *caseBox = window->findChild<QCheckBox *>(QStringLiteral("findCaseSensitive"));
    QVERIFY(caseBox->isChecked());
    caseBox->setChecked(caseSensitive);
    field->setFocus();
    // Typed one letter at a time, the match grows in place: "U" then "Us" both stay at 0.
    QTest::keyClicks(field, QStringLiteral("Us"));
    const int first = text.startsWith(QLatin1String("Us")) ? 0 : -1;
    QCOMPARE(window->editor()->textCursor().hasSelection()
                 ? window->editor()->textCursor().selectionStart()
                 : -1,
             first);

    QList<int> found;
    for (const QChar key : keys) {
        if (key == QLatin1Char('n'))
            QTest::keyClick(window->editor(), Qt::Key_F3);
        else if (key == QLatin1Char('p'))
            QTest::keyClick(window->editor(), Qt::Key_F3, Qt::ShiftModifier);
        else
            QTest::keyClick(field, Qt::Key_Return);
        const QTextCursor cursor = window->editor()->textCursor();
        found << (cursor.hasSelection() ? cursor.selectionStart() : -1);
    }
    QCOMPARE(found, starts);

    QWidget *bar = window->findChild<QWidget *>(QStringLiteral("findBar"));
    QVERIFY(bar->isVisible());
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QTRY_VERIFY(window->editor()->hasFocus());
}

void TestMainWindow::replaceAllIsOneUndoStep()
{
    const QString text = QStringLiteral("Us = 1;\nif Us > 2 #1;\nus = 3;\n#1;");
    window->editor()->setPlainText(text);
    QVERIFY(showActive());
    QTest::keyClick(window->editor(), Qt::Key_H, Qt::ControlModifier);
    auto *field = window->findChild<QLineEdit *>(QStringLiteral("findField"));
    auto *replacement = window->findChild<QLineEdit *>(QStringLiteral("replaceField"));
    QVERIFY(replacement && replacement->isVisible());
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("Us"));
    QTest::keyClicks(replacement, QStringLiteral("Uo"));
    // «Заменить» takes the match in view and moves on to the next.
    window->findChild<QPushButton *>(QStringLiteral("replaceButton"))->click();
    QCOMPARE(window->editor()->toPlainText(),
             QStringLiteral("Uo = 1;\nif Us > 2 #1;\nus = 3;\n#1;"));
    QCOMPARE(window->editor()->textCursor().selectionStart(), 11);
    window->editor()->undo();

    auto *all = window->findChild<QPushButton *>(QStringLiteral("replaceAllButton"));
    QCOMPARE(all->text(), QStringLiteral("Заменить все"));
    all->click();
    QCOMPARE(window->editor()->toPlainText(),
             QStringLiteral("Uo = 1;\nif Uo > 2 #1;\nus = 3;\n#1;"));
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Заменено совпадений: 2"));
    window->editor()->undo();
    QCOMPARE(window->editor()->toPlainText(), text);

    // A replacement that holds the text is not replaced again.
    replacement->setText(QStringLiteral("UsUs"));
    all->click();
    QCOMPARE(window->editor()->toPlainText(),
             QStringLiteral("UsUs = 1;\nif UsUs > 2 #1;\nus = 3;\n#1;"));
    // Ctrl+F alone brings back the bar without the replace row.
    QTest::keyClick(window->editor(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!replacement->isVisible());
}

void TestMainWindow::completionFromTheKeyboard_data()
{
    QTest::addColumn<QString>("text");
    // Typed one after the other: <list> is Ctrl+Space, <enter>, <tab>, <down>, <esc> their keys,
    // anything else typed as it stands.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("listOpen");

    QTest::newRow("if from the list")
        << QStringLiteral("#7;\n")
        << QStringList{"<list>",  "i", "<enter>", "T",   "<down>", "<down>",
                       "<enter>", ">", "<enter>", "5 #", "<enter>"}
        << QStringLiteral("#7;\nif T3 > 5 #7;") << false;
    QTest::newRow("two letters open it, tab inserts")
        << QString() << QStringList{"de", "<down>", "<tab>", "100;"}
        << QStringLiteral("delay_s 100;") << false;
    QTest::newRow("esc closes, enter is a new line again")
        << QString() << QStringList{"de", "<esc>", "<enter>"} << QStringLiteral("de\n") << false;
    QTest::newRow("filtered as one types")
        << QString() << QStringList{"Us", " ", "<list>", "+", "<enter>", "T"}
        << QStringLiteral("Us += T") << true;
    QTest::newRow("case counts") << QString() << QStringList{"us"} << QStringLiteral("us") << false;
    QTest::newRow("a blank closes it")
        << QString() << QStringList{"jm", " "} << QStringLiteral("jm ") << false;
}

void TestMainWindow::completionFromTheKeyboard()
{
    QFETCH(QString, text);
    QFETCH(QStringList, keys);
    QFETCH(QString, result);
    QFETCH(bool, listOpen);

    QTextEdit *edit = window->editor();
    edit->setPlainText(text);
    edit->moveCursor(QTextCursor::End);
    QVERIFY(showActive());
    edit->setFocus();
    for (const QString &key : keys) {
        if (key == QLatin1String("<list>"))
            QTest::keyClick(edit, Qt::Key_Space, Qt::ControlModifier);
        else if (key == QLatin1String("<enter>"))
            QTest::keyClick(edit, Qt::Key_Return);
        else if (key == QLatin1String("<tab>"))
            QTest::keyClick(edit, Qt::Key_Tab);
        else if (key == QLatin1String("<down>"))
            QTest::keyClick(edit, Qt::Key_Down);
        else if (key == QLatin1String("<esc>"))
            QTest::keyClick(edit, Qt::Key_Escape);
        else
            QTest::keyClicks(edit, key);
    }
    QCOMPARE(edit->toPlainText(), result);
    auto *popup = window->findChild<CompletionPopup *>();
    QCOMPARE(popup->isVisible(), listOpen);
    QVERIFY(edit->hasFocus());
}

void TestMainWindow::labelsOneKeyAway()
{
    QTextEdit *edit = window->editor();
    QVERIFY(showActive());
    const auto placeAt = [edit](int line, int column) {
        QTextCursor cursor(edit->document()->findBlockByNumber(line));
        cursor.setPosition(cursor.position() + column);
        edit->setTextCursor(cursor);
        return cursor;
    };

    // A jump to a label that is nowhere: F12 stays and says why.
    edit->setPlainText(QStringLiteral("jmp #3;"));
    placeAt(0, 5);
    QTest::keyClick(edit, Qt::Key_F12);
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Метки #3 в программе нет"));
    QCOMPARE(edit->textCursor().position(), 5);

    // The outline follows a text replaced as a whole.
    edit->setPlainText(QStringLiteral("#7;\nnop;\njmp #07;\nif Us > 1 #7 else #9;\n#9;"));
    // F12 on "#07" goes to the label's line, the "#7" there selected.
    placeAt(2, 5);
    QTest::keyClick(edit, Qt::Key_F12);
    QCOMPARE(cursorLine(), 1);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("#7"));

    // Shift+F12 on the label lists the lines that lead there; each entry goes to its line.
    QTest::keyClick(edit, Qt::Key_F12, Qt::ShiftModifier);
    auto *menu = window->findChild<QMenu *>(QStringLiteral("labelReferencesMenu"));
    QVERIFY(menu);
    QStringList entries;
    for (QAction *entry : menu->actions())
        entries << entry->text();
    QCOMPARE(entries, (QStringList{QStringLiteral("Строка 3: jmp #07;"),
                                   QStringLiteral("Строка 4: if Us > 1 #7 else #9;")}));
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(cursorLine(), 4);

    // Ctrl+click on "#9" of the else goes to label 9.
    const QRect nine = edit->cursorRect(placeAt(3, 19));
    placeAt(0, 0);
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, Qt::ControlModifier, nine.center());
    QCOMPARE(cursorLine(), 5);

    // The mouse resting on a reference says where its label is.
    QHelpEvent hover(QEvent::ToolTip, edit->cursorRect(placeAt(2, 5)).center(),
                     edit->viewport()->mapToGlobal(edit->cursorRect().center()));
    QApplication::sendEvent(edit->viewport(), &hover);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("метка #7, строка 1"));
    QToolTip::hideText();
}

void TestMainWindow::renameLabelInOneUndoStep()
{
    QTextEdit *edit = window->editor();
    const QString text = QStringLiteral("#5;\njmp #05;\nif Us > 1 #5 else #6;\n#6;\n// jmp #5;");
    edit->setPlainText(text);
    QVERIFY(showActive());
    QTextCursor cursor(edit->document()->findBlockByNumber(1));
    cursor.setPosition(cursor.position() + 5);
    edit->setTextCursor(cursor);

    dialogs->labelNumbers.enqueue(12);
    QTest::keyClick(edit, Qt::Key_F2);
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("label")});
    QCOMPARE(dialogs->calls.constLast().text, QStringLiteral("Новый номер метки #5 (0–99): [5]"));
    QCOMPARE(edit->toPlainText(),
             QStringLiteral("#12;\njmp #12;\nif Us > 1 #12 else #6;\n#6;\n// jmp #5;"));
    edit->undo();
    QCOMPARE(edit->toPlainText(), text);

    // A number in use is refused with its reason, and the text stays.
    dialogs->labelNumbers.enqueue(6);
    QTest::keyClick(edit, Qt::Key_F2);
    QCOMPARE(dialogs->calls.constLast().kind, QStringLiteral("warning"));
    QCOMPARE(dialogs->calls.constLast().text, QStringLiteral("Метку #5 нельзя переименовать в #6"));
    QCOMPARE(dialogs->calls.constLast().detail,
             QStringLiteral("метка #6 уже есть в строке 4: выберите другой номер"));
    QCOMPARE(edit->toPlainText(), text);
}

void TestMainWindow::pasteTakesPlainTextOnly()
{
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<table><tr><td><span style=\"font-family:serif; "
                                 "font-size:20pt\">Us = 5;</span></td></tr></table>"));
    mime->setText(QStringLiteral("Us = 5;"));
    QApplication::clipboard()->setMimeData(mime);

    QTextEdit *edit = window->editor();
    edit->moveCursor(QTextCursor::End);
    edit->paste();
    QCOMPARE(edit->toPlainText(), QStringLiteral("prgName = \"Prg1\";\nUs = 5;"));
    QVERIFY(edit->document()->rootFrame()->childFrames().isEmpty());
    QTextCursor pasted(edit->document()->lastBlock());
    pasted.movePosition(QTextCursor::Right);
    QCOMPARE(pasted.charFormat().fontPointSize(), 0.0);
    QVERIFY(edit->document()->lastBlock().textFormats().size() == 1);
    QVERIFY(!edit->toHtml().contains(QLatin1String("serif")));
}

void TestMainWindow::splitIsRemembered()
{
    QVERIFY(showActive());
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("splitter"));
    QVERIFY(splitter);
    const int paneBefore = window->outputPane()->height();
    QVERIFY(paneBefore > 0);

    // The pane stays at its cap while the window grows, and gives way first as it shrinks.
    QCOMPARE(window->outputPane()->maximumHeight(), 120);
    window->resize(450, 900);
    QCoreApplication::processEvents();
    QCOMPARE(window->outputPane()->height(), paneBefore);
    window->resize(450, 600);
    QCoreApplication::processEvents();

    dragSplit(splitter, -100);
    const int paneAfter = window->outputPane()->height();
    QCOMPARE(paneAfter, paneBefore + 100);
    QCOMPARE(window->outputPane()->maximumHeight(), QWIDGETSIZE_MAX);
    window->resize(450, 400);
    QCoreApplication::processEvents();
    QVERIFY2(window->outputPane()->height() <= splitter->height() / 2,
             qPrintable(QString::number(window->outputPane()->height())));
    window->resize(450, 600);
    QCoreApplication::processEvents();
    QCOMPARE(window->outputPane()->height(), paneAfter);

    // A new window, as after a restart, with the settings the first one left.
    closeWindow();
    openWindow();
    QVERIFY(showActive());
    QCOMPARE(window->outputPane()->height(), paneAfter);
    QCOMPARE(window->outputPane()->maximumHeight(), QWIDGETSIZE_MAX);
}

// «Прогон программы»: one step line per assigned operand, the starting values it reads, a click
// on a step going to its line, and a text that stops compiling.
void TestMainWindow::programRunDockDrawsAndFollowsText()
{
    window->editor()->setPlainText(
        QStringLiteral("prgName = \"Ramp\";\nUs = Uo;\n#1;\nUs += 100;\ndelay_ms 500;\n"
                       "if Us < 300 #1;\ndelay_ms 500;\nUs = 0;\nOut = -1;"));
    QVERIFY(showActive());
    auto *dock = window->findChild<ProgramRunDock *>(QStringLiteral("programRunDock"));
    QVERIFY(dock);
    QVERIFY(!dock->isVisible());
    action("runAction")->trigger();
    QVERIFY(dock->isVisible());
    QCOMPARE(dock->windowTitle(), QStringLiteral("Прогон"));
    auto *status = dock->findChild<QLabel *>(QStringLiteral("programRunStatus"));
    QVERIFY(status);
    QTRY_COMPARE(status->text(), QStringLiteral("программа завершилась за 2 с"));
    auto *view = dock->findChild<LaneChart *>(QStringLiteral("programRunChart"));
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QStringList names;
    for (int lane = 0; lane < view->laneCount(); ++lane)
        names << view->laneName(lane);
    QCOMPARE(names, QStringList({QStringLiteral("Us"), QStringLiteral("Out")}));
    QCOMPARE(dock->findChild<QLabel *>(QStringLiteral("programRunNote"))->text(),
             QStringLiteral("Модель программы: значения операндов по тексту программы, без "
                            "поведения прибора"));
    auto *starts = dock->findChild<QTableWidget *>(QStringLiteral("programRunStartValues"));
    QVERIFY(starts);
    QCOMPARE(starts->rowCount(), 1);
    QCOMPARE(starts->item(0, 0)->text(), QStringLiteral("Uo"));

    // Us holds 300 from 1 s to 2 s, set on line 4, then drops to 0 on line 8.
    QTRY_VERIFY(view->plotRect(0).width() > 0);
    const auto clickAt = [&](const QPointF &value) {
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier,
                          view->pointOf(0, value.x() * 1000, value.y()));
    };
    window->editor()->moveCursor(QTextCursor::Start);
    clickAt(QPointF(1.5, 300));
    QCOMPARE(cursorLine(), 4);
    clickAt(QPointF(2.0, 150));
    QCOMPARE(cursorLine(), 8);

    // The wheel zooms time at the pointer, a drag pans without going to a line, a double-click
    // shows all again.
    const auto send = [&](QEvent::Type type, const QPoint &at, Qt::MouseButton button,
                          Qt::MouseButtons held) {
        QMouseEvent event(type, at, view->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    const QPoint at = view->pointOf(0, 1500, 200);
    QWheelEvent wheel(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QVERIFY(!view->isFollowing());
    QCOMPARE(qRound(view->visibleToMs() - view->visibleFromMs()), 1280);
    QVERIFY(qAbs(view->timeAt(at.x()) - 1500) < 10);
    const double from = view->visibleFromMs();
    const double perPixel = 1280.0 / view->plotRect(0).width();
    window->editor()->moveCursor(QTextCursor::Start);
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at + QPoint(40, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at + QPoint(40, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(qAbs(view->visibleFromMs() - (from - 40 * perPixel)) < 1e-6);
    QCOMPARE(cursorLine(), 1);
    send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(view->isFollowing());
    QCOMPARE(view->visibleFromMs(), 0.0);
    QCOMPARE(view->visibleToMs(), 2000.0);

    // Two cursors, each put near a change sitting on it: their times, each lane's values and
    // the differences.
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier,
                      view->pointOf(0, 500, 0) + QPoint(3, 0));
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier,
                      view->pointOf(0, 2000, 0) - QPoint(2, 0));
    QCOMPARE(view->cursorText(), QStringLiteral("A: 500 мс   B: 2 с   B−A: 1,5 с"));
    QCOMPARE(view->laneCursorText(0), QStringLiteral("200 → 0 (Δ −200)"));
    QCOMPARE(view->laneCursorText(1), QStringLiteral("0 → −1 (Δ −1)"));
    // A third right click, far from any change, moves the nearer cursor there.
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, view->pointOf(0, 1750, 0));
    QCOMPARE(*view->cursorAt(LaneChart::CursorA), 500.0);
    QVERIFY(qAbs(*view->cursorAt(LaneChart::CursorB) - 1750) <= 2000.0 / view->plotRect(0).width());
    QCOMPARE(view->laneCursorText(0), QStringLiteral("200 → 300 (Δ 100)"));

    // The tip comes when the pointer rests and stays while it does.
    const QPoint rest = view->pointOf(0, 1200, 250);
    send(QEvent::MouseMove, rest, Qt::NoButton, Qt::NoButton);
    const QString tip = QStringLiteral("Us = 300\nвремя 1 с\nстрока 4");
    QTRY_COMPARE(view->tipText(), tip);
    QTest::qWait(1500);
    QCOMPARE(view->tipText(), tip);
    send(QEvent::MouseMove, rest + QPoint(30, 0), Qt::NoButton, Qt::NoButton);
    QVERIFY(view->tipText().isEmpty());

    // A starting value read by the program changes the run.
    starts->item(0, 1)->setText(QStringLiteral("150"));
    QTRY_COMPARE(status->text(), QStringLiteral("программа завершилась за 1,5 с"));
    QCOMPARE(dock->outcome().trace.constFirst().value, 150);

    // Typing that breaks the program shows the message once typing pauses.
    window->editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(window->editor(), Qt::Key_Return);
    QTest::keyClicks(window->editor(), QStringLiteral("xyz"));
    auto *message = dock->findChild<QLabel *>(QStringLiteral("programRunNotCompiling"));
    QVERIFY(message);
    QTRY_VERIFY(message->isVisible());
    QCOMPARE(message->text(), QStringLiteral("Программа не компилируется"));
    QVERIFY(!view->isVisible());
}

// 20,000 steps on a chart a few hundred pixels wide: the line keeps per pixel column no more than
// four of them, and the lowest and highest; «Экспорт CSV...» still writes every row.
void TestMainWindow::programRunThinsTheDrawingNotTheExport()
{
    window->editor()->setPlainText(QStringLiteral(
        "M1 = 0;\n#1;\nM1 += 1;\ndelay_ms 1;\nif M1 < 20000 #1;\nM1 = -5;\ndelay_ms 1;"));
    QVERIFY(showActive());
    auto *dock = window->findChild<ProgramRunDock *>(QStringLiteral("programRunDock"));
    QVERIFY(dock);
    action("runAction")->trigger();
    auto *status = dock->findChild<QLabel *>(QStringLiteral("programRunStatus"));
    QTRY_COMPARE(status->text(), QStringLiteral("программа завершилась за 20,001 с"));
    QCOMPARE(dock->outcome().trace.size(), 20002);

    const QVector<QPointF> drawn = dock->chart()->drawnPoints(0);
    const int points = drawn.size();
    const int columns = dock->chart()->plotRect(0).width();
    QVERIFY(columns > 0);
    QVERIFY2(points <= 2 * 4 * columns + 2, qPrintable(QString::number(points)));
    QVERIFY(points > 2 * columns);
    double low = 0;
    double high = 0;
    for (const QPointF &p : drawn) {
        low = qMin(low, p.y());
        high = qMax(high, p.y());
    }
    QCOMPARE(low, -5.0);
    QCOMPARE(high, 20000.0);
    // Zoomed to 100 ms, every step on show is drawn again, from the value in force at its left.
    dock->chart()->setVisibleRange(10000.5, 10100.5);
    const QVector<QPointF> close = dock->chart()->drawnPoints(0);
    QCOMPARE(close.size(), 2 + 2 * 100);
    QCOMPARE(close.constFirst(), QPointF(10000.5, 10001));
    QCOMPARE(close.at(1), QPointF(10001, 10001));
    QCOMPARE(close.at(2), QPointF(10001, 10002));
    QCOMPARE(close.constLast(), QPointF(10100.5, 10101));

    // Names typed without a suffix: each dialog adds its own type's, never the program's.
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    const QString png = dir.filePath(QStringLiteral("run.png"));
    dialogs->fileNames << dir.filePath(QStringLiteral("run"))
                       << dir.filePath(QStringLiteral("run"));
    dock->findChild<QPushButton *>(QStringLiteral("programRunExportCsv"))->click();
    dock->findChild<QPushButton *>(QStringLiteral("programRunSaveImage"))->click();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = file.readAll().split('\n');
    QCOMPARE(rows.size(), 1 + 20002 + 1);
    QCOMPARE(rows.at(0), QByteArray("time_ms,line,operand,value"));
    QCOMPARE(rows.at(1), QByteArray("0,1,M1,0"));
    QCOMPARE(rows.at(20001), QByteArray("19999,3,M1,20000"));
    QCOMPARE(rows.at(20002), QByteArray("20000,6,M1,-5"));
    QVERIFY(rows.constLast().isEmpty());
    QImage image;
    QVERIFY(image.load(png, "PNG"));
    QCOMPARE(image.size(), dock->chart()->size());
    QCOMPARE(dialogs->kinds(), QStringList({QStringLiteral("save"), QStringLiteral("save")}));
    QCOMPARE(dialogs->calls.at(0).detail, QStringLiteral("csv"));
    QCOMPARE(dialogs->calls.at(1).detail, QStringLiteral("png"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("run.prgb"))));
}

// «Пределы операндов…»: cells that cannot stand keep the dialog open, the file form comes in and
// goes out, and once taken the limits mark the editor, the run, and the next start.
void TestMainWindow::operandLimitsEditedMarkedAndKept()
{
    const QString program = QStringLiteral("prgName = \"L\";\nUs = 30000;\n#1;\nIs += 100;\n"
                                           "delay_ms 500;\nif Is < 1000 #1;");
    window->editor()->setPlainText(program);
    QVERIFY(showActive());
    action("limitsAction")->trigger();
    auto *dialog = window->findChild<LimitsDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QTableWidget *table = dialog->table();
    QCOMPARE(table->rowCount(), 19);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Us"));
    QCOMPARE(table->item(18, 0)->text(), QStringLiteral("Blk"));

    // A cell that is no 32-bit number, or a minimum over the maximum, keeps the dialog open.
    table->item(0, 2)->setText(QStringLiteral("3e3"));
    dialog->accept();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->problem(),
             QStringLiteral("Us: «3e3» не целое число от -2147483648 до 2147483647"));
    QCOMPARE(table->currentRow(), 0);
    QCOMPARE(table->currentColumn(), 2);
    table->item(0, 1)->setText(QStringLiteral("3000"));
    table->item(0, 2)->setText(QStringLiteral("0"));
    dialog->accept();
    QCOMPARE(dialog->problem(), QStringLiteral("Us: минимум 3000 больше максимума 0"));
    QVERIFY(window->operandLimits().isEmpty());

    // A file with a bad rule changes nothing and says where; a good one fills the table.
    QTemporaryDir files;
    const QString bad = files.filePath(QStringLiteral("bad.limits"));
    const QString good = files.filePath(QStringLiteral("bench.limits"));
    for (const auto &file : {qMakePair(bad, QByteArray("Us 0..3000\nUs ..1\n")),
                             qMakePair(good, QByteArray("// bench\nIs ..500\nUs 0..3000\n"))}) {
        QFile out(file.first);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.second);
    }
    dialogs->fileNames.enqueue(bad);
    dialog->findChild<QPushButton *>(QStringLiteral("importButton"))->click();
    QCOMPARE(dialogs->calls.constLast().kind, QStringLiteral("warning"));
    QCOMPARE(dialogs->calls.constLast().detail,
             QStringLiteral("bad.limits:2: error: второе правило для Us (первое в строке 1)"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3000"));
    dialogs->fileNames.enqueue(good);
    dialog->findChild<QPushButton *>(QStringLiteral("importButton"))->click();
    QCOMPARE(dialogs->calls.constLast().filter, LimitsDialog::fileFilter());
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("0"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("3000"));
    QCOMPARE(table->item(2, 1)->text(), QString());
    QCOMPARE(table->item(2, 2)->text(), QStringLiteral("500"));
    const QString exported = files.filePath(QStringLiteral("out.limits"));
    dialogs->fileNames.enqueue(exported);
    dialog->findChild<QPushButton *>(QStringLiteral("exportButton"))->click();
    QFile written(exported);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("Us 0..3000\nIs ..500\n"));
    dialog->accept();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(window->operandLimits().toText(), QStringLiteral("Us 0..3000\nIs ..500\n"));

    // The constant beyond them is a warning at its column; the compile's report is unchanged.
    QTRY_COMPARE(diagnosticCounts(), QStringLiteral("0 1"));
    QStringList waves;
    for (const QTextEdit::ExtraSelection &s : window->editor()->extraSelections()) {
        if (s.format.underlineStyle() == QTextCharFormat::WaveUnderline) {
            waves << QStringLiteral("%1:%2 %3")
                         .arg(s.cursor.block().blockNumber() + 1)
                         .arg(s.cursor.selectionStart() - s.cursor.block().position() + 1)
                         .arg(s.format.underlineColor().name());
        }
    }
    QCOMPARE(waves, QStringList{QStringLiteral("2:6 #ff8c00")});
    window->editor()->setTextCursor(
        QTextCursor(window->editor()->document()->findBlockByNumber(1)));
    QCOMPARE(
        window->statusBar()->findChild<QLabel *>(QStringLiteral("diagnosticMessageLabel"))->text(),
        QStringLiteral("Строка 2, столбец 6: Us = 30000 выше предела 3000"));
    action("compileAction")->trigger();
    QCOMPARE(paneLines().constLast(), QStringLiteral("OK: 5/100"));

    // «Прогон» draws both ranges of Us and the one of Is, marks where each is left, and names
    // the first in its status, one click from its line.
    action("runAction")->trigger();
    auto *dock = window->findChild<ProgramRunDock *>(QStringLiteral("programRunDock"));
    QVERIFY(dock);
    auto *status = dock->findChild<QLabel *>(QStringLiteral("programRunStatus"));
    QTRY_VERIFY(status->text().contains(
        QStringLiteral("выходит за пределы: Us = 30000 в строке 2 через 0 мс")));
    QVERIFY(status->text().startsWith(QStringLiteral("программа завершилась за 5 с; ")));
    // Each operand's own lane carries its ranges and its marks.
    LaneChart *chart = dock->chart();
    const auto lanes = [chart] {
        QStringList shown;
        for (int lane = 0; lane < chart->laneCount(); ++lane) {
            if (!chart->isLaneVisible(lane))
                continue;
            QStringList levels;
            for (int level = 0; level < chart->levelCount(lane); ++level)
                levels << QString::number(chart->levelValue(lane, level));
            shown << QStringLiteral("%1 [%2] %3")
                         .arg(chart->laneName(lane), levels.join(QLatin1Char(' ')))
                         .arg(chart->markCount(lane));
        }
        return shown;
    };
    QCOMPARE(lanes(), QStringList({QStringLiteral("Us [0 3000] 1"), QStringLiteral("Is [500] 1")}));
    // A click on the name hides an operand with its ranges; the other lane takes the room.
    QTRY_VERIFY(chart->height() >= chart->minimumSizeHint().height());
    const int isHeight = chart->plotRect(1).height();
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, chart->nameRect(0).center());
    QCOMPARE(lanes(), QStringList({QStringLiteral("Is [500] 1")}));
    QVERIFY(chart->plotRect(0).isEmpty());
    QVERIFY2(chart->plotRect(1).height() > isHeight * 3 / 2,
             qPrintable(QStringLiteral("%1 -> %2").arg(isHeight).arg(chart->plotRect(1).height())));
    // The mark where Is first leaves its range leads to the line behind it.
    window->editor()->moveCursor(QTextCursor::End);
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, chart->pointOf(1, 2500, 600));
    QCOMPARE(cursorLine(), 4);
    window->editor()->moveCursor(QTextCursor::Start);
    emit status->linkActivated(QStringLiteral("2"));
    QCOMPARE(cursorLine(), 2);

    // The next start finds them in the settings.
    ScriptedDialogs *otherDialogs = nullptr;
    {
        std::unique_ptr<MainWindow> next = makeWindow(otherDialogs);
        QCOMPARE(next->operandLimits(), window->operandLimits());
    }

    // Cleared, nothing is checked anywhere and nothing is kept.
    QVERIFY(setLimits(QString()));
    QTRY_COMPARE(diagnosticCounts(), QStringLiteral("0 0"));
    QVERIFY(!QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brisca"),
                       QStringLiteral("KV2050RB1"))
                 .contains(QStringLiteral("device/operandLimits")));
    QTRY_VERIFY(!status->text().contains(QStringLiteral("пределы")));

    // The real question: Enter and Escape both keep the program off the supply.
    UserDialogs real;
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QTimer::singleShot(0, [key] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            QTest::keyClick(QApplication::activeModalWidget(), key);
        });
        QVERIFY(!real.askWriteBeyondLimits(window, QStringLiteral("Пределы"), QStringLiteral("?")));
    }
    QTimer::singleShot(0, [] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        for (QPushButton *button :
             QApplication::activeModalWidget()->findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("Записать"))
                button->click();
        }
    });
    QVERIFY(real.askWriteBeyondLimits(window, QStringLiteral("Пределы"), QStringLiteral("?")));
}

// The chart fed live, as a monitor feeds it: a steady value costs no memory, a busy one stays
// within the limit, the view follows the newest samples in its window until the user zooms, and
// a failed sample is a gap, not a value.
void TestMainWindow::laneChartFollowsLiveSamplesInBoundedMemory()
{
    LaneChart chart;
    chart.resize(420, 300);
    const int steady = chart.addLane(QStringLiteral("01.0"), QStringLiteral("V"));
    const int busy = chart.addLane(QStringLiteral("10.1"));
    QCOMPARE(chart.laneOf(QStringLiteral("10.1")), busy);
    chart.setTimeWindowMs(30000);
    chart.setSampleLimit(100);
    QSignalSpy clicks(&chart, &LaneChart::stepClicked);
    for (int i = 0; i < 10; ++i) {
        chart.appendSample(steady, i * 100, 5);
        chart.appendSample(busy, i * 100, i % 2);
    }
    // Short of a window's worth, the data grows into the window from the left.
    QCOMPARE(chart.visibleFromMs(), 0.0);
    QCOMPARE(chart.visibleToMs(), 30000.0);
    for (int i = 10; i < 1000; ++i) {
        chart.appendSample(steady, i * 100, 5);
        chart.appendSample(busy, i * 100, i % 2);
    }
    QCOMPARE(chart.steps(steady).size(), 1);
    QCOMPARE(chart.endMs(), qint64(99900));
    QVERIFY2(chart.steps(busy).size() <= 100,
             qPrintable(QString::number(chart.steps(busy).size())));
    QCOMPARE(chart.steps(busy).constLast().timeMs, qint64(99900));
    QCOMPARE(chart.visibleFromMs(), 99900.0 - 30000);
    QCOMPARE(chart.visibleToMs(), 99900.0);
    QCOMPARE(*chart.valueAt(busy, 99850), 0.0);
    QCOMPARE(*chart.valueAt(steady, 99900), 5.0);

    // Zoomed by the user, the view stays put; «Весь график» follows again.
    chart.zoomAt(80000, 2);
    QVERIFY(!chart.isFollowing());
    const double from = chart.visibleFromMs();
    chart.appendSample(busy, 100000, 1);
    QCOMPARE(chart.visibleFromMs(), from);
    chart.findChild<QToolButton *>(QStringLiteral("laneChartShowAll"))->click();
    QVERIFY(chart.isFollowing());
    QCOMPARE(chart.visibleToMs(), 100000.0);

    // A failed poll: nothing known until the next answer, and no line drawn through it.
    chart.appendSample(steady, 100100, qQNaN());
    chart.appendSample(steady, 100300, 7);
    QVERIFY(!chart.valueAt(steady, 100200));
    QCOMPARE(*chart.valueAt(steady, 100300), 7.0);
    const QVector<QPointF> drawn = chart.drawnPoints(steady);
    QVERIFY(
        std::any_of(drawn.cbegin(), drawn.cend(), [](const QPointF &p) { return qIsNaN(p.y()); }));
    QCOMPARE(chart.laneCursorText(steady), QString());
    chart.setCursorAt(LaneChart::CursorA, 100200);
    chart.setCursorAt(LaneChart::CursorB, 100300);
    QCOMPARE(chart.laneCursorText(steady), QStringLiteral("нет → 7 V"));

    // A click on a lane names the lane, the step in force and the time.
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, chart.pointOf(busy, 99950, 0.5));
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), busy);
    QCOMPARE(chart.steps(busy).at(clicks.at(0).at(1).toInt()).timeMs, qint64(99900));
    QVERIFY(qAbs(clicks.at(0).at(2).toDouble() - 99950) < 70000.0 / chart.plotRect(busy).width());
}

QTEST_MAIN(TestMainWindow)
void TestMainWindow::exchangeLogOpensBoundedAndSaves()
{
    QVERIFY(showActive());
    auto *dock = window->findChild<ExchangeLogDock *>(QStringLiteral("exchangeLogDock"));
    QVERIFY(dock);
    QVERIFY(!dock->isVisible());
    QCOMPARE(action("exchangeLogAction")->text(), QStringLiteral("&Журнал обмена"));
    QVERIFY(window->findChild<QMenu *>(QStringLiteral("menuDevice"))
                ->actions()
                .contains(action("exchangeLogAction")));
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
    QTRY_VERIFY(dock->isVisible());

    // More than the log keeps: the oldest go.
    ExchangeLogModel *model = dock->model();
    const auto discarded = [](int chars) {
        return ExchangeEvent::now(ExchangeEvent::Kind::Discarded, {}, chars);
    };
    constexpr int Extra = 50;
    for (int i = 0; i < ExchangeLogModel::MaxEntries + Extra; ++i) {
        dock->observer()->exchangeEvent(discarded(i));
    }
    QTRY_COMPARE(model->rowCount(), ExchangeLogModel::MaxEntries);
    const auto row = [model](int at) { return model->index(at).data().toString().mid(13); };
    QCOMPARE(row(0), QStringLiteral("! отброшено символов на входе: %1").arg(Extra));
    QCOMPARE(row(ExchangeLogModel::MaxEntries - 1),
             QStringLiteral("! отброшено символов на входе: %1")
                 .arg(ExchangeLogModel::MaxEntries + Extra - 1));

    // «Сохранить журнал...»: one text line per entry, as shown.
    // Typed without a suffix, the name gets the text file's.
    const QString path = QDir(settingsPath()).filePath(QStringLiteral("exchange.txt"));
    dialogs->fileNames.enqueue(QDir(settingsPath()).filePath(QStringLiteral("exchange")));
    dock->findChild<QPushButton *>(QStringLiteral("saveLogButton"))->click();
    QCOMPARE(dialogs->calls.constLast().detail, QStringLiteral("txt"));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList savedLines =
        QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(savedLines.size(), ExchangeLogModel::MaxEntries);
    QCOMPARE(savedLines.first().mid(13), row(0));

    dock->findChild<QPushButton *>(QStringLiteral("clearLogButton"))->click();
    QCOMPARE(model->rowCount(), 0);

    // Hidden, the log keeps what comes without showing it; opened again, it shows it.
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
    QTRY_VERIFY(!dock->isVisible());
    for (int i = 0; i < 3; ++i) {
        dock->observer()->exchangeEvent(discarded(i));
    }
    QTest::qWait(ExchangeLogModel::FlushMs * 2);
    QCOMPARE(model->rowCount(), 0);
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
    QTRY_COMPARE(model->rowCount(), 3);
}

#include "tst_mainwindow.moc"

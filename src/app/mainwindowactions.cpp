// The window's actions: one table of every command with its texts, icon, keys and slot, and where
// it goes (menus, toolbars, the window itself).

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "codeassist.h"
#include "devicecontrols.h"
#include "editoraids.h"
#include "exchangelogdock.h"
#include "languagehelp.h"
#include "languagemenu.h"
#include "programdocument.h"
#include "registerdock.h"
#include "settingskeys.h"
#include "supplycellsdock.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolBar>

namespace {

constexpr int ToolbarIconSize = 32;

QList<QKeySequence> keys(const QString &text)
{
    return {QKeySequence(text)};
}

// A dock's key shows it in front of its tab neighbours, or hides it when it is in front.
void toggleDock(QDockWidget *dock)
{
    if (dock->isVisible()) {
        dock->hide();
        return;
    }
    dock->show();
    dock->raise();
}

} // namespace

void MainWindow::createActions()
{
    auto *programToolBar = new QToolBar(this);
    // saveState() finds toolbars by name.
    programToolBar->setObjectName(QStringLiteral("programToolBar"));
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, programToolBar);
    ui->mainToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));
    programToolBar->setIconSize(QSize(ToolbarIconSize, ToolbarIconSize));

    auto *recentFilesMenu = new QMenu(tr("&Недавние файлы"), this);
    recentFilesMenu->setObjectName(QStringLiteral("menuRecentFiles"));

    // Where each row goes: the window itself holds actions whose shortcut works without a menu.
    QWidget *const bar = ui->mainToolBar;
    QWidget *const programBar = programToolBar;
    QWidget *const file = ui->menuFile;
    QWidget *const edit = ui->menuEdit;
    QWidget *const program = ui->menuProgram;
    QWidget *const device = ui->menuDevice;
    QWidget *const help = ui->menuHelp;
    QWidget *const window = this;
    QTextEdit *const editor = ui->textEdit;
    QMenuBar *const menus = menuBar();
    const auto standard = [](QKeySequence::StandardKey key) {
        return QKeySequence::keyBindings(key);
    };
    using Row = ActionTable::Row;
    // clang-format off
    actions.build(this, {
        Row("newAction", tr("Со&здать файл"), tr("Создать файл"), "Actions-document-new-icon.png",
            keys(tr("Ctrl+N")), [this] { NewFile(); }, {file, programBar}),
        Row("openAction", tr("&Открыть файл"), tr("Открыть файл"), "open.png",
            keys(tr("Ctrl+O")), [this] { OpenFile(); }, {file, programBar}),
        ActionTable::submenu(recentFilesMenu, {file}),
        ActionTable::separator({file}),
        Row("saveAction", tr("&Сохранить файл"), tr("Сохранить файл"), "save.png",
            keys(tr("Ctrl+S")), [this] { SaveFile(); }, {file, programBar}),
        Row("saveAsAction", tr("Сохранить &как ..."), tr("Сохранить как ..."), "SaveAs2.png",
            keys(tr("Ctrl+Shift+S")), [this] { SaveAsFile(); }, {file, programBar}),
        ActionTable::separator({file, programBar}),
        Row("quitAction", tr("&Выход"), tr("Закрыть программу"), nullptr,
            keys(tr("Ctrl+Q")), [this] { close(); }, {file}),

        // The editing commands act on the program editor; its own keys do the same.
        Row("undoAction", tr("&Отменить"), QString(), nullptr,
            standard(QKeySequence::Undo), [editor] { editor->undo(); }, {edit}),
        Row("redoAction", tr("&Повторить"), QString(), nullptr,
            standard(QKeySequence::Redo), [editor] { editor->redo(); }, {edit}),
        ActionTable::separator({edit}),
        Row("cutAction", tr("Вы&резать"), QString(), nullptr,
            standard(QKeySequence::Cut), [editor] { editor->cut(); }, {edit}),
        Row("copyAction", tr("&Копировать"), QString(), nullptr,
            standard(QKeySequence::Copy), [editor] { editor->copy(); }, {edit}),
        Row("pasteAction", tr("Вст&авить"), QString(), nullptr,
            standard(QKeySequence::Paste), [editor] { editor->paste(); }, {edit}),
        ActionTable::separator({edit}),
        Row("selectAllAction", tr("Выделить &все"), QString(), nullptr,
            standard(QKeySequence::SelectAll), [editor] { editor->selectAll(); }, {edit}),
        ActionTable::separator({edit}),
        Row("findAction", tr("&Найти..."), tr("Найти..."), nullptr,
            keys(tr("Ctrl+F")), [this] { editorAids->openFindBar(); }, {window, edit}),
        Row("replaceAction", tr("&Заменить..."), tr("Найти и заменить"), nullptr,
            keys(tr("Ctrl+H")), [this] { editorAids->openReplaceBar(); }, {window, edit}),
        Row("goToLineAction", tr("Перейти к &строке..."), tr("Перейти к строке..."), nullptr,
            keys(tr("Ctrl+G")), [this] { editorAids->askGoToLine(); }, {window, edit}),
        ActionTable::separator({edit}),
        Row("completeAction", tr("&Дополнить"), tr("Что может стоять у курсора"), nullptr,
            keys(tr("Ctrl+Space")), [this] { editorAids->codeAssist()->complete(); }, {window, edit}),
        Row("goToLabelAction", tr("Перейти к &метке"), tr("Перейти к метке, на которую ведет #n"), nullptr,
            keys(tr("F12")), [this] { editorAids->codeAssist()->goToLabel(); }, {window, edit}),
        Row("labelReferencesAction", tr("Ссы&лки на метку"), tr("Строки, которые ведут на метку"), nullptr,
            keys(tr("Shift+F12")), [this] { editorAids->codeAssist()->showLabelReferences(); }, {window, edit}),
        Row("renameLabelAction", tr("Переименовать ме&тку..."), tr("Новый номер метки и всех ссылок на нее"), nullptr,
            keys(tr("F2")), [this] { editorAids->codeAssist()->renameLabel(); }, {window, edit}),

        Row("compileAction", tr("&Скомпилировать"), tr("Скомпилировать"), "root-terminal.png",
            keys(tr("F7")), [this] { checkText(); }, {program, programBar}),
        Row("runAction", tr("Про&гон программы"), tr("Выполнить программу на ее операндах и показать график"),
            nullptr, keys(tr("Ctrl+R")), [this] { showProgramRun(); }, {program}),
        ActionTable::separator({program}),
        Row("nextErrorAction", tr("Следующая о&шибка"), tr("Следующая ошибка"), nullptr,
            keys(tr("F8")), [this] { editorAids->goToDiagnostic(true); }, {window, program}),
        Row("previousErrorAction", tr("&Предыдущая ошибка"), tr("Предыдущая ошибка"), nullptr,
            keys(tr("Shift+F8")), [this] { editorAids->goToDiagnostic(false); }, {window, program}),

        Row("connectAction", tr("&Подключить"), tr("Подключить прибор"), "connect.png",
            keys(tr("F5")), [this] { OpenPort(); }, {device, bar}),
        Row("disconnectAction", tr("&Отключить"), tr("Отключить прибор"), "disconnect.png",
            keys(tr("Shift+F5")), [this] { ClosePort(); }, {device, bar}),
        ActionTable::separator({device, bar}),
        ActionTable::widget(controls->portLabel(), {bar}),
        ActionTable::widget(controls->portBox(), {bar}),
        ActionTable::separator({bar}),
        ActionTable::widget(controls->slaveIdLabel(), {bar}),
        ActionTable::widget(controls->slaveIdBox(), {bar}),
        Row("writeAction", tr("&Записать в прибор"), tr("Записать в прибор"), "receive.png",
            keys(tr("F6")), [this] { SaveLineToDevice(); }, {device, programBar}),
        Row("readAction", tr("С&читать из прибора"), tr("Считать из прибора"), "outbox.png",
            keys(tr("F9")), [this] { ReadLineFromDevice(); }, {device, programBar}),
        ActionTable::separator({programBar}),
        ActionTable::widget(controls->cellLabel(), {programBar}),
        ActionTable::widget(controls->cellBox(), {programBar}),
        Row("compareAction", tr("С&равнить с прибором"), tr("Сравнить программу в редакторе с ячейкой прибора"),
            "outbox.png", keys(tr("Shift+F9")), [this] { CompareWithDevice(); }, {device}),
        Row("verifyAction", tr("Про&верять после записи"), tr("После записи считать ячейку и сравнить с записанным"),
            nullptr, {}, nullptr, {device}).checkable(),
        Row("findSuppliesAction", tr("&Найти приборы…"), tr("Опросить адреса порта и показать приборы и их ячейки"),
            nullptr, {}, [this] { openScanDialog(); }, {device}),
        Row("limitsAction", tr("Пре&делы операндов…"), tr("Что выдерживает стенд: пределы операндов для проверки перед записью"),
            nullptr, {}, [this] { openLimitsDialog(); }, {device}),
        Row("cellsDockAction", tr("&Ячейки прибора"), tr("Что хранят четыре ячейки подключенного прибора"), nullptr,
            keys(tr("Ctrl+Shift+C")), [this] { toggleDock(cellsDock); }, {window, device}),
        Row("exchangeLogAction", tr("&Журнал обмена"), tr("Кадры и события обмена с прибором"), nullptr,
            keys(tr("Ctrl+L")), [this] { toggleDock(exchangeLog); }, {window, device}),
        Row("registersAction", tr("Ре&гистры"), tr("Опрос регистров прибора, график и запись в CSV"), nullptr,
            keys(tr("Ctrl+M")), [this] { toggleDock(registerDock); }, {window, device}),
        ActionTable::separator({device}),
        Row("cancelAction", tr("Пр&ервать"), tr("Прервать обмен с прибором после текущего запроса"), nullptr,
            {QKeySequence(Qt::Key_Escape)}, [this] { CancelTransfer(); }, {window, device}),

        // F10 opens the menu bar's first menu, from where the arrows reach every command.
        Row("menuBarAction", tr("Меню"), QString(), nullptr, keys(tr("F10")),
            [menus] { menus->setActiveAction(menus->actions().value(0)); }, {window}),

        Row("languageHelpAction", tr("&Язык программ"), tr("Операторы языка программ и пример"), nullptr,
            keys(tr("F1")), [this] { LanguageHelp::show(this, [this] { openExample(); }); }, {help}),
        Row("aboutAction", tr("&О программе"), tr("О программе"), "about.png",
            {}, [this] { About(); }, {help}),
    });
    // clang-format on
    document->setRecentFilesMenu(recentFilesMenu);
    languageMenu = new LanguageMenu(settings.get(), this);
    languageMenu->setDialogs(dialogs.get());
    ui->menuHelp->insertMenu(action("aboutAction"), languageMenu);

    QAction *undo = action("undoAction");
    QAction *redo = action("redoAction");
    connect(editor, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor, &QTextEdit::redoAvailable, redo, &QAction::setEnabled);
    undo->setEnabled(editor->document()->isUndoAvailable());
    redo->setEnabled(editor->document()->isRedoAvailable());
    for (QAction *selectionAction : {action("cutAction"), action("copyAction")}) {
        connect(editor, &QTextEdit::copyAvailable, selectionAction, &QAction::setEnabled);
        selectionAction->setEnabled(editor->textCursor().hasSelection());
    }
    connect(action("verifyAction"), &QAction::toggled, this,
            [this](bool on) { settings->setValue(SettingsKeys::VerifyAfterWrite, on); });
}

// The editor's aids: line numbers, live diagnostics with their marks, the find bar, going to a
// line, and the way back from a report line to the source line it came from.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compiler.h"
#include "diagnosticchecker.h"
#include "editormarks.h"
#include "findbar.h"
#include "highlighter.h"
#include "linenumbergutter.h"
#include "reportpanelinks.h"
#include "userdialogs.h"

#include <QAction>
#include <QFontMetricsF>
#include <QLabel>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextEdit>

namespace {

constexpr int TabStopCharacters = 4;

} // namespace

void MainWindow::setUpEditor()
{
    QTextEdit *edit = ui->textEdit;
    // One program line is one screen line; long lines scroll sideways.
    edit->setLineWrapMode(QTextEdit::NoWrap);
    // Pasted or dropped text arrives as plain text, without the source's fonts and tables.
    edit->setAcceptRichText(false);
    edit->setTabStopDistance(TabStopCharacters *
                             QFontMetricsF(edit->font()).horizontalAdvance(QLatin1Char(' ')));

    marks = new EditorMarks(edit, this);
    ui->editorLayout->addWidget(new LineNumberGutter(edit, marks, ui->editorPanel), 0, 0);
    findBar = new FindBar(edit, ui->editorPanel);
    ui->editorLayout->addWidget(findBar, 1, 0, 1, 2);
    ui->editorLayout->setRowStretch(0, 1);

    checker = new DiagnosticChecker(
        edit->document(), Compiler(highlighter->statementKinds(), operandCodes, compareCodes),
        this);
    checker->setObjectName(QStringLiteral("diagnosticChecker"));
    connect(checker, &DiagnosticChecker::checked, marks, &EditorMarks::setDiagnostics);
    connect(marks, &EditorMarks::changed, this, &MainWindow::showDiagnosticCount);
    diagnosticsLabel = new QLabel(this);
    diagnosticsLabel->setObjectName(QStringLiteral("diagnosticsLabel"));
    statusBar()->addPermanentWidget(diagnosticsLabel);
    showDiagnosticCount();
    // What is wrong on the cursor's line, so the reason can be read without the mouse.
    auto *lineMessage = new QLabel(statusBar());
    lineMessage->setObjectName(QStringLiteral("diagnosticMessageLabel"));
    statusBar()->addWidget(lineMessage, 1);
    connect(marks, &EditorMarks::currentLineMessageChanged, lineMessage, &QLabel::setText);

    reportLinks = new ReportPaneLinks(ui->plainTextEdit, this);
    connect(reportLinks, &ReportPaneLinks::sourceLineActivated, this, &MainWindow::goToSourceLine);

    // Window shortcuts, usable from the editor and the pane alike.
    const auto makeEditorAction = [this](const char *name, const QString &text,
                                         const QKeySequence &shortcut) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(text);
        action->setShortcut(shortcut);
        addAction(action);
        return action;
    };
    nextErrorAction =
        makeEditorAction("nextErrorAction", tr("Следующая ошибка"), QKeySequence(tr("F8")));
    connect(nextErrorAction, &QAction::triggered, this, [this] { goToDiagnostic(true); });
    previousErrorAction = makeEditorAction("previousErrorAction", tr("Предыдущая ошибка"),
                                           QKeySequence(tr("Shift+F8")));
    connect(previousErrorAction, &QAction::triggered, this, [this] { goToDiagnostic(false); });
    goToLineAction =
        makeEditorAction("goToLineAction", tr("Перейти к строке..."), QKeySequence(tr("Ctrl+G")));
    connect(goToLineAction, &QAction::triggered, this, &MainWindow::askGoToLine);
    findAction = makeEditorAction("findAction", tr("Найти..."), QKeySequence(tr("Ctrl+F")));
    connect(findAction, &QAction::triggered, findBar, &FindBar::open);

    // A dragged split is kept at once, not only when the window closes.
    connect(ui->splitter, &QSplitter::splitterMoved, this, &MainWindow::saveLayout);
}

void MainWindow::showDiagnosticCount()
{
    diagnosticsLabel->setText(tr("Ошибок: %1, предупреждений: %2")
                                  .arg(marks->count(Diagnostic::Severity::Error))
                                  .arg(marks->count(Diagnostic::Severity::Warning)));
}

void MainWindow::goToSourceLine(int line)
{
    QTextDocument *document = ui->textEdit->document();
    const QTextBlock block =
        document->findBlockByNumber(qBound(1, line, document->blockCount()) - 1);
    ui->textEdit->setTextCursor(QTextCursor(block));
    ui->textEdit->ensureCursorVisible();
    ui->textEdit->setFocus(Qt::OtherFocusReason);
}

void MainWindow::goToDiagnostic(bool forward)
{
    // Text typed since the last pause is checked first, so the jump goes by what is there now.
    if (checker->isPending())
        checker->checkNow();
    const int line = marks->nextLine(ui->textEdit->textCursor().blockNumber() + 1, forward);
    if (line > 0)
        goToSourceLine(line);
}

void MainWindow::askGoToLine()
{
    const int line = dialogs->askLineNumber(
        this, tr("Перейти к строке"),
        tr("Номер строки (1–%1):").arg(ui->textEdit->document()->blockCount()),
        ui->textEdit->textCursor().blockNumber() + 1, ui->textEdit->document()->blockCount());
    if (line > 0)
        goToSourceLine(line);
}

// «Программа → Прогон программы»: the dock that runs the editor's program on its operands.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "diagnosticchecker.h"
#include "programrundock.h"
#include "userdialogs.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

void MainWindow::setUpProgramRun()
{
    runDock = new ProgramRunDock(
        ui->textEdit, [this] { return dialogs.get(); }, this);
    addDockWidget(Qt::BottomDockWidgetArea, runDock);
    runDock->hide();
    // The live check's pause is the run's too: one wait after typing for both.
    connect(checker, &DiagnosticChecker::checked, runDock, &ProgramRunDock::textChecked);
    connect(runDock, &ProgramRunDock::sourceLineActivated, this, &MainWindow::goToSourceLine);

    runAction = new QAction(tr("Прогон программы"), this);
    runAction->setObjectName(QStringLiteral("runAction"));
    runAction->setShortcut(QKeySequence(tr("Ctrl+R")));
    runAction->setStatusTip(tr("Выполнить программу на ее операндах и показать график"));
    connect(runAction, &QAction::triggered, runDock, &ProgramRunDock::showAndRun);
    // Beside «Скомпилировать», before the way through the errors.
    const QList<QAction *> entries = ui->menuProgram->actions();
    const int compileAt = entries.indexOf(compileAction);
    ui->menuProgram->insertAction(entries.value(compileAt + 1), runAction);
}

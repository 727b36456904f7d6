// «Программа → Прогон программы»: the dock that runs the editor's program on its operands.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "diagnosticchecker.h"
#include "editoraids.h"
#include "programrundock.h"
#include "userdialogs.h"

#include <QLayout>
#include <QTextEdit>

namespace {

// Lines the editor keeps in view beside the run's dock, whatever the font's line spacing.
constexpr int EditorLinesBesideDock = 5;

} // namespace

void MainWindow::createProgramRunDock()
{
    runDock = new ProgramRunDock(
        ui->textEdit, [this] { return dialogs.get(); }, this);
    addDockWidget(Qt::BottomDockWidgetArea, runDock);
    runDock->hide();
    // The live check's pause is the run's too: one wait after typing for both.
    auto *checker = editorAids->findChild<DiagnosticChecker *>();
    connect(checker, &DiagnosticChecker::checked, runDock, &ProgramRunDock::textChecked);
    connect(runDock, &ProgramRunDock::sourceLineActivated, editorAids, &EditorAids::goToSourceLine);
}

void MainWindow::showProgramRun()
{
    const bool opening = runDock->isHidden();
    runDock->showAndRun();
    // Opened for the first time, the dock gets two fifths of the window's height, not all its
    // content asks for: the editor keeps enough lines to be edited while the chart follows it.
    // Later the user's own split stands.
    if (opening && !runDockSized) {
        runDockSized = true;
        // A taller font (the URW fonts many desktops map Courier to) needs more room for those
        // lines: the dock gives way line by line, down to its own least height.
        const int lineSpacing = ui->textEdit->fontMetrics().lineSpacing();
        int dockHeight = height() * 2 / 5;
        for (;;) {
            resizeDocks({runDock}, {dockHeight}, Qt::Vertical);
            layout()->activate();
            const int lines = ui->textEdit->viewport()->height() / lineSpacing;
            const int next = runDock->height() - lineSpacing;
            if (lines >= EditorLinesBesideDock || next < runDock->minimumSizeHint().height() ||
                next >= dockHeight)
                break;
            dockHeight = next;
        }
    }
}

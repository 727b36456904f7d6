// The operands' limits: kept in the settings, edited in «Прибор → Пределы операндов…», marked in
// the editor and checked before a write sends anything.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "editoraids.h"
#include "limitcheck.h"
#include "limitsdialog.h"
#include "programrundock.h"
#include "settingskeys.h"
#include "userdialogs.h"

#include <QPlainTextEdit>
#include <QSettings>
#include <QTextDocument>

void MainWindow::restoreLimits()
{
    // The window wrote this text itself; a rule spoilt by hand is dropped, the others stand.
    limits = OperandLimits::parse(settings->value(SettingsKeys::OperandLimits).toString()).limits;
    editorAids->setLimits(limits);
    runDock->setLimits(limits);
}

void MainWindow::openLimitsDialog()
{
    // Window-modal and not blocking: a write's question may come while it is open.
    auto *dialog = new LimitsDialog(limits, dialogs.get(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { applyLimits(dialog->limits()); });
    dialog->open();
}

void MainWindow::applyLimits(const OperandLimits &newLimits)
{
    limits = newLimits;
    if (limits.isEmpty())
        settings->remove(SettingsKeys::OperandLimits);
    else
        settings->setValue(SettingsKeys::OperandLimits, limits.toText());
    editorAids->setLimits(limits);
    runDock->setLimits(limits);
}

bool MainWindow::limitsAllowWrite()
{
    if (limits.isEmpty())
        return true;
    const LimitReport report = LimitCheck::check(ui->textEdit->toPlainText(), instructions,
                                                 recordLines, limits, runDock->assumptions());
    if (report.clean())
        return true;
    // Under the compile report, each finding red and leading to its line; they stay there when
    // the user declines.
    const QStringList lines = LimitCheck::reportLines(report);
    for (int i = 0; i < lines.size(); ++i) {
        appendPane(lines.at(i));
        if (i < report.violations.size()) {
            editorAids->linkReportLine(ui->plainTextEdit->document()->blockCount() - 1,
                                       report.violations.at(i).line, true);
        }
    }
    if (dialogs->askWriteBeyondLimits(this, tr("Пределы операндов"),
                                      LimitCheck::writeQuestion(report)))
        return true;
    appendPane(LimitCheck::refusedLine());
    return false;
}

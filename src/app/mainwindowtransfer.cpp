#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "deviceactivity.h"
#include "devicecontrols.h"
#include "programdocument.h"

#include <QAction>
#include <QTextCursor>
#include <QTextDocument>

DeviceActivity::Program MainWindow::compiledProgram()
{
    checkText();
    if (compileError == 1)
        return {};
    return {instructions, programName, recordLines};
}

void MainWindow::SaveLineToDevice()
{
    // The job takes its own copy of the program, with the device controls read once here: what
    // is done in the window meanwhile does not touch what is written.
    const DeviceActivity::Program program = compiledProgram();
    if (compileError == 1)
        return;
    // Beyond the bench's limits nothing is sent unless the user says so.
    if (!limitsAllowWrite())
        return;
    deviceActivity->write(program, controls->slaveId(), controls->cell(),
                          action("verifyAction")->isChecked());
}

void MainWindow::ReadLineFromDevice()
{
    // The read replaces the editor text: unsaved work gets the same question as New and Open,
    // and Отмена sends nothing.
    if (!document->maybeSave())
        return;
    deviceActivity->read(controls->slaveId(), controls->cell(),
                         Decoder(operandCodes, compareCodes));
}

void MainWindow::CompareWithDevice()
{
    const DeviceActivity::Program program = compiledProgram();
    if (compileError == 1)
        return;
    deviceActivity->compare(program, controls->slaveId(), controls->cell());
}

void MainWindow::CancelTransfer()
{
    deviceActivity->cancel();
}

void MainWindow::showReadProgram(const QString &text)
{
    // One edit block as plain text: a single undo brings back the text the read replaced, and a
    // name read back with "<" or "&" in it is shown as it is.
    QTextCursor cursor(ui->textEdit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
    // Read, not written by the user: the save question does not default to saving it.
    document->markUnchangedByUser();
    // The device's program is not the file that was open: Save must ask for a name rather
    // than write over that file.
    document->startUntitled();
}

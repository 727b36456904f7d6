#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "deviceconnection.h"
#include "devicecontrols.h"
#include "editoraids.h"
#include "elidedlabel.h"
#include "programdocument.h"
#include "transferjob.h"
#include "transferwording.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

bool MainWindow::startCompiledTransfer()
{
    transferRunning = true;
    applyState();
    checkText();
    if (compileError == 1) {
        finishTransfer();
        return false;
    }
    return true;
}

void MainWindow::SaveLineToDevice()
{
    if (!startCompiledTransfer())
        return;
    replacePane(TransferWording::writeHeading());

    // Requests wait in the event loop, where "Создать файл" may empty the window's program:
    // the write works from its own copy, taken here, with the device controls read once.
    const InstructionList program = instructions;
    const QString name = programName;
    const QVector<int> sourceLines = recordLines;
    const int cell = controls->cell();
    const bool verify = action("verifyAction")->isChecked();

    TransferJob job(connection->link(), controls->slaveId(), cell,
                    [this](const QString &text) { appendPane(text); });
    followTransfer(job);
    const TransferOutcome &outcome = job.write(program, name);
    if (outcome.cancelled)
        appendPane(TransferWording::stoppedLine());
    reportUnanswered(job);
    reportLostLine();
    const QString cellWarning = outcome.cellWarning(cell + 1);
    if (!cellWarning.isEmpty())
        appendPane(cellWarning);
    // A stop that came while the last request was answered leaves the write whole; the check
    // after it is what the stop ends.
    if (outcome.writtenOk() && verify && job.stopRequested())
        appendPane(TransferWording::stoppedLine());
    else if (outcome.writtenOk() && verify)
        checkCell(job, program, name, sourceLines);
    finishTransfer();
}

void MainWindow::ReadLineFromDevice()
{
    // The read replaces the editor text: unsaved work gets the same question as New and Open,
    // and Отмена sends nothing.
    if (!document->maybeSave())
        return;
    TransferJob job(connection->link(), controls->slaveId(), controls->cell(),
                    [this](const QString &text) { appendPane(text); });
    ui->plainTextEdit->clear();

    transferRunning = true;
    applyState();
    replacePane(TransferWording::readHeading());

    followTransfer(job);
    const TransferOutcome &outcome = job.read(Decoder(operandCodes, compareCodes));
    if (outcome.cancelled)
        appendPane(TransferWording::stoppedLine());
    reportUnanswered(job);
    reportLostLine();
    if (outcome.decodeRan && !outcome.decoded.ok)
        appendPane(outcome.decoded.error);
    if (outcome.decodeRan && outcome.decoded.ok) {
        showReadProgram(outcome.decoded.text());
        appendPane(TransferWording::readSuccessLine());
        // Read, not written by the user: the save question does not default to saving it.
        document->markUnchangedByUser();
        if (!outcome.nameWarning.isEmpty())
            appendPane(outcome.nameWarning);
        // Red like a compile's errors, leading to the line that does not come back.
        if (!outcome.roundTrip.warning.isEmpty()) {
            appendPane(outcome.roundTrip.warning);
            editorAids->linkReportLine(ui->plainTextEdit->document()->blockCount() - 1,
                                       outcome.roundTrip.line, true);
        }
        // The device's program is not the file that was open: Save must ask for a name rather
        // than write over that file.
        document->setFilePath(QString());
    }
    finishTransfer();
}

void MainWindow::CompareWithDevice()
{
    if (!startCompiledTransfer())
        return;
    const InstructionList program = instructions;
    const QString name = programName;
    const QVector<int> sourceLines = recordLines;
    const int cell = controls->cell();
    replacePane(TransferWording::compareHeading(cell + 1));

    TransferJob job(connection->link(), controls->slaveId(), cell,
                    [this](const QString &text) { appendPane(text); });
    followTransfer(job);
    checkCell(job, program, name, sourceLines);
    finishTransfer();
}

void MainWindow::checkCell(TransferJob &job, const InstructionList &program, const QString &name,
                           const QVector<int> &sourceLines)
{
    // Read back without the read's own lines; «Прервать» reaches this read too.
    const TransferOutcome &outcome = job.compare(program, name, sourceLines, true);
    if (outcome.cancelled) {
        appendPane(TransferWording::stoppedLine());
    } else {
        for (const TransferWording::Line &line : TransferWording::comparisonLines(outcome)) {
            appendPane(line.text);
            // Red like a compile's errors; a line naming a program line leads there.
            if (line.error) {
                editorAids->linkReportLine(ui->plainTextEdit->document()->blockCount() - 1,
                                           line.sourceLine, true);
            }
        }
    }
    reportUnanswered(job);
    reportLostLine();
}

void MainWindow::CancelTransfer()
{
    if (activeTransfer)
        activeTransfer->cancel();
}

void MainWindow::followTransfer(TransferJob &job)
{
    activeTransfer = &job;
    job.setProgress([this](int done, int total, qint64 leftMs) {
        // The time left first, so that it is current whenever the bar moves.
        if (leftMs >= 0)
            timeLeftLabel->setText(TransferWording::timeLeft(leftMs));
        else
            timeLeftLabel->clear();
        // A read learns its total from the count: until then the bar stands at zero.
        transferProgress->setRange(0, std::max(total, 1));
        transferProgress->setValue(done);
    });
    transferProgress->show();
    timeLeftLabel->show();
    cancelButton->show();
}

void MainWindow::reportUnanswered(const TransferJob &job)
{
    // A closed port explains the silence itself.
    if (job.outcome().unanswered && connection->isOpen())
        appendPane(TransferWording::noAnswerLine(job.slaveId()));
}

void MainWindow::reportLostLine()
{
    if (std::exchange(portLostInTransfer, false))
        appendPane(TransferWording::lostLine());
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
}

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "decoder.h"
#include "devicecontrols.h"
#include "devicelink.h"
#include "editoraids.h"
#include "programcomparison.h"
#include "programdocument.h"
#include "programtransfer.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace {

constexpr int MsPerSecond = 1000;
constexpr int SecondsPerMinute = 60;

// A transfer's own lines stay out of the pane when it only checks the cell.
void silent(const QString &) {}

} // namespace

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
    replacePane(tr("Запись данных в устройство"));

    // Requests wait in the event loop, where "Создать файл" may empty the window's program:
    // the write works from its own copy, taken here, with the device controls read once.
    const InstructionList program = instructions;
    const QString name = programName;
    const QVector<int> sourceLines = recordLines;
    const int cell = controls->cell();
    const auto slaveId = controls->slaveId();
    const bool verify = action("verifyAction")->isChecked();

    ProgramTransfer transfer(*link, slaveId, cell,
                             [this](const QString &text) { appendPane(text); });
    followTransfer(transfer, true, program.size() + 2);
    const ProgramTransfer::WriteResult written = transfer.write(program, name);
    if (written == ProgramTransfer::WriteResult::Cancelled)
        appendPane(tr("Прервано"));
    reportLostLine();
    if (written != ProgramTransfer::WriteResult::Written) {
        if (transfer.storedLines() > 0) {
            appendPane(ProgramTransfer::partialWriteWarning(cell + 1));
        }
        finishTransfer();
        return;
    }

    if (verify)
        compareCell(slaveId, cell, program, name, sourceLines);
    finishTransfer();
}

void MainWindow::ReadLineFromDevice()
{
    // The read replaces the editor text: unsaved work gets the same question as New and Open,
    // and Отмена sends nothing.
    if (!document->maybeSave())
        return;
    const auto slaveId = controls->slaveId();
    const int cell = controls->cell();
    ui->plainTextEdit->clear();

    transferRunning = true;
    applyState();
    replacePane(tr("Чтение данных из устройства"));

    ProgramTransfer transfer(*link, slaveId, cell,
                             [this](const QString &text) { appendPane(text); });
    followTransfer(transfer, false, 0);
    const ProgramTransfer::ReadResult result = transfer.read();
    if (result.status == ProgramTransfer::ReadStatus::Cancelled)
        appendPane(tr("Прервано"));
    reportLostLine();
    if (result.status == ProgramTransfer::ReadStatus::Read &&
        decodeProgram(result.name, result.records)) {
        appendPane(tr("Данные успешно считаны и декодированы"));
        // Read faithfully, but the name would not pass the compiler on the way back.
        const QString nameWarning = Decoder::unwritableNameWarning(result.name);
        if (!nameWarning.isEmpty())
            appendPane(nameWarning);
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
    const auto slaveId = controls->slaveId();
    replacePane(tr("Сравнение с программой в ячейке %1").arg(cell + 1));

    compareCell(slaveId, cell, program, name, sourceLines);
    finishTransfer();
}

void MainWindow::compareCell(quint8 slaveId, int cell, const InstructionList &program,
                             const QString &name, const QVector<int> &sourceLines)
{
    // Read back without the read's own lines; «Прервать» reaches this transfer too.
    ProgramTransfer check(*link, slaveId, cell, silent);
    followTransfer(check, false, 0);
    const ProgramTransfer::ReadResult back = check.read();
    if (back.status == ProgramTransfer::ReadStatus::Cancelled)
        appendPane(tr("Прервано"));
    else
        reportComparison(compareProgram(program, name, back), sourceLines);
    reportLostLine();
}

void MainWindow::CancelTransfer()
{
    if (activeTransfer)
        activeTransfer->cancel();
}

void MainWindow::followTransfer(ProgramTransfer &transfer, bool writing, int total)
{
    activeTransfer = &transfer;
    transferClock.start();
    transfer.setProgress(
        [this, writing](int done, int planned) { showProgress(writing, done, planned); });
    showProgress(writing, 0, total);
    transferProgress->show();
    timeLeftLabel->show();
    cancelButton->show();
}

void MainWindow::showProgress(bool writing, int done, int total)
{
    // The time left first, so that it is current whenever the bar moves.
    if (total > 0) {
        const qint64 leftMs =
            ProgramTransfer::remainingMs(writing, done, total, transferClock.elapsed());
        const qint64 seconds = (leftMs + MsPerSecond - 1) / MsPerSecond;
        timeLeftLabel->setText(seconds < SecondsPerMinute
                                   ? tr("осталось %1 с").arg(seconds)
                                   : tr("осталось %1 мин %2 с")
                                         .arg(seconds / SecondsPerMinute)
                                         .arg(seconds % SecondsPerMinute, 2, 10, QLatin1Char('0')));
    } else {
        timeLeftLabel->clear();
    }
    // A read learns its total from the count: until then the bar stands at zero.
    transferProgress->setRange(0, std::max(total, 1));
    transferProgress->setValue(done);
}

void MainWindow::reportComparison(const ProgramComparison &comparison,
                                  const QVector<int> &sourceLines)
{
    const QString prefix = tr("error: проверка: ");
    // Red like a compile's errors; a line naming a program line leads there on a double-click.
    const auto appendError = [this](const QString &text, int sourceLine = 0) {
        appendPane(text);
        editorAids->linkReportLine(ui->plainTextEdit->document()->blockCount() - 1, sourceLine,
                                   true);
    };
    if (comparison.equal()) {
        appendPane(tr("Проверка пройдена: %1 записей совпадают").arg(comparison.expectedCount));
        return;
    }
    if (comparison.outcome == ProgramComparison::Outcome::ReadFailed) {
        appendError(prefix + (comparison.readStatus == ProgramTransfer::ReadStatus::NoRecords
                                  ? tr("в ячейке нет программы")
                                  : tr("ячейку не удалось считать")));
        return;
    }
    if (comparison.countDiffers) {
        appendError(prefix + tr("кол-во записей в программе %1, в приборе %2")
                                 .arg(comparison.expectedCount)
                                 .arg(comparison.readCount));
    }
    if (comparison.nameDiffers) {
        appendError(prefix + tr("имя в программе \"%1\", в приборе \"%2\"")
                                 .arg(comparison.expectedName, comparison.readName));
    }
    const int first = comparison.firstDifferingRecord();
    if (first >= 0) {
        const int line = first < sourceLines.size() ? sourceLines.at(first) : 0;
        appendError(prefix + tr("запись %1 (строка %2) отличается; всего отличается записей: %3")
                                 .arg(first)
                                 .arg(line)
                                 .arg(comparison.differingRecords.size()),
                    line);
    }
}

void MainWindow::reportLostLine()
{
    if (std::exchange(portLostInTransfer, false))
        appendPane(tr("Связь с прибором потеряна"));
}

bool MainWindow::decodeProgram(const QString &name, const InstructionList &records)
{
    const DecodeResult decoded = Decoder(operandCodes, compareCodes).decode(name, records);
    if (!decoded.ok) {
        appendPane(decoded.error);
        return false;
    }
    // One edit block as plain text: a single undo brings back the text the read replaced, and a
    // name read back with "<" or "&" in it is shown as it is.
    QTextCursor cursor(ui->textEdit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(decoded.text());
    cursor.endEditBlock();
    return true;
}

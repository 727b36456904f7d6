#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "decoder.h"
#include "devicelink.h"
#include "programtransfer.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextDocument>

void MainWindow::SaveLineToDevice()
{
    transferRunning = true;
    applyState();
    checkText();
    if (compileError == 1) {
        finishTransfer();
        return;
    }
    replacePane(tr("Запись данных в устройство"));

    // Requests wait in the event loop, where "Создать файл" may empty the window's program:
    // the write works from its own copy, taken here, with the device controls read once.
    const InstructionList program = instructions;
    const QString name = programName;
    const int cell = cellComboBox->currentIndex();
    const auto slaveId = quint8(slaveIdSpinBox->value());

    ProgramTransfer transfer(*link, slaveId, cell,
                             [this](const QString &text) { appendPane(text); });
    transfer.write(program, name);
    finishTransfer();
}

void MainWindow::ReadLineFromDevice()
{
    // The read replaces the editor text: unsaved work gets the same question as New and Open,
    // and Отмена sends nothing.
    if (!maybeSave())
        return;
    const auto slaveId = quint8(slaveIdSpinBox->value());
    const int cell = cellComboBox->currentIndex();
    ui->plainTextEdit->clear();

    transferRunning = true;
    applyState();
    replacePane(tr("Чтение данных из устройства"));

    ProgramTransfer transfer(*link, slaveId, cell,
                             [this](const QString &text) { appendPane(text); });
    const ProgramTransfer::ReadResult result = transfer.read();
    if (result.status == ProgramTransfer::ReadStatus::Read &&
        decodeProgram(result.name, result.records)) {
        appendPane(tr("Данные успешно считаны и декодированы"));
        // The device's program is not the file that was open: Save must ask for a name rather
        // than write over that file.
        setCurrentFile(QString());
    }
    finishTransfer();
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

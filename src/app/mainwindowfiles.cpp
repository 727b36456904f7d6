#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "programtext.h"
#include "userdialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTextDocument>

// Program files: the editor text to and from disk, the remembered folder, and the question
// before unsaved work would be thrown away.

namespace {

// The one persistent setting: where the last program file was chosen.
constexpr char DirectoryKey[] = "dirPrgFile";

QString programFileFilter()
{
    return MainWindow::tr("Файл программы (*.prgb)");
}

} // namespace

void MainWindow::OpenFile()
{
    if (!maybeSave())
        return;
    const QString path =
        dialogs->openFileName(this, tr("Open File"), programDirectory(), programFileFilter());
    if (path.isEmpty())
        return;
    openProgramFile(path);
}

void MainWindow::SaveFile()
{
    saveProgram(false);
}

void MainWindow::SaveAsFile()
{
    saveProgram(true);
}

void MainWindow::openProgramFile(const QString &path)
{
    // Remembered before the file is opened, so the next dialog starts there even if this fails.
    rememberDirectory(path);
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    if (!file.ok()) {
        dialogs->warning(this, tr("Ошибка"), tr("Не удается открыть файл"));
        return;
    }
    ui->textEdit->setPlainText(file.text);
    ui->textEdit->document()->setModified(false);
    currentFile = QFileInfo(path).absoluteFilePath();
    // Loading the text enabled Save through TextChanges; a freshly opened file has nothing to save.
    saveAction->setEnabled(false);
}

bool MainWindow::maybeSave()
{
    // The document's own flag, not saveAction: Save stands enabled right after start.
    if (!ui->textEdit->document()->isModified())
        return true;
    switch (dialogs->askSaveChanges(this, tr("Quorvel"),
                                    tr("Программа была изменена.\nСохранить изменения?"))) {
    case UserDialogs::SaveChoice::Save:
        return saveProgram(false);
    case UserDialogs::SaveChoice::Discard:
        return true;
    case UserDialogs::SaveChoice::Cancel:
        break;
    }
    return false;
}

bool MainWindow::saveProgram(bool askForName)
{
    QString path = askForName ? QString() : currentFile;
    if (path.isEmpty()) {
        path =
            dialogs->saveFileName(this, tr("Save File"), programDirectory(), programFileFilter());
        if (path.isEmpty())
            return false;
    }
    rememberDirectory(path);
    if (!writeProgramFile(path)) {
        dialogs->warning(this, tr("Ошибка"), tr("Не удается сохранить файл"));
        return false;
    }
    currentFile = QFileInfo(path).absoluteFilePath();
    ui->textEdit->document()->setModified(false);
    saveAction->setEnabled(false);
    return true;
}

bool MainWindow::writeProgramFile(const QString &path)
{
    return ProgramText::saveFile(path, ui->textEdit->toPlainText());
}

QString MainWindow::programDirectory() const
{
    const QString directory = settings->value(QLatin1String(DirectoryKey)).toString();
    return directory.isEmpty() ? QDir::currentPath() : directory;
}

void MainWindow::rememberDirectory(const QString &filePath)
{
    settings->setValue(QLatin1String(DirectoryKey), QFileInfo(filePath).absolutePath());
    // Written at once: the choice must survive a crash or a second window reading the store.
    settings->sync();
}

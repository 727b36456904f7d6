#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "programtext.h"
#include "userdialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTextDocument>

#include <optional>

// Program files: the editor text to and from disk, the remembered folder, and the question
// before unsaved work would be thrown away.

namespace {

// The one persistent setting: where the last program file was chosen.
constexpr char DirectoryKey[] = "dirPrgFile";

QString programFileFilter()
{
    return MainWindow::tr("Файл программы (*.prgb)");
}

// The file's text as the editor takes it, or nothing when the file cannot be read.
std::optional<QString> readProgramText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    // A read that breaks off half way would otherwise pass for a shorter program.
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return ProgramText::normalizeLineEnds(ProgramText::fromFileBytes(bytes));
}

// Replaces the file only once the new content is completely on disk; on any failure the old
// file stays as it was.
bool writeProgramBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() alone can put a truncated file in place after a short write, so each step is
    // checked before the rename.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    const std::optional<QString> text = readProgramText(path);
    if (!text) {
        dialogs->warning(this, tr("Ошибка"), tr("Не удается открыть файл"));
        return;
    }
    ui->textEdit->setPlainText(*text);
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
    return writeProgramBytes(path, ProgramText::toFileBytes(ui->textEdit->toPlainText()));
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

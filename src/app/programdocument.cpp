#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "programtext.h"
#include "settingskeys.h"
#include "userdialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTextDocument>

// Program files: the editor text to and from disk, the remembered folder, and the question
// before unsaved work would be thrown away.

namespace {

constexpr int MaxRecentFiles = 8;

constexpr char ProgramSuffix[] = "prgb";

QString programFileFilter()
{
    return MainWindow::tr("Файл программы (*.prgb)");
}

// A name typed without a suffix gets the program suffix, so that the Open dialog's filter shows
// the file afterwards.
QString withProgramSuffix(const QString &path)
{
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + QLatin1String(ProgramSuffix);
}

// The reason under «Не удается открыть файл».
QString openProblemText(const ProgramText::LoadedFile &file, const QString &path)
{
    switch (file.problem) {
    case ProgramText::FileProblem::NotRegularFile:
        return MainWindow::tr("Это не обычный файл, а папка, канал или устройство.");
    case ProgramText::FileProblem::TooLarge:
        return MainWindow::tr("Файл больше %1 КиБ. Файл программы занимает несколько килобайт.")
            .arg(ProgramText::MaxFileBytes / 1024);
    case ProgramText::FileProblem::Unreadable:
        if (!QFileInfo::exists(path))
            return MainWindow::tr("Файл не найден.");
        return MainWindow::tr("Ошибка чтения: %1").arg(file.systemError);
    case ProgramText::FileProblem::None:
        break;
    }
    return QString();
}

} // namespace

void MainWindow::OpenFile()
{
    if (!maybeSave())
        return;
    const QString path =
        dialogs->openFileName(this, tr("Open File"), programDirectory(),
                              programFileFilter() + QStringLiteral(";;") + tr("Все файлы (*)"));
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
        removeRecentFile(path);
        dialogs->warning(this, tr("Ошибка"), tr("Не удается открыть файл"),
                         openProblemText(file, path));
        return;
    }
    ui->textEdit->setPlainText(file.text);
    ui->textEdit->document()->setModified(false);
    setCurrentFile(QFileInfo(path).absoluteFilePath());
    addRecentFile(currentFile);
    // Loading the text enabled Save through TextChanges; a freshly opened file has nothing to save.
    saveAction->setEnabled(false);
    if (file.bytesChanged) {
        // What is in the editor is no longer what is on disk: saving would change those bytes.
        ui->textEdit->document()->setModified(true);
        saveAction->setEnabled(true);
        dialogs->warning(this, tr("Предупреждение"),
                         tr("Файл содержит байты, которые не читаются как текст UTF-8, или нулевые "
                            "байты."),
                         tr("Они показаны знаком «�». При сохранении файла эти байты будут "
                            "заменены."));
    }
}

void MainWindow::setCurrentFile(const QString &path)
{
    currentFile = path;
    setWindowTitle(path.isEmpty() ? tr("Quorvel[*]")
                                  : tr("%1[*] — Quorvel").arg(QFileInfo(path).fileName()));
    // Replacing the whole text can clear the document's flag without a signal.
    setWindowModified(ui->textEdit->document()->isModified());
}

void MainWindow::openRecentFile(const QString &path)
{
    if (!maybeSave())
        return;
    openProgramFile(path);
}

QStringList MainWindow::recentFiles() const
{
    return settings->value(SettingsKeys::RecentFiles).toStringList();
}

void MainWindow::storeRecentFiles(QStringList files)
{
    while (files.size() > MaxRecentFiles)
        files.removeLast();
    settings->setValue(SettingsKeys::RecentFiles, files);
    settings->sync();
    updateRecentFilesMenu();
}

void MainWindow::addRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    storeRecentFiles(files);
}

void MainWindow::removeRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    if (files.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
        storeRecentFiles(files);
}

void MainWindow::updateRecentFilesMenu()
{
    recentFilesMenu->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString &path = files.at(i);
        // The number is the access key; the full path tells apart files of the same name.
        QAction *action = recentFilesMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(path).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path]() { openRecentFile(path); });
    }
    recentFilesMenu->setEnabled(!files.isEmpty());
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
        path = withProgramSuffix(path);
    }
    rememberDirectory(path);
    if (!writeProgramFile(path)) {
        dialogs->warning(this, tr("Ошибка"), tr("Не удается сохранить файл"));
        return false;
    }
    setCurrentFile(QFileInfo(path).absoluteFilePath());
    addRecentFile(currentFile);
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
    const QString directory = settings->value(SettingsKeys::ProgramDirectory).toString();
    return directory.isEmpty() ? QDir::currentPath() : directory;
}

void MainWindow::rememberDirectory(const QString &filePath)
{
    settings->setValue(SettingsKeys::ProgramDirectory, QFileInfo(filePath).absolutePath());
    // Written at once: the choice must survive a crash or a second window reading the store.
    settings->sync();
}

#include "programdocument.h"

#include "programtext.h"
#include "settingskeys.h"
#include "userdialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

namespace {

constexpr int MaxRecentFiles = 8;

constexpr char ProgramSuffix[] = "prgb";

QString programFileFilter()
{
    return ProgramDocument::tr("Файл программы (*.prgb)");
}

} // namespace

ProgramDocument::ProgramDocument(QTextEdit *editor, QSettings *settings, QWidget *window)
    : QObject(window), m_editor(editor), m_settings(settings), m_window(window)
{
    // Every edit the user makes lands on the undo stack; text put in by the window is marked
    // unchanged right afterwards.
    connect(editor->document(), &QTextDocument::undoCommandAdded, this,
            [this] { m_changedByUser = true; });
}

void ProgramDocument::markUnchangedByUser()
{
    m_changedByUser = false;
}

void ProgramDocument::setRecentFilesMenu(QMenu *menu)
{
    m_recentFilesMenu = menu;
    updateRecentFilesMenu();
}

void ProgramDocument::open()
{
    if (!maybeSave())
        return;
    const QString path =
        m_dialogs->openFileName(m_window, tr("Open File"), directory(),
                                programFileFilter() + QStringLiteral(";;") + tr("Все файлы (*)"));
    if (path.isEmpty())
        return;
    openFile(path);
}

void ProgramDocument::openFile(const QString &path)
{
    // Remembered before the file is opened, so the next dialog starts there even if this fails.
    rememberDirectory(path);
    const ProgramText::LoadedFile file = ProgramText::loadFile(path);
    if (!file.ok()) {
        removeRecentFile(path);
        m_dialogs->warning(m_window, tr("Ошибка"), tr("Не удается открыть файл"),
                           ProgramText::problemText(file, path));
        return;
    }
    m_editor->setPlainText(file.text);
    m_editor->document()->setModified(false);
    markUnchangedByUser();
    // A file that is not all text is no program: saving it over itself would destroy the bytes
    // the editor cannot show, so Save asks for a new name, and the list of recent files, which
    // reopens with one click, does not take it. Unchanged until the user edits, it costs no
    // question on the way out.
    m_notText = file.bytesChanged;
    setFilePath(QFileInfo(path).absoluteFilePath());
    if (!m_notText)
        addRecentFile(m_filePath);
    // Loading the text offered Save as every change does; a freshly opened file has nothing to
    // save, unless it is to be saved as text under a new name.
    emit saveOffered(m_notText);
    if (m_notText) {
        m_dialogs->warning(m_window, tr("Предупреждение"),
                           tr("Файл содержит байты, которые не читаются как текст UTF-8, или "
                              "нулевые байты."),
                           tr("Они показаны знаком «�». Файл сохраняется только под новым "
                              "именем, и в нем эти байты будут заменены."));
    }
}

void ProgramDocument::setFilePath(const QString &path)
{
    m_filePath = path;
    m_window->setWindowTitle(
        path.isEmpty() ? tr("Quorvel[*]") : tr("%1[*] — Quorvel").arg(QFileInfo(path).fileName()));
    // Replacing the whole text can clear the document's flag without a signal.
    m_window->setWindowModified(m_editor->document()->isModified());
}

void ProgramDocument::startUntitled()
{
    m_notText = false;
    setFilePath(QString());
}

void ProgramDocument::openRecentFile(const QString &path)
{
    if (!maybeSave())
        return;
    openFile(path);
}

QStringList ProgramDocument::recentFiles() const
{
    return m_settings->value(SettingsKeys::RecentFiles).toStringList();
}

void ProgramDocument::storeRecentFiles(QStringList files)
{
    while (files.size() > MaxRecentFiles)
        files.removeLast();
    m_settings->setValue(SettingsKeys::RecentFiles, files);
    m_settings->sync();
    updateRecentFilesMenu();
}

void ProgramDocument::addRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    storeRecentFiles(files);
}

void ProgramDocument::removeRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    if (files.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
        storeRecentFiles(files);
}

void ProgramDocument::updateRecentFilesMenu()
{
    if (!m_recentFilesMenu)
        return;
    m_recentFilesMenu->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString &path = files.at(i);
        // The number is the access key; the full path tells apart files of the same name.
        QAction *action = m_recentFilesMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(path).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path]() { openRecentFile(path); });
    }
    if (!files.isEmpty()) {
        m_recentFilesMenu->addSeparator();
        QAction *clear = m_recentFilesMenu->addAction(tr("&Очистить список"));
        clear->setObjectName(QStringLiteral("clearRecentFilesAction"));
        connect(clear, &QAction::triggered, this, [this] { storeRecentFiles({}); });
    }
    m_recentFilesMenu->setEnabled(!files.isEmpty());
}

bool ProgramDocument::maybeSave()
{
    // The document's own flag, not Save's state: Save stands enabled right after start.
    if (!m_editor->document()->isModified())
        return true;
    // Enter saves only what the user wrote; a text the window put there (a program read from the
    // device) is not worth overwriting a file by a reflex.
    switch (m_dialogs->askSaveChanges(m_window, tr("Quorvel"),
                                      tr("Программа была изменена.\nСохранить изменения?"),
                                      m_changedByUser)) {
    case UserDialogs::SaveChoice::Save:
        return save(false);
    case UserDialogs::SaveChoice::Discard:
        return true;
    case UserDialogs::SaveChoice::Cancel:
        break;
    }
    return false;
}

bool ProgramDocument::save(bool askForName)
{
    QString path = askForName || m_notText ? QString() : m_filePath;
    if (path.isEmpty()) {
        path = m_dialogs->saveFileName(m_window, tr("Save File"), directory(), programFileFilter(),
                                       QLatin1String(ProgramSuffix));
        if (path.isEmpty())
            return false;
    }
    rememberDirectory(path);
    if (!writeFile(path)) {
        m_dialogs->warning(m_window, tr("Ошибка"), tr("Не удается сохранить файл"));
        return false;
    }
    m_notText = false;
    setFilePath(QFileInfo(path).absoluteFilePath());
    addRecentFile(m_filePath);
    m_editor->document()->setModified(false);
    emit saveOffered(false);
    return true;
}

bool ProgramDocument::writeFile(const QString &path)
{
    return ProgramText::saveFile(path, m_editor->toPlainText());
}

QString ProgramDocument::directory() const
{
    const QString remembered = m_settings->value(SettingsKeys::ProgramDirectory).toString();
    return remembered.isEmpty() ? QDir::currentPath() : remembered;
}

void ProgramDocument::rememberDirectory(const QString &filePath)
{
    m_settings->setValue(SettingsKeys::ProgramDirectory, QFileInfo(filePath).absolutePath());
    // Written at once: the choice must survive a crash or a second window reading the store.
    m_settings->sync();
}

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;
class QSettings;
class QTextEdit;
class QWidget;
class UserDialogs;

// The program file behind the editor: its path, the text to and from disk through the checked
// loader, the remembered folder, the recent files, and the question before unsaved work would be
// thrown away. The editor document's own modified flag is the one flag of unsaved changes.
class ProgramDocument : public QObject
{
    Q_OBJECT

public:
    // `window` parents the dialogs, and its title names the file.
    ProgramDocument(QTextEdit *editor, QSettings *settings, QWidget *window);

    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }
    // The menu that lists the recent files; kept up to date from here on.
    void setRecentFilesMenu(QMenu *menu);

    // The file that Save writes; empty for none.
    const QString &filePath() const { return m_filePath; }
    // Sets that file and shows its name in the window title.
    void setFilePath(const QString &path);
    // The editor now holds a document of no file (a new program, one read from the device):
    // the next Save asks for a name rather than write over the file that was open.
    void startUntitled();

    // Text the window put into the editor (a new program, one read from the device): until the
    // user edits it, the save question does not offer saving as its default.
    void markUnchangedByUser();
    // Asks whether to save changed text; false when the user cancels or the save fails.
    bool maybeSave();
    // After the save question, asks for a file and opens it.
    void open();
    // Opens `path` as once a name has been chosen.
    void openFile(const QString &path);
    // Saves to the current file, or asks for a name when askForName, when there is none, or when
    // the file opened was not all text; true when saved.
    bool save(bool askForName);

signals:
    // Whether Save has something to save: off once the text is on disk as it is in the editor.
    void saveOffered(bool offered);

private:
    // Replaces the file with the editor text only once it is completely written.
    bool writeFile(const QString &path);
    // Where the file dialogs start: the remembered folder, else the working directory.
    QString directory() const;
    void rememberDirectory(const QString &filePath);
    void openRecentFile(const QString &path);
    QStringList recentFiles() const;
    void storeRecentFiles(QStringList files);
    void addRecentFile(const QString &path);
    void removeRecentFile(const QString &path);
    void updateRecentFilesMenu();

    QTextEdit *m_editor;
    QSettings *m_settings;
    QWidget *m_window;
    UserDialogs *m_dialogs = nullptr;
    QMenu *m_recentFilesMenu = nullptr;
    QString m_filePath;
    // The open file held bytes the editor cannot show: it is not written over.
    bool m_notText = false;
    bool m_changedByUser = false;
};

#pragma once

#include "userdialogs.h"

#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

// Answers the window's dialogs from queues and records what was asked, so tests never block on a
// modal dialog. An empty file-name queue answers like a cancelled dialog.
class ScriptedDialogs : public UserDialogs
{
public:
    struct Call
    {
        QString kind; // "open", "save", "warning", "critical", "information", "about", "ask",
                      // "stop", "line", "limits", "label"
        QString title;
        QString text; // message text, or the starting directory of a file dialog
        QString filter;
        // The informative text under a warning's or critical box's message.
        QString detail;
    };

    QQueue<QString> fileNames;
    QQueue<SaveChoice> saveChoices;
    // Answers to closing during a transfer: true is «Прервать»; an empty queue keeps the window.
    QQueue<bool> stopChoices;
    // Answers to writing beyond the limits: true is «Записать»; an empty queue sends nothing.
    QQueue<bool> limitChoices;
    QQueue<bool> registerChoices;
    // Answers to "go to line"; an empty queue cancels.
    QQueue<int> lineNumbers;
    // Answers to "rename label"; an empty queue cancels.
    QQueue<int> labelNumbers;
    QList<Call> calls;
    // Runs while a question is open, as a modal dialog's own event loop would: a test holds the
    // question open with it.
    std::function<void()> whileAsked;

    QStringList kinds() const
    {
        QStringList out;
        for (const Call &call : calls)
            out << call.kind;
        return out;
    }

    QString openFileName(QWidget *, const QString &caption, const QString &directory,
                         const QString &filter) override
    {
        calls.append({QStringLiteral("open"), caption, directory, filter, QString()});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    // The detail of a "save" call is the suffix the dialog adds.
    QString chooseSaveFileName(QWidget *, const QString &caption, const QString &directory,
                               const QString &filter, const QString &suffix) override
    {
        calls.append({QStringLiteral("save"), caption, directory, filter, suffix});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    void warning(QWidget *, const QString &title, const QString &text,
                 const QString &detail = QString()) override
    {
        calls.append({QStringLiteral("warning"), title, text, QString(), detail});
    }
    void critical(QWidget *, const QString &title, const QString &text,
                  const QString &detail = QString()) override
    {
        calls.append({QStringLiteral("critical"), title, text, QString(), detail});
    }
    void information(QWidget *, const QString &title, const QString &text) override
    {
        calls.append({QStringLiteral("information"), title, text, QString(), QString()});
    }
    void about(QWidget *, const QString &title, const QString &text) override
    {
        calls.append({QStringLiteral("about"), title, text, QString(), QString()});
    }
    // The detail of an "ask" call names the default button: "save" or "cancel".
    SaveChoice askSaveChanges(QWidget *, const QString &title, const QString &text,
                              bool saveIsDefault) override
    {
        calls.append({QStringLiteral("ask"), title, text, QString(),
                      saveIsDefault ? QStringLiteral("save") : QStringLiteral("cancel")});
        return saveChoices.isEmpty() ? SaveChoice::Cancel : saveChoices.dequeue();
    }
    bool askStopTransfer(QWidget *, const QString &title, const QString &text) override
    {
        calls.append({QStringLiteral("stop"), title, text, QString(), QString()});
        if (whileAsked)
            whileAsked();
        return !stopChoices.isEmpty() && stopChoices.dequeue();
    }
    bool askWriteBeyondLimits(QWidget *, const QString &title, const QString &text) override
    {
        calls.append({QStringLiteral("limits"), title, text, QString(), QString()});
        return !limitChoices.isEmpty() && limitChoices.dequeue();
    }
    bool askWriteRegister(QWidget *, const QString &title, const QString &text) override
    {
        calls.append({QStringLiteral("register"), title, text, QString(), QString()});
        return !registerChoices.isEmpty() && registerChoices.dequeue();
    }
    int askLineNumber(QWidget *, const QString &title, const QString &label, int current,
                      int maximum) override
    {
        calls.append({QStringLiteral("line"), title,
                      QStringLiteral("%1 [%2/%3]").arg(label).arg(current).arg(maximum), QString(),
                      QString()});
        return lineNumbers.isEmpty() ? 0 : lineNumbers.dequeue();
    }
    int askLabelNumber(QWidget *, const QString &title, const QString &label, int current) override
    {
        calls.append({QStringLiteral("label"), title,
                      QStringLiteral("%1 [%2]").arg(label).arg(current), QString(), QString()});
        return labelNumbers.isEmpty() ? -1 : labelNumbers.dequeue();
    }
};

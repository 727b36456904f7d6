#pragma once

#include <QString>

class QWidget;

// Every modal dialog of the window goes through here, so that tests can answer them.
class UserDialogs
{
public:
    enum class SaveChoice
    {
        Save,
        Discard,
        Cancel
    };

    virtual ~UserDialogs() = default;

    // An empty name when the user cancels.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QString &filter);
    // The name to save under, with `suffix` (no dot) added when the name has none; empty when
    // the user cancels.
    QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                         const QString &filter, const QString &suffix);
    // detail, when given, is the box's informative text: the reason under the message.
    virtual void warning(QWidget *parent, const QString &title, const QString &text,
                         const QString &detail = QString());
    virtual void critical(QWidget *parent, const QString &title, const QString &text,
                          const QString &detail = QString());
    virtual void information(QWidget *parent, const QString &title, const QString &text);
    virtual void about(QWidget *parent, const QString &title, const QString &text);
    // Asked before unsaved changes would be thrown away. saveIsDefault: Enter saves; otherwise
    // Enter cancels.
    virtual SaveChoice askSaveChanges(QWidget *parent, const QString &title, const QString &text,
                                      bool saveIsDefault);
    // Asked when the window is closed while a transfer runs: true to stop it («Прервать»), false
    // to keep the window («Отмена»).
    virtual bool askStopTransfer(QWidget *parent, const QString &title, const QString &text);
    // Asked before a write of a program that goes beyond the operands' limits: true to write
    // all the same («Записать»), false to send nothing («Не записывать», the default button).
    virtual bool askWriteBeyondLimits(QWidget *parent, const QString &title, const QString &text);
    // Asked before a register write goes out: true to send it («Записать»), false to send
    // nothing («Отмена», the default button).
    virtual bool askWriteRegister(QWidget *parent, const QString &title, const QString &text);
    // A number from 1 to maximum, starting at current; 0 when the user cancels.
    virtual int askLineNumber(QWidget *parent, const QString &title, const QString &label,
                              int current, int maximum);
    // A label number from 0 to 99, starting at current; -1 when the user cancels.
    virtual int askLabelNumber(QWidget *parent, const QString &title, const QString &label,
                               int current);

protected:
    // The name chosen in a save dialog, as typed; `suffix` is the type's suffix (no dot) the
    // dialog adds itself.
    virtual QString chooseSaveFileName(QWidget *parent, const QString &caption,
                                       const QString &directory, const QString &filter,
                                       const QString &suffix);
};

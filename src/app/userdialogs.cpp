#include "userdialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

QString UserDialogs::openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                  const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString UserDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                  const QString &filter, const QString &suffix)
{
    const QString path = chooseSaveFileName(parent, caption, directory, filter, suffix);
    // A name typed without a suffix gets its type's, so that a filter finds the file afterwards;
    // a suffix the user typed is kept.
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + suffix;
}

QString UserDialogs::chooseSaveFileName(QWidget *parent, const QString &caption,
                                        const QString &directory, const QString &filter,
                                        const QString &suffix)
{
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // With the suffix added by the dialog, its own question about replacing an existing file is
    // asked for the name that will be written, and never for a file of another type.
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void UserDialogs::warning(QWidget *parent, const QString &title, const QString &text,
                          const QString &detail)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

void UserDialogs::critical(QWidget *parent, const QString &title, const QString &text,
                           const QString &detail)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

void UserDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

void UserDialogs::about(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::about(parent, title, text);
}

namespace {

// A question with one button that acts and one that keeps things as they are; the second is the
// default and Escape's, so a reflex of Enter never acts. True when the first was pressed.
bool askToAct(QMessageBox::Icon icon, QWidget *parent, const QString &title, const QString &text,
              const QString &act, const QString &keep)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QPushButton *acting = box.addButton(act, QMessageBox::AcceptRole);
    QPushButton *keeping = box.addButton(keep, QMessageBox::RejectRole);
    box.setDefaultButton(keeping);
    box.setEscapeButton(keeping);
    box.exec();
    return box.clickedButton() == acting;
}

} // namespace

bool UserDialogs::askStopTransfer(QWidget *parent, const QString &title, const QString &text)
{
    return askToAct(QMessageBox::Question, parent, title, text, QMessageBox::tr("Прервать"),
                    QMessageBox::tr("Отмена"));
}

bool UserDialogs::askWriteBeyondLimits(QWidget *parent, const QString &title, const QString &text)
{
    return askToAct(QMessageBox::Warning, parent, title, text, QMessageBox::tr("Записать"),
                    QMessageBox::tr("Не записывать"));
}

bool UserDialogs::askWriteRegister(QWidget *parent, const QString &title, const QString &text)
{
    return askToAct(QMessageBox::Question, parent, title, text, QMessageBox::tr("Записать"),
                    QMessageBox::tr("Отмена"));
}

UserDialogs::SaveChoice UserDialogs::askSaveChanges(QWidget *parent, const QString &title,
                                                    const QString &text, bool saveIsDefault)
{
    // Russian even where Qt's own translation is missing.
    QMessageBox box(QMessageBox::Question, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Save)->setText(QMessageBox::tr("Сохранить"));
    box.button(QMessageBox::Discard)->setText(QMessageBox::tr("Не сохранять"));
    box.button(QMessageBox::Cancel)->setText(QMessageBox::tr("Отмена"));
    box.setDefaultButton(saveIsDefault ? QMessageBox::Save : QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

int UserDialogs::askLineNumber(QWidget *parent, const QString &title, const QString &label,
                               int current, int maximum)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, maximum);
    dialog.setIntValue(current);
    // No translation is installed, so the buttons get their Russian texts here.
    dialog.setOkButtonText(QInputDialog::tr("ОК"));
    dialog.setCancelButtonText(QInputDialog::tr("Отмена"));
    return dialog.exec() == QDialog::Accepted ? dialog.intValue() : 0;
}

int UserDialogs::askLabelNumber(QWidget *parent, const QString &title, const QString &label,
                                int current)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(0, 99);
    dialog.setIntValue(current);
    dialog.setOkButtonText(QInputDialog::tr("ОК"));
    dialog.setCancelButtonText(QInputDialog::tr("Отмена"));
    return dialog.exec() == QDialog::Accepted ? dialog.intValue() : -1;
}

#pragma once

#include "interfacelanguage.h"

#include <QMenu>

class QSettings;
class UserDialogs;

// «Язык интерфейса»: Русский or English, remembered in the settings store. The texts are loaded
// once at start, so a new choice takes effect at the next start, and the menu says so.
class LanguageMenu : public QMenu
{
    Q_OBJECT

public:
    LanguageMenu(QSettings *settings, QWidget *parent);

    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }

    // The language the window starts in: the remembered choice, else the system's.
    static InterfaceLanguage::Language languageAtStart(const QSettings &settings);

private:
    void choose(InterfaceLanguage::Language language);

    QSettings *m_settings;
    UserDialogs *m_dialogs = nullptr;
};

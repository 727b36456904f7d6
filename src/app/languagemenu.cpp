#include "languagemenu.h"

#include "settingskeys.h"
#include "userdialogs.h"

#include <QActionGroup>
#include <QSettings>

using InterfaceLanguage::Language;

LanguageMenu::LanguageMenu(QSettings *settings, QWidget *parent)
    : QMenu(tr("Язык &интерфейса"), parent), m_settings(settings)
{
    setObjectName(QStringLiteral("menuInterfaceLanguage"));
    auto *group = new QActionGroup(this);
    // Each language is named in itself, so that whoever cannot read the current one finds theirs.
    const struct
    {
        Language language;
        QString name;
        const char *objectName;
    } choices[] = {{Language::Russian, QStringLiteral("&Русский"), "russianLanguageAction"},
                   {Language::English, QStringLiteral("&English"), "englishLanguageAction"}};
    const Language chosen = languageAtStart(*settings);
    for (const auto &choice : choices) {
        QAction *action = addAction(choice.name);
        action->setObjectName(QLatin1String(choice.objectName));
        action->setCheckable(true);
        action->setChecked(choice.language == chosen);
        action->setActionGroup(group);
        const Language language = choice.language;
        connect(action, &QAction::triggered, this, [this, language] { choose(language); });
    }
}

Language LanguageMenu::languageAtStart(const QSettings &settings)
{
    return InterfaceLanguage::atStart(settings.value(SettingsKeys::InterfaceLanguage).toString());
}

void LanguageMenu::choose(Language language)
{
    m_settings->setValue(SettingsKeys::InterfaceLanguage, InterfaceLanguage::code(language));
    if (language == InterfaceLanguage::current() || !m_dialogs)
        return;
    m_dialogs->information(parentWidget(), tr("Язык интерфейса"),
                           tr("Язык интерфейса сменится при следующем запуске программы."));
}

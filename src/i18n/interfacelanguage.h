#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTranslator;

// The language people read the program in. Russian is the language the texts are written in and
// the default; English comes from the program's own translation, built into it.
namespace InterfaceLanguage {

enum class Language
{
    Russian,
    English
};

// "ru" or "en", as the settings store and the command line's --lang spell them.
QString code(Language language);
std::optional<Language> fromCode(const QString &code);

// The first of the user's preferred languages that the program speaks decides; with none of
// them (German alone, the C or POSIX locale), Russian.
Language fromUiLanguages(const QStringList &uiLanguages);
// The same over QLocale::system().uiLanguages(), which follows LANGUAGE, LC_ALL, LC_MESSAGES and
// LANG.
Language fromSystem();
// A remembered choice wins over the system's languages; an unknown one is ignored.
Language atStart(const QString &rememberedCode);

// The language installed last, Russian while none is.
Language current();

} // namespace InterfaceLanguage

// Installs the program's translation and Qt's own for one language, for as long as it lives:
// the window and the command-line tool hold one for their whole run, a test for one case.
class InstalledLanguage
{
public:
    explicit InstalledLanguage(InterfaceLanguage::Language language);
    ~InstalledLanguage();
    InstalledLanguage(const InstalledLanguage &) = delete;
    InstalledLanguage &operator=(const InstalledLanguage &) = delete;

    InterfaceLanguage::Language language() const { return m_language; }
    // False when a translation could not be loaded: the program's own is built in, so only Qt's
    // (from the qttranslations package) can be missing; its dialogs then keep Qt's English texts.
    bool complete() const { return m_complete; }

private:
    InterfaceLanguage::Language m_language;
    InterfaceLanguage::Language m_previous;
    bool m_complete = true;
    std::vector<std::unique_ptr<QTranslator>> m_translators;
};

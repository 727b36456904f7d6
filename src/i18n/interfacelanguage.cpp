#include "interfacelanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

InterfaceLanguage::Language installedLanguage = InterfaceLanguage::Language::Russian;

QString qtTranslationsFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

// Outside any namespace, as Qt requires: the translations live in a static library.
static void initTranslationResources()
{
    Q_INIT_RESOURCE(translations);
}

namespace InterfaceLanguage {

QString code(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("ru");
}

std::optional<Language> fromCode(const QString &code)
{
    if (code == QLatin1String("ru"))
        return Language::Russian;
    if (code == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

Language fromUiLanguages(const QStringList &uiLanguages)
{
    for (const QString &tag : uiLanguages) {
        // "en", "en-GB", "en_US", "ru-RU": the part before the first separator names the language.
        const QString primary = tag.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (const std::optional<Language> language = fromCode(primary.toLower()))
            return *language;
    }
    return Language::Russian;
}

Language fromSystem()
{
    return fromUiLanguages(QLocale::system().uiLanguages());
}

Language atStart(const QString &rememberedCode)
{
    return fromCode(rememberedCode).value_or(fromSystem());
}

Language current()
{
    return installedLanguage;
}

} // namespace InterfaceLanguage

InstalledLanguage::InstalledLanguage(InterfaceLanguage::Language language)
    : m_language(language), m_previous(installedLanguage)
{
    initTranslationResources();
    const auto load = [this](const QString &name, const QString &folder) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(name, folder)) {
            m_complete = false;
            return;
        }
        QCoreApplication::installTranslator(translator.get());
        m_translators.push_back(std::move(translator));
    };
    // English needs only the program's texts, Qt's being English; Russian Qt's own texts and the
    // forms a count declines its word in, which a source text cannot hold.
    if (language == InterfaceLanguage::Language::English) {
        load(QStringLiteral("quorvel_en"), QStringLiteral(":/i18n"));
    } else {
        load(QStringLiteral("quorvel_ru"), QStringLiteral(":/i18n"));
        load(QStringLiteral("qtbase_ru"), qtTranslationsFolder());
    }
    installedLanguage = language;
}

InstalledLanguage::~InstalledLanguage()
{
    for (const std::unique_ptr<QTranslator> &translator : m_translators)
        QCoreApplication::removeTranslator(translator.get());
    installedLanguage = m_previous;
}

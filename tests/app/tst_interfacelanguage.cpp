// The interface language: how it is chosen at start, the window in English, the choice in the
// Help menu, and the English translation's completeness. CTest runs this program with
// LANGUAGE=en, as a user whose desktop is in English.

#include "compiler.h"
#include "interfacelanguage.h"
#include "language.h"
#include "languagemenu.h"
#include "transferjob.h"
#include "transferwording.h"
#include "settingskeys.h"
#include "windowfixture.h"

#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTextEdit>
#include <QTest>
#include <QXmlStreamReader>

using UiLanguage = InterfaceLanguage::Language;

Q_DECLARE_METATYPE(InterfaceLanguage::Language)

namespace {

QSettings windowSettings()
{
    return {QSettings::NativeFormat, QSettings::UserScope, SettingsKeys::Organization,
            SettingsKeys::Application};
}

QStringList menuTitles(const QMainWindow &window)
{
    QStringList titles;
    for (QAction *menu : window.menuBar()->actions())
        titles << menu->text();
    return titles;
}

// Every menu entry, in every menu and submenu, with its access key; none twice in one menu.
QStringList accessKeyProblems(const QMenu &menu)
{
    QStringList problems;
    QStringList keys;
    for (QAction *entry : menu.actions()) {
        if (entry->isSeparator())
            continue;
        const QRegularExpressionMatch key =
            QRegularExpression(QStringLiteral("&([^&])")).match(entry->text());
        if (!key.hasMatch())
            problems << menu.title() + QStringLiteral(": no key in ") + entry->text();
        else if (keys.contains(key.captured(1).toLower()))
            problems << menu.title() + QStringLiteral(": key used twice, ") + entry->text();
        keys << key.captured(1).toLower();
        if (entry->menu())
            problems << accessKeyProblems(*entry->menu());
    }
    return problems;
}

// %1, %2 ... and %n, %v, %m, sorted: a translation must use the same ones as its source.
QStringList placeholders(const QString &text)
{
    QStringList found;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("%(\\d+|[nvm])")).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

} // namespace

class LanguageTest : public QObject, public WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void languageFromSystem_data();
    void languageFromSystem();
    void windowStartsInChosenLanguage_data();
    void windowStartsInChosenLanguage();
    void menuRemembersChoiceForNextStart();
    void englishTranslationIsComplete();
    void countsAreDeclined_data();
    void countsAreDeclined();
};

void LanguageTest::initTestCase()
{
    QVERIFY(isolateSettings());
}

void LanguageTest::cleanup()
{
    closeWindow();
    windowSettings().remove(SettingsKeys::InterfaceLanguage);
}

void LanguageTest::languageFromSystem_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<UiLanguage>("expected");

    QTest::newRow("English desktop")
        << QStringList{"en-US", "en", "en-Latn-US"} << UiLanguage::English;
    QTest::newRow("British, underscore") << QStringList{"en_GB"} << UiLanguage::English;
    QTest::newRow("Russian desktop") << QStringList{"ru-RU", "ru"} << UiLanguage::Russian;
    QTest::newRow("C locale") << QStringList{"C"} << UiLanguage::Russian;
    QTest::newRow("nothing known") << QStringList{} << UiLanguage::Russian;
    QTest::newRow("German only") << QStringList{"de-DE", "de"} << UiLanguage::Russian;
    // LANGUAGE=de:en: the first language the program speaks decides.
    QTest::newRow("German, then English")
        << QStringList{"de", "de-DE", "en", "en-US"} << UiLanguage::English;
    QTest::newRow("Ukrainian, then Russian, then English")
        << QStringList{"uk-UA", "ru-RU", "en-US"} << UiLanguage::Russian;
}

void LanguageTest::languageFromSystem()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(UiLanguage, expected);
    QCOMPARE(InterfaceLanguage::fromUiLanguages(uiLanguages), expected);
}

void LanguageTest::windowStartsInChosenLanguage_data()
{
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("reportStart");
    QTest::addColumn<QString>("qtCancel");

    const QStringList english{"&File", "&Edit", "&Program", "&Device", "&Help"};
    const QStringList russian{"&Файл", "&Правка", "П&рограмма", "Пр&ибор", "&Справка"};
    // This program runs with LANGUAGE=en: without a choice, the window follows it.
    QTest::newRow("system's English") << QString() << english << "Compiling:"
                                      << "Cancel";
    QTest::newRow("unknown choice ignored") << "de" << english << "Compiling:"
                                            << "Cancel";
    QTest::newRow("remembered Russian") << "ru" << russian << "Компиляция:"
                                        << "Отмена";
    QTest::newRow("remembered English") << "en" << english << "Compiling:"
                                        << "Cancel";
}

void LanguageTest::windowStartsInChosenLanguage()
{
    QFETCH(QString, remembered);
    QFETCH(QStringList, titles);
    QFETCH(QString, reportStart);
    QFETCH(QString, qtCancel);
    QVERIFY2(QLocale::system().uiLanguages().value(0).startsWith(QLatin1String("en")),
             "run through CTest, which sets LANGUAGE=en");

    if (!remembered.isEmpty())
        windowSettings().setValue(SettingsKeys::InterfaceLanguage, remembered);
    // What the program's start does, before the window exists.
    const InstalledLanguage language(LanguageMenu::languageAtStart(windowSettings()));
    openWindow();
    QCOMPARE(menuTitles(*window), titles);
    for (QAction *menu : window->menuBar()->actions()) {
        const QStringList problems = accessKeyProblems(*menu->menu());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }

    window->editor()->setPlainText(QStringLiteral("prgName = \"T\";\nUs = 5;\n"));
    action("compileAction")->trigger();
    QCOMPARE(paneLines().value(0), reportStart);
    QCOMPARE(paneLines().last(), QStringLiteral("OK: 1/100"));
    // Longer words must not widen the window or clip a label, with the run's dock open too.
    QVERIFY(showActive());
    QVERIFY2(fitProblems().isEmpty(), qPrintable(fitProblems().join(QStringLiteral("; "))));
    action("runAction")->trigger();
    QTRY_VERIFY(window->findChild<QDockWidget *>(QStringLiteral("programRunDock"))->isVisible());
    QVERIFY2(fitProblems().isEmpty(), qPrintable(fitProblems().join(QStringLiteral("; "))));
    // Qt's own dialogs speak the same language.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
}

void LanguageTest::menuRemembersChoiceForNextStart()
{
    const InstalledLanguage russian(UiLanguage::Russian);
    openWindow();
    QAction *english = window->findChild<QAction *>(QStringLiteral("englishLanguageAction"));
    QAction *russianAction = window->findChild<QAction *>(QStringLiteral("russianLanguageAction"));
    QVERIFY(english && russianAction);
    // Nothing remembered yet: the menu shows the system's language, English here.
    QVERIFY(english->isChecked());

    russianAction->trigger();
    QCOMPARE(windowSettings().value(SettingsKeys::InterfaceLanguage).toString(),
             QStringLiteral("ru"));
    // Russian is what the window already speaks: nothing to announce.
    QVERIFY(!dialogs->kinds().contains(QStringLiteral("information")));
    QVERIFY(russianAction->isChecked() && !english->isChecked());

    english->trigger();
    QCOMPARE(windowSettings().value(SettingsKeys::InterfaceLanguage).toString(),
             QStringLiteral("en"));
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("information")});
    QVERIFY(dialogs->calls.last().text.contains(QStringLiteral("при следующем запуске")));
    // The window itself keeps its language until then.
    QCOMPARE(menuTitles(*window).value(0), QStringLiteral("&Файл"));
}

void LanguageTest::englishTranslationIsComplete()
{
    QFile file(QStringLiteral(QUORVEL_SOURCE_DIR "/translations/quorvel_en.ts"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    bool numerus = false;
    int messages = 0;
    QStringList problems;
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    const QRegularExpression accessKey(QStringLiteral("&[^&\\s]"));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            ++messages;
            const bool unfinished = !xml.attributes().value(QLatin1String("type")).isEmpty();
            // A counted text has English's two forms, singular and plural.
            QStringList forms;
            if (numerus) {
                while (xml.readNextStartElement())
                    forms << xml.readElementText();
                if (forms.size() != 2)
                    forms << QString();
            } else {
                forms << xml.readElementText();
            }
            const QString where = context + QStringLiteral(" «") + source + QStringLiteral("»: ");
            for (const QString &translation : qAsConst(forms)) {
                if (unfinished || translation.isEmpty())
                    problems << where + QStringLiteral("not translated");
                else if (translation.contains(cyrillic))
                    problems << where + QStringLiteral("Cyrillic in ") + translation;
                else if (placeholders(translation) != placeholders(source))
                    problems << where + QStringLiteral("placeholders differ in ") + translation;
                else if (source.contains(accessKey) && !translation.contains(accessKey))
                    problems << where + QStringLiteral("no access key in ") + translation;
            }
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(messages > 100, qPrintable(QString::number(messages)));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void LanguageTest::countsAreDeclined_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<int>("count");
    // The check that a cell holds `count` records, and the compile of 100 + `count` records.
    QTest::addColumn<QString>("verified");
    QTest::addColumn<QString>("tooMany");

    const auto row = [](const char *name, UiLanguage language, int count, const char *verified,
                        const char *tooMany) {
        QTest::newRow(name) << language << count << QString::fromUtf8(verified)
                            << QString::fromUtf8(tooMany);
    };
    const UiLanguage ru = UiLanguage::Russian;
    row("ru 1", ru, 1, "Проверка пройдена: 1 запись совпадает", "101 запись");
    row("ru 2", ru, 2, "Проверка пройдена: 2 записи совпадают", "102 записи");
    row("ru 5", ru, 5, "Проверка пройдена: 5 записей совпадают", "105 записей");
    row("ru 11", ru, 11, "Проверка пройдена: 11 записей совпадают", "111 записей");
    row("ru 21", ru, 21, "Проверка пройдена: 21 запись совпадает", "121 запись");
    row("ru 22", ru, 22, "Проверка пройдена: 22 записи совпадают", "122 записи");
    row("ru 25", ru, 25, "Проверка пройдена: 25 записей совпадают", "125 записей");
    const UiLanguage en = UiLanguage::English;
    row("en 1", en, 1, "Verification passed: 1 record matches", "101 records");
    row("en 2", en, 2, "Verification passed: 2 records match", "102 records");
    row("en 21", en, 21, "Verification passed: 21 records match", "121 records");
}

void LanguageTest::countsAreDeclined()
{
    QFETCH(UiLanguage, language);
    QFETCH(int, count);
    QFETCH(QString, verified);
    QFETCH(QString, tooMany);

    // As the window and the tool install it at start.
    const InstalledLanguage installed(language);
    TransferOutcome outcome;
    outcome.comparison.outcome = ProgramComparison::Outcome::Equal;
    outcome.comparison.expectedCount = count;
    QCOMPARE(TransferWording::comparisonLines(outcome).value(0).text, verified);

    const CompileResult compiled =
        Compiler(Language::statementKinds(), Language::operandCodes(), Language::compareCodes())
            .compile(QStringLiteral("prgName = \"N\";\n") +
                     QStringLiteral("nop;\n").repeated(100 + count));
    QStringList warnings;
    for (const Diagnostic &diagnostic : compiled.diagnostics)
        warnings << diagnostic.message;
    QVERIFY2(
        !warnings.filter(QRegularExpression(QStringLiteral("^") + tooMany + QStringLiteral(": ")))
             .isEmpty(),
        qPrintable(warnings.join(QLatin1Char('|'))));
}

QTEST_MAIN(LanguageTest)
#include "tst_interfacelanguage.moc"

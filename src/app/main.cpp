#include "interfacelanguage.h"
#include "languagemenu.h"
#include "mainwindow.h"
#include "settingskeys.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>

int main(int argc, char *argv[])
{
    // Sharp and to scale on a high-density screen: Qt 6 does all of this by itself. Set before the
    // application object exists, as Qt requires.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    // A 150 % screen gets 1.5, not 2: rounding would make everything a third too large.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    // Before any widget exists: texts are translated as they are set.
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             SettingsKeys::Organization, SettingsKeys::Application);
    const InstalledLanguage language(LanguageMenu::languageAtStart(settings));
    MainWindow window;
    window.show();
    // A file manager passes the program file to open as the one argument.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openProgramFile(arguments.at(1));
    return application.exec();
}

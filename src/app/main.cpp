#include "mainwindow.h"
#include "qttranslation.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installQtTranslation(application);
    MainWindow window;
    window.show();
    // A file manager passes the program file to open as the one argument.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openProgramFile(arguments.at(1));
    return application.exec();
}

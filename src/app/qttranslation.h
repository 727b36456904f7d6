#pragma once

class QCoreApplication;

// Qt's own dialogs and standard buttons speak Russian like the rest of the window, whatever the
// machine's locale: installs Qt's Russian translation from Qt's translations folder. False when
// it is not there; the program then runs with Qt's English texts.
bool installQtTranslation(QCoreApplication &application);

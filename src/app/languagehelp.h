#pragma once

#include <QString>

class QWidget;

// «Справка → Язык программ»: the statement table and an example program, and their window.
namespace LanguageHelp {

QString html();
// A program that compiles without a diagnostic; the help shows it as it is.
QString example();
// Shows the help in a window of its own beside `parent`, made on first use.
void show(QWidget *parent);

} // namespace LanguageHelp

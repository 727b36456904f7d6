#pragma once

#include <QString>

#include <functional>

class QWidget;

// «Справка → Язык программ»: the statement table and an example program, and their window.
namespace LanguageHelp {

QString html();
// A program that compiles without a diagnostic; the help shows it as it is.
QString example();
// Shows the help in a window of its own beside `parent`, made on first use; its button
// «Вставить пример» calls openExample.
void show(QWidget *parent, const std::function<void()> &openExample);

} // namespace LanguageHelp

#pragma once

#include <QString>

// The text of «Справка → Язык программ»: the statement table and an example program.
namespace LanguageHelp {

QString html();
// A program that compiles without a diagnostic; the help shows it as it is.
QString example();

} // namespace LanguageHelp

// The window in the reader's language: the program's own translations (compiled from
// resources/translations/ and carried in the program under :/i18n/), Qt's for its own texts
// (file dialogs, message-box buttons; the system's qt6-translations-l10n), and numbers written
// as the language writes them where a person reads them.
//
// Whatever the language, the C library keeps the C locale for numbers (Qt sets the process's
// locale from the environment when the application object is made): the CSV recording, JSON,
// SCPI replies and the clipboard's reading are written with a point for every reader.
//
// Main (GUI) thread, once the application object exists and before any window or worker.
#pragma once

#include <QString>

#include <string>

#include "app/Language.h"

class QCoreApplication;

// Installs the translations of `language` into `app` (they live as long as it does, or until
// the next call replaces them; windows made before keep their texts) and makes the language's
// number conventions the default locale's (without group separators, so a figure reads as the
// instrument shows it).  Returns false when the program's own translation is missing.
bool UseLanguage(QCoreApplication& app, TLanguage language);

// A number written in the C locale, alone or with its unit ("-1.5e-07", "10000.000",
// "100 ns"), as the reader's language writes it ("-1,5e-07", "100 нс" in Russian); any other
// text as it is.
QString ShownFigure(const std::string& text);
// A unit with or without its SI prefix ("Hz", "ms", "\u00B5s") in the reader's words ("Гц",
// "мс", "мкс" in Russian); one the translations do not know as it is.
QString ShownUnit(const std::string& unit);

// The language of the window: Russian for a Russian locale, English otherwise.  No Qt: it is
// decided from the environment and the command line before the window system starts.
//
// The environment is read as gettext reads it for messages: the locale is the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty; in the C locale (C, POSIX, C.<codeset>
// or none) the window is English.  Otherwise LANGUAGE, when set, is a colon-separated list of
// preferences ("ru:en", "de_DE:ru") whose first entry the program has a translation for wins
// (English is its own), and a list with none of them gives English; without LANGUAGE the locale
// decides.  A name is matched by its language part, before any '_', '.' or '@' ("ru_UA.UTF-8"
// is Russian).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum TLanguage : std::uint8_t { lnEnglish, lnRussian };

// Reads an environment variable: its value, or null when it is not set.
using TEnvironment = std::function<const char*(const char* name)>;

TLanguage LanguageFromEnvironment(const TEnvironment& environment);

// "ru" or "en" (the --lang option's values): true with the language, false for anything else.
bool ParseLanguage(const std::string& code, TLanguage& language);

// "ru" or "en".
const char* LanguageCode(TLanguage language);

#include "app/Language.h"

#include <algorithm>

namespace {

// The language part of a locale or LANGUAGE entry: "ru_RU.UTF-8" -> "ru".
std::string LanguagePart(const std::string& name) { return name.substr(0, name.find_first_of("_.@")); }

bool IsCLocale(const std::string& name) {
  const std::string language = LanguagePart(name);
  return name.empty() || language == "C" || language == "POSIX";
}

const char* Value(const TEnvironment& environment, const char* name) {
  const char* value = environment(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

TLanguage LanguageFromEnvironment(const TEnvironment& environment) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = Value(environment, name)) {
      locale = value;
      break;
    }
  }
  if (IsCLocale(locale)) return lnEnglish;
  TLanguage language = lnEnglish;
  if (const char* list = Value(environment, "LANGUAGE")) {
    const std::string preferences = list;
    for (std::size_t start = 0; start <= preferences.size();) {
      const std::size_t colon = std::min(preferences.find(':', start), preferences.size());
      if (ParseLanguage(LanguagePart(preferences.substr(start, colon - start)), language)) return language;
      start = colon + 1;
    }
    return lnEnglish;
  }
  return ParseLanguage(LanguagePart(locale), language) ? language : lnEnglish;
}

bool ParseLanguage(const std::string& code, TLanguage& language) {
  if (code == "ru") {
    language = lnRussian;
  } else if (code == "en") {
    language = lnEnglish;
  } else {
    return false;
  }
  return true;
}

const char* LanguageCode(TLanguage language) { return language == lnRussian ? "ru" : "en"; }

// The window's language from the environment, as gettext reads it for messages.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/Language.h"

namespace {

TEST(LanguageTest, TheLocaleAndLanguageChooseAsGettextDoes) {
  struct TCase {
    std::map<std::string, std::string> Environment;
    TLanguage Expected;
  };
  const TCase cases[] = {
      {{}, lnEnglish},
      {{{"LANG", "ru_RU.UTF-8"}}, lnRussian},
      {{{"LANG", "ru_UA@euro"}}, lnRussian},
      {{{"LANG", "ru"}}, lnRussian},
      {{{"LANG", "en_GB.UTF-8"}}, lnEnglish},
      {{{"LANG", "de_DE.UTF-8"}}, lnEnglish},
      {{{"LANG", "C"}}, lnEnglish},
      {{{"LANG", "rus"}}, lnEnglish},
      // LC_ALL before LC_MESSAGES before LANG; an empty one counts as not set.
      {{{"LC_ALL", "C"}, {"LANG", "ru_RU.UTF-8"}}, lnEnglish},
      {{{"LC_ALL", ""}, {"LANG", "ru_RU.UTF-8"}}, lnRussian},
      {{{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ru_RU.UTF-8"}}, lnEnglish},
      {{{"LC_ALL", "ru_RU.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, lnRussian},
      // LANGUAGE: the first it has of a list, in any but the C locale.
      {{{"LANGUAGE", "ru"}, {"LANG", "en_US.UTF-8"}}, lnRussian},
      {{{"LANGUAGE", "de:ru_RU:en"}, {"LANG", "en_US.UTF-8"}}, lnRussian},
      {{{"LANGUAGE", "en:ru"}, {"LANG", "ru_RU.UTF-8"}}, lnEnglish},
      {{{"LANGUAGE", "de:fr"}, {"LANG", "ru_RU.UTF-8"}}, lnEnglish},
      {{{"LANGUAGE", ""}, {"LANG", "ru_RU.UTF-8"}}, lnRussian},
      {{{"LANGUAGE", "ru"}, {"LANG", "C.UTF-8"}}, lnEnglish},
      {{{"LANGUAGE", "ru"}, {"LC_ALL", "POSIX"}}, lnEnglish},
      {{{"LANGUAGE", "ru"}}, lnEnglish},
  };
  for (const TCase& c : cases) {
    const TLanguage language = LanguageFromEnvironment([&c](const char* name) -> const char* {
      const auto it = c.Environment.find(name);
      return it == c.Environment.end() ? nullptr : it->second.c_str();
    });
    std::string described;
    for (const auto& [name, value] : c.Environment) described += name + "=" + value + " ";
    EXPECT_EQ(LanguageCode(language), std::string(LanguageCode(c.Expected))) << described;
  }
}

}  // namespace

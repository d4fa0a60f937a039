// Texts for people, written by the Qt-free half of the program and shown by both halves.
//
// The window shows every text in the reader's language, the logger writes English to standard
// error; both take their words from the same functions.  A text is written once, in English,
// marked QT_TRANSLATE_NOOP("Words", ...) so that the translation tools find it, with %1..%9 for
// what is filled in.  A TWords turns it into the reader's words: as written by default, through
// the application's translations when the window makes one (QCoreApplication::translate with
// the context "Words").  No Qt here.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Translatable.h"

class TWords {
 public:
  using TTranslate = std::function<std::string(const char* source)>;

  TWords() = default;  // English, as written
  explicit TWords(TTranslate translate) : FTranslate(std::move(translate)) {}

  // `source` in the reader's words, with %1, %2, ... replaced by `args` in order (a % that
  // names no argument stays as it is).
  std::string operator()(const char* source, std::initializer_list<std::string> args = {}) const;

 private:
  TTranslate FTranslate;
};

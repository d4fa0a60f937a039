// One line a client sent, cut into its program message units.
//
//   unit; unit; ...          units are separated by ';' (not inside a quoted string)
//   [:]MNEM[:MNEM...][?] [param[, param...]]    a command or query of the tree
//   *MNEM[?] [param...]                         a common command (*IDN?, *RST, ...)
//
// Mnemonics are upper-cased here; whether they name a command is the tree's business
// (remote/ScpiTree.h).  A parameter is a number (as written, suffix included), a word
// (character data such as MIN or WAIT, upper-cased) or a string ("..." or '...', a doubled
// quote inside standing for one).  Blank units are left out, so a blank line has none.
// Plain function: any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum TScpiParamKind : unsigned char { pkNumber, pkWord, pkString };

struct TScpiParam {
  TScpiParamKind Kind = pkNumber;
  std::string Text;  // the number as written, the word upper-cased, or the string's contents
};

struct TScpiUnit {
  bool Common = false;               // a *-command
  bool Query = false;                // ends in '?'
  bool Rooted = false;               // starts with ':' (the path starts again at the root)
  std::vector<std::string> Header;   // upper-cased mnemonics; a common command's one, with '*'
  std::vector<TScpiParam> Params;
  int Error = 0;                     // -102 when the unit is not well formed; it is not run
  std::string ErrorInfo;             // what was wrong, for the error queue
};

std::vector<TScpiUnit> ParseScpiLine(std::string_view line);

// The longest mnemonic IEEE 488.2 allows.
inline constexpr std::size_t kScpiMnemonicMax = 12;

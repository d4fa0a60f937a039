// The value of a command-line option, given as --option=VALUE or as the next argument: shared
// by the program's command line (app/CommandLine.h) and the offline analysis's
// (app/AnalyzeCommand.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// `i` is the option's index, `eq` where its '=' is (npos: none); takes the next argument when
// there is no '=' (advancing `i`).  False when no value is there.
inline bool TakeOptionValue(const std::vector<std::string>& args, std::size_t& i, std::size_t eq, std::string& value) {
  if (eq != std::string::npos) {
    value = args[i].substr(eq + 1);
    return true;
  }
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

// Header patterns of the command tree and how a unit's header finds its command.
//
// A pattern names each node in its long form with the short form in capitals
// ("FREQuency": FREQ or FREQUENCY, any case); a node in brackets may be left out
// ("[SENSe:]FREQuency:GATE:TIME", "SYSTem:ERRor[:NEXT]").  A common command is its own
// pattern ("*IDN").
//
// A unit's header is read from the path the previous unit of the line left, as SCPI says
// ("FREQ:GATE:TIME 0.1;TIME?" asks FREQ:GATE:TIME?); a header that names nothing there is
// tried from the root as well, so "SAMP:COUN 5;READ?" works without the leading colon that
// strict SCPI wants.  A ':' in front starts at the root; common commands leave the path alone.
// Plain logic: any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TScpiPattern {
 public:
  explicit TScpiPattern(std::string_view pattern);
  // Whether the upper-cased mnemonics name this pattern.
  bool Matches(const std::vector<std::string>& header) const;
  const std::string& Text() const { return FText; }

 private:
  struct TNode {
    std::string Long;   // upper-cased
    std::string Short;  // the capitals of the pattern
    bool Optional = false;
  };
  bool MatchFrom(std::size_t node, std::size_t mnemonic, const std::vector<std::string>& header) const;

  std::string FText;
  std::vector<TNode> FNodes;
};

// Where a unit of a line is read from.
class TScpiPath {
 public:
  // The headers to try for a unit's header, in order: from the current path, then from the
  // root (once when they are the same).
  std::vector<std::vector<std::string>> Candidates(bool rooted, const std::vector<std::string>& header) const;
  // A command was found under `full`: the next unit is read from its parent.
  void Entered(const std::vector<std::string>& full);

 private:
  std::vector<std::string> FPrefix;
};

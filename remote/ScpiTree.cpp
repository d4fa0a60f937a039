#include "remote/ScpiTree.h"

#include <cctype>

TScpiPattern::TScpiPattern(std::string_view pattern) : FText(pattern) {
  bool optional = false;  // inside brackets
  TNode node;
  const auto flush = [&] {
    if (!node.Long.empty()) FNodes.push_back(std::move(node));
    node = TNode();
  };
  for (const char c : pattern) {
    if (c == '[' || c == ']' || c == ':') {
      flush();
      if (c != ':') optional = c == '[';
      continue;
    }
    node.Optional = optional;
    const bool capital = !std::islower(static_cast<unsigned char>(c));
    node.Long += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (capital && node.Short.size() + 1 == node.Long.size()) node.Short += c;
  }
  flush();
}

bool TScpiPattern::MatchFrom(std::size_t node, std::size_t mnemonic, const std::vector<std::string>& header) const {
  if (node == FNodes.size()) return mnemonic == header.size();
  const TNode& n = FNodes[node];
  if (n.Optional && MatchFrom(node + 1, mnemonic, header)) return true;
  return mnemonic < header.size() && (header[mnemonic] == n.Long || header[mnemonic] == n.Short) &&
         MatchFrom(node + 1, mnemonic + 1, header);
}

bool TScpiPattern::Matches(const std::vector<std::string>& header) const { return MatchFrom(0, 0, header); }

std::vector<std::vector<std::string>> TScpiPath::Candidates(bool rooted, const std::vector<std::string>& header) const {
  if (rooted || FPrefix.empty()) return {header};
  std::vector<std::string> relative = FPrefix;
  relative.insert(relative.end(), header.begin(), header.end());
  return {relative, header};
}

void TScpiPath::Entered(const std::vector<std::string>& full) {
  FPrefix.assign(full.begin(), full.end() - 1);
}

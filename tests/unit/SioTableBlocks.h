// Builds STR0 blocks for reader tests and registers them as named resources.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/Resources.h"

struct TTableEntry {
  std::uint32_t Id;
  std::u16string Text;
};

inline void Put32(std::vector<std::uint8_t>& block, std::size_t at, std::uint32_t value) {
  for (std::size_t k = 0; k < 4; ++k) block.at(at + k) = static_cast<std::uint8_t>(value >> (8 * k));
}

// Entries are written in the order given (tests of ordering rely on that).
inline std::vector<std::uint8_t> MakeTable(const std::vector<TTableEntry>& entries) {
  std::vector<std::uint8_t> block(8 + 12 * entries.size());
  block[0] = 'S', block[1] = 'T', block[2] = 'R', block[3] = '0';
  Put32(block, 4, static_cast<std::uint32_t>(entries.size()));
  for (std::size_t e = 0; e < entries.size(); ++e) {
    Put32(block, 8 + 12 * e, entries[e].Id);
    Put32(block, 8 + 12 * e + 4, static_cast<std::uint32_t>(block.size()));
    Put32(block, 8 + 12 * e + 8, static_cast<std::uint32_t>(entries[e].Text.size()));
    for (const char16_t unit : entries[e].Text) {
      block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      block.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return block;
}

// Registers `bytes` under `name` for the rest of the process; returns the name.
inline std::string RegisterBlock(const std::string& name, std::vector<std::uint8_t> bytes) {
  struct TKept {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
    TNamedResource Resource[1];
  };
  static std::deque<TKept> kept;
  TKept& k = kept.emplace_back(TKept{name, std::move(bytes), {}});
  k.Resource[0] = TNamedResource{k.Name.c_str(), k.Bytes.data(), k.Bytes.size()};
  RegisterNamedResources(k.Resource);
  return name;
}

// A fuzz input read as a command line: arguments separated by NUL bytes, at most 64 of them;
// a last argument without its NUL counts too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> FuzzArguments(const std::uint8_t* data, std::size_t size,
                                              std::vector<std::string> args = {}) {
  std::string current;
  for (std::size_t i = 0; i < size && args.size() < 64; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (!current.empty()) args.push_back(current);
  return args;
}

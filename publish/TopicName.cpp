#include "publish/TopicName.h"

#include <cstdint>
#include <cstdio>

namespace {

// The longest of the topics made from the prefix.
constexpr std::string_view kLongestSuffix = "/reading";

std::string CodePoint(std::uint32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

// The well-formed UTF-8 sequence at `at` (the shortest form, no surrogate, at most U+10FFFF):
// its code point and length, or length 0.
std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
  const std::uint8_t b = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
  if (b < 0x80) {
    c = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2, c = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, c = b & 0x0Fu;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;  // not a surrogate
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, c = b & 0x07u;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    c = c << 6 | (next & 0x3Fu);
  }
  return length;
}

}  // namespace

std::string TopicPrefixProblem(std::string_view prefix) {
  if (prefix.empty()) return "the topic prefix is empty";
  if (prefix.size() > kMaxTopicBytes - kLongestSuffix.size()) {
    return "the topic prefix is " + std::to_string(prefix.size()) + " bytes long; it may have " +
           std::to_string(kMaxTopicBytes - kLongestSuffix.size()) + " at most (a topic has " +
           std::to_string(kMaxTopicBytes) + " at most, " + std::string(kLongestSuffix) + " included)";
  }
  for (std::size_t at = 0; at < prefix.size();) {
    const std::string where = "the topic prefix holds at byte " + std::to_string(at + 1) + " ";
    std::uint32_t c = 0;
    const std::size_t length = DecodeUtf8(prefix, at, c);
    if (length == 0) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(static_cast<std::uint8_t>(prefix[at])));
      return where + "a byte that is not UTF-8 (" + hex + ")";
    }
    if (c == '+' || c == '#') return where + "the wildcard " + static_cast<char>(c) + " (a topic published to may not)";
    if (c <= 0x1F || (c >= 0x7F && c <= 0x9F)) return where + "a control character (" + CodePoint(c) + ")";
    if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFEu) == 0xFFFEu) {
      return where + "a Unicode non-character (" + CodePoint(c) + ")";
    }
    at += length;
  }
  return {};
}

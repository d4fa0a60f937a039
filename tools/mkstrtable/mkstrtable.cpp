// mkstrtable: turns readable message sources into STR0 string tables, emitted as a C++
// source that embeds each table as a named resource.
//
//   mkstrtable --output tables.cpp --function RegisterFn NAME=source.txt [NAME=source.txt ...]
//   mkstrtable --binary table.bin source.txt
//
// Source format (UTF-8): one message per line, "<id><TAB><text>".  Blank lines and lines
// whose first character is '#' are ignored.  A text wrapped in double quotes loses that one
// pair of quotes, so leading and trailing blanks stay visible ("DCTS ").  Ids are unsigned
// decimal numbers; they must be unique, and the table is written sorted by id.
//
// STR0 layout (little-endian): "STR0", entry count N, N entries of (id, byte offset of the
// text from the start of the block, length in UTF-16 code units), then the UTF-16LE texts
// back to back in entry order, without terminators.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TMessage {
  std::uint32_t Id;
  std::u16string Text;
  std::string Where;  // "file:line", for diagnostics
};

struct TSourceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::u16string Utf8ToUtf16(const std::string& text, const std::string& where) {
  std::u16string out;
  std::size_t i = 0;
  auto bad = [&]() { return TSourceError(where + ": invalid UTF-8 in text"); };
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t cp = 0;
    int extra = 0;
    std::uint32_t least = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F, extra = 1, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F, extra = 2, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07, extra = 3, least = 0x10000;
    } else {
      throw bad();
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) throw bad();
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) throw bad();
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogate code points and values past U+10FFFF are not text.
    if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) throw bad();
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += 1 + static_cast<std::size_t>(extra);
  }
  return out;
}

std::vector<TMessage> ReadSource(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TSourceError(path + ": cannot open");
  std::vector<TMessage> messages;
  std::map<std::uint32_t, std::string> seen;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string where = path + ":" + std::to_string(number);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) throw TSourceError(where + ": expected <id><TAB><text>");
    const std::string idText = line.substr(0, tab);
    if (idText.empty() || idText.size() > 10 ||
        idText.find_first_not_of("0123456789") != std::string::npos) {
      throw TSourceError(where + ": id '" + idText + "' is not an unsigned decimal number");
    }
    const unsigned long long id = std::stoull(idText);
    if (id > 0xFFFFFFFFull) throw TSourceError(where + ": id " + idText + " exceeds 32 bits");
    std::string text = line.substr(tab + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    const auto found = seen.find(static_cast<std::uint32_t>(id));
    if (found != seen.end()) {
      throw TSourceError(where + ": id " + idText + " already given at " + found->second);
    }
    seen.emplace(static_cast<std::uint32_t>(id), where);
    messages.push_back({static_cast<std::uint32_t>(id), Utf8ToUtf16(text, where), where});
  }
  return messages;
}

void Put32(std::vector<std::uint8_t>& block, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) block[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value >> (8 * k));
}

std::vector<std::uint8_t> BuildTable(std::vector<TMessage> messages) {
  std::sort(messages.begin(), messages.end(),
            [](const TMessage& a, const TMessage& b) { return a.Id < b.Id; });
  std::size_t size = 8 + 12 * messages.size();
  for (const auto& m : messages) size += 2 * m.Text.size();
  if (size > 0xFFFFFFFFull) throw TSourceError("table larger than 4 GiB");
  std::vector<std::uint8_t> block(size);
  block[0] = 'S', block[1] = 'T', block[2] = 'R', block[3] = '0';
  Put32(block, 4, static_cast<std::uint32_t>(messages.size()));
  std::size_t text = 8 + 12 * messages.size();
  for (std::size_t e = 0; e < messages.size(); ++e) {
    const auto& m = messages[e];
    Put32(block, 8 + 12 * e, m.Id);
    Put32(block, 8 + 12 * e + 4, static_cast<std::uint32_t>(text));
    Put32(block, 8 + 12 * e + 8, static_cast<std::uint32_t>(m.Text.size()));
    for (const char16_t unit : m.Text) {
      block[text++] = static_cast<std::uint8_t>(unit & 0xFF);
      block[text++] = static_cast<std::uint8_t>(unit >> 8);
    }
  }
  return block;
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || (std::isalpha(static_cast<unsigned char>(s[0])) == 0 && s[0] != '_')) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; });
}

std::string EmitSource(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& tables,
                       const std::string& function) {
  std::ostringstream out;
  out << "// Generated by mkstrtable from the message sources; do not edit.\n"
         "#include <cstdint>\n#include <span>\n\n#include \"platform/Resources.h\"\n\n"
         "void " << function << "();\n\nnamespace {\n";
  for (std::size_t t = 0; t < tables.size(); ++t) {
    const auto& bytes = tables[t].second;
    out << "\n// " << tables[t].first << ", " << bytes.size() << " bytes\n"
        << "alignas(4) const std::uint8_t kTable" << t << "[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      out << (i % 16 == 0 ? "\n   " : "") << ' ' << static_cast<unsigned>(bytes[i]) << ',';
    }
    out << "\n};\n";
  }
  out << "\nconst TNamedResource kTables[] = {\n";
  for (std::size_t t = 0; t < tables.size(); ++t) {
    out << "    {\"" << tables[t].first << "\", kTable" << t << ", sizeof kTable" << t << "},\n";
  }
  out << "};\n\n}  // namespace\n\nvoid " << function
      << "() { RegisterNamedResources(std::span<const TNamedResource>(kTables)); }\n";
  return out.str();
}

// Written beside the target and renamed over it, so a failed run leaves no half file that
// a later build would take as up to date.
void WriteFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw TSourceError(path + ": cannot write");
  }
}

int Usage() {
  std::cerr << "usage: mkstrtable --output out.cpp --function Name TABLE=source.txt...\n"
               "       mkstrtable --binary out.bin source.txt\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "--binary") {
      const auto block = BuildTable(ReadSource(args[2]));
      WriteFile(args[1], std::string(block.begin(), block.end()));
      return 0;
    }
    std::string output;
    std::string function;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> tables;
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--output" && i + 1 < args.size()) {
        output = args[++i];
      } else if (args[i] == "--function" && i + 1 < args.size()) {
        function = args[++i];
      } else {
        const auto eq = args[i].find('=');
        if (eq == std::string::npos || eq == 0) return Usage();
        const std::string name = args[i].substr(0, eq);
        if (!IsIdentifier(name)) {
          std::cerr << "mkstrtable: table name '" << name << "' is not an identifier\n";
          return 2;
        }
        tables.emplace_back(name, BuildTable(ReadSource(args[i].substr(eq + 1))));
      }
    }
    if (output.empty() || !IsIdentifier(function) || tables.empty()) return Usage();
    WriteFile(output, EmitSource(tables, function));
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "mkstrtable: " << e.what() << '\n';
    return 1;
  }
}

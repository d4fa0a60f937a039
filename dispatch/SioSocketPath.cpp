#include "dispatch/SioSocketPath.h"

#include <cctype>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool Fail(std::string* problem, const char* why) {
  if (problem != nullptr) *problem = why;
  return false;
}

}  // namespace

TSocketKind SocketPathKind(const std::string& path) {
  if (StartsWithNoCase(path, "tcp://")) return skRaw;
  if (StartsWithNoCase(path, "rfc2217://")) return skRfc2217;
  return skNone;
}

bool ParseSocketPath(const std::string& path, TSocketPath& parsed, std::string* problem) {
  parsed = TSocketPath{};
  const TSocketKind kind = SocketPathKind(path);
  if (kind == skNone) return Fail(problem, "the path does not start with tcp:// or rfc2217://");
  std::string rest = path.substr(kind == skRaw ? 6 : 10);
  // A trailing slash, as a browser would write it, is harmless.
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string host;
  std::string port;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
      return Fail(problem, "an IPv6 address is written in brackets and followed by :PORT");
    host = rest.substr(1, close - 1);
    port = rest.substr(close + 2);
  } else {
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos) return Fail(problem, "the port number is missing (HOST:PORT)");
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (host.find(':') != std::string::npos) return Fail(problem, "an IPv6 address is written in brackets");
  }
  if (host.empty()) return Fail(problem, "the host is missing (HOST:PORT)");
  for (const char c : host) {
    if (std::isspace(static_cast<unsigned char>(c)) != 0 || c == '/' || c == '[' || c == ']' || c == '@')
      return Fail(problem, "the host name contains a character no host name has");
  }
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
      std::stoul(port) == 0 || std::stoul(port) > 65535)
    return Fail(problem, "the port must be a number 1..65535");
  parsed.Kind = kind;
  parsed.Host = host;
  parsed.Port = port;
  return true;
}

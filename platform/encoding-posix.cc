// On POSIX systems names are bytes, and every file keeps them as they are.
#include "base/text.h"
#include "platform/encoding.h"

namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (FoldCase(c) >= 'a' && FoldCase(c) <= 'f');
}

bool NeedsUri(std::string_view path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == '#' || c == '?') return true;
    if (c == '%' && i + 2 < path.size() && IsHex(path[i + 1]) && IsHex(path[i + 2]))
      return true;
  }
  return false;
}

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string FromFileText(std::string_view line) {
  return std::string(line);
}

bool ToPlaylistText(std::string_view line, std::string* text) {
  text->assign(line.data(), line.size());
  return true;
}

std::string FromPlaylistText(std::string_view text) {
  return std::string(text);
}

std::string ToPlaylistLine(std::string_view path) {
  if (path.empty() || path[0] != '/' || !NeedsUri(path)) return std::string(path);
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (Unreserved(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

bool PlaylistMayBeUtf8() {
  return false;
}

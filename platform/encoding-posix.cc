// On POSIX systems names are bytes, and every file keeps them as they are.
#include "platform/encoding.h"

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

bool PlaylistMayBeUtf8() {
  return false;
}

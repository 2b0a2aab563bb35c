// On Windows, players read .m3u playlists in the ANSI code page, and editors
// and older builds wrote text files in it.
#include <windows.h>

#include "base/text.h"
#include "platform/encoding.h"
#include "platform/unicode-win32.h"

std::string FromFileText(std::string_view line) {
  if (IsUtf8(line)) return std::string(line);
  return Narrow(FromCodePage(CP_ACP, line));
}

bool ToPlaylistText(std::string_view line, std::string* text) {
  return ToCodePage(CP_ACP, Widen(line), text);
}

std::string FromPlaylistText(std::string_view text) {
  return Narrow(FromCodePage(CP_ACP, text));
}

std::string ToPlaylistLine(std::string_view path) {
  return std::string(path);
}

bool PlaylistMayBeUtf8() {
  return true;
}

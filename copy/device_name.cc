#include "copy/device_name.h"

#include <cstring>

#include "base/text.h"
#include "base/unicode_fold.h"

namespace {

constexpr std::size_t kMostUnits = 255;

// The bytes of the character at `at`, or 0 when they are not well-formed
// UTF-8.
std::size_t CharacterAt(std::string_view text, std::size_t at) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
  if (at + length > text.size() || !IsUtf8(text.substr(at, length))) return 0;
  return length;
}

// UTF-16 units of well-formed UTF-8: two for a character of four bytes.
std::size_t Units(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if ((c & 0xc0) != 0x80) units += c >= 0xf0 ? 2 : 1;
  }
  return units;
}

// `text` cut to at most `units` UTF-16 units, where a character ends.
std::string_view CutTo(std::string_view text, std::size_t units) {
  std::size_t end = 0, used = 0;
  while (end < text.size()) {
    std::size_t length = CharacterAt(text, end);
    std::size_t more = length == 4 ? 2 : 1;
    if (used + more > units) break;
    used += more;
    end += length;
  }
  return text.substr(0, end);
}

// Where the extension begins: at the last dot, when it is no more than a
// few characters and not the whole name.
std::size_t ExtensionAt(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 16)
    return name.size();
  return dot;
}

bool IsReserved(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* word : {"CON", "PRN", "AUX", "NUL"}) {
    if (base.size() == 3 && SameNoCase(base, word, 3)) return true;
  }
  return base.size() == 4 && (SameNoCase(base, "COM", 3) || SameNoCase(base, "LPT", 3)) &&
         base[3] >= '1' && base[3] <= '9';
}

// Dots and blanks at the end of a name are dropped by Windows: they become
// '_', so that no two names become one.
void ReplaceTrailing(std::string* name) {
  for (std::size_t at = name->size();
       at > 0 && ((*name)[at - 1] == '.' || (*name)[at - 1] == ' '); --at)
    (*name)[at - 1] = '_';
}

}  // namespace

std::string DeviceName(std::string_view name) {
  std::string clean;
  for (std::size_t at = 0; at < name.size();) {
    std::size_t length = CharacterAt(name, at);
    unsigned char c = static_cast<unsigned char>(name[at]);
    bool refused = length == 0 || c < 0x20 || c == 0x7f || std::strchr("<>:\"/\\|?*", c);
    if (refused) {
      clean += '_';
    } else {
      clean.append(name.substr(at, length));
    }
    at += length == 0 ? 1 : length;
  }
  ReplaceTrailing(&clean);
  if (clean.empty()) clean = "_";
  if (IsReserved(clean)) clean = "_" + clean;
  if (Units(clean) > kMostUnits) {
    std::size_t dot = ExtensionAt(clean);
    std::string extension = clean.substr(dot);
    clean = std::string(CutTo(clean.substr(0, dot), kMostUnits - Units(extension))) +
            extension;
    ReplaceTrailing(&clean);
  }
  return clean;
}

std::string DevicePath(std::string_view relative, std::string_view separators) {
  std::string path;
  for (std::size_t start = 0; start <= relative.size();) {
    std::size_t end = relative.find_first_of(separators, start);
    if (end == std::string_view::npos) end = relative.size();
    if (end > start) {
      if (!path.empty()) path += '/';
      path += DeviceName(relative.substr(start, end - start));
    }
    start = end + 1;
  }
  return path;
}

std::string AsciiPath(std::string_view path) {
  std::string bare = WithoutMarks(path), ascii;
  for (unsigned char c : bare) {
    if (c < 0x80) {
      ascii += static_cast<char>(c);
    } else if ((c & 0xc0) != 0x80) {
      ascii += '_';
    }
  }
  return ascii;
}

std::string NameKey(std::string_view path) {
  std::u32string folded;
  FoldUnicode(path, &folded);
  std::string key;
  for (char32_t c : folded) key += Utf8(c);
  return key;
}

std::string NumberedPath(std::string_view path, int number) {
  std::size_t slash = path.rfind('/');
  std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  std::string_view name = path.substr(start);
  std::size_t dot = ExtensionAt(name);
  std::string mark = " (" + std::to_string(number) + ")";
  std::string_view extension = name.substr(dot);
  std::string_view stem =
      CutTo(name.substr(0, dot), kMostUnits - Units(extension) - mark.size());
  return std::string(path.substr(0, start)) + std::string(stem) + mark +
         std::string(extension);
}

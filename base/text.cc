#include "base/text.h"

namespace {

char At(std::string_view text, std::size_t i) {
  return i < text.size() ? text[i] : '\0';
}

}  // namespace

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    // The length of the sequence, and the range its second byte must fall in.
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;
    if (c >= 0xc2 && c <= 0xdf) {
      length = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
      length = 3;
      if (c == 0xe0) low = 0xa0;   // no overlong forms
      if (c == 0xed) high = 0x9f;  // no surrogates
    } else if (c >= 0xf0 && c <= 0xf4) {
      length = 4;
      if (c == 0xf0) low = 0x90;
      if (c == 0xf4) high = 0x8f;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t n = 1; n < length; ++n) {
      unsigned char next = static_cast<unsigned char>(text[i + n]);
      if (next < (n == 1 ? low : 0x80) || next > (n == 1 ? high : 0xbf)) return false;
    }
    i += length;
  }
  return true;
}

bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    char a = FoldCase(At(text, i));
    if (a != FoldCase(At(keyword, i))) return false;
    if (a == '\0') return true;
  }
  return true;
}

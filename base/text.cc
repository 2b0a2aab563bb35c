#include "base/text.h"

#include <cstring>

namespace {

char At(std::string_view text, std::size_t i) {
  return i < text.size() ? text[i] : '\0';
}

}  // namespace

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  return line;
}

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

std::uint64_t HashText(std::string_view text) {
  // Two words at a time in two lanes, which the processor works on side by
  // side; each step is a bijection, so no word is lost.
  std::uint64_t one = 0xcbf29ce484222325ULL ^ text.size(), two = 0x9e3779b97f4a7c15ULL;
  std::size_t i = 0;
  for (; i + 16 <= text.size(); i += 16) {
    std::uint64_t first, second;
    std::memcpy(&first, text.data() + i, 8);
    std::memcpy(&second, text.data() + i + 8, 8);
    one = (one ^ first) * 0x100000001b3ULL;
    two = (two ^ second) * 0xc2b2ae3d27d4eb4fULL;
  }
  for (; i < text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, text.size() - i < 8 ? text.size() - i : 8);
    one = (one ^ word) * 0x100000001b3ULL;
  }
  // Mixed at the end, so that every bit of the text moves every bit of the hash.
  return MixBits(one ^ ((two << 31) | (two >> 33)));
}

void FoldInto(std::string_view text, std::string* folded) {
  folded->resize(text.size());
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    word = FoldCase8(word);
    std::memcpy(folded->data() + i, &word, 8);
  }
  for (; i < text.size(); ++i) (*folded)[i] = FoldCase(text[i]);
}

std::uint64_t LineKey(std::string_view line) {
  std::uint64_t hash = HashText(WithoutLineEnd(line));
  return hash != 0 ? hash : 1;
}

bool IsBlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
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

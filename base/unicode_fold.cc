#include "base/unicode_fold.h"

#include <utf8proc.h>

#include <algorithm>

namespace {

// Hangul syllables, and the conjoining letters they are made of.
constexpr char32_t kSyllables = 0xac00;
constexpr char32_t kSyllableCount = 11172;
constexpr char32_t kLeading = 0x1100, kVowel = 0x1161, kTrailing = 0x11a7;
constexpr char32_t kLeadingCount = 19, kVowelCount = 21, kTrailingCount = 28;

int CombiningClass(char32_t c) {
  return c < 0x300
             ? 0
             : utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->combining_class;
}

// The code point at `*at` of well-formed UTF-8, stepping past it.
char32_t Decode(std::string_view text, std::size_t* at) {
  unsigned char lead = static_cast<unsigned char>(text[*at]);
  int length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
  char32_t c = length == 1 ? lead : lead & (0x7f >> length);
  for (int n = 1; n < length && *at + n < text.size(); ++n)
    c = (c << 6) | (static_cast<unsigned char>(text[*at + n]) & 0x3f);
  *at += length;
  return c;
}

void AppendFolded(char32_t c, std::u32string* folded) {
  if (c < 0x80) {
    folded->push_back(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return;
  }
  if (c >= kSyllables && c < kSyllables + kSyllableCount) {
    folded->push_back(c);
    return;
  }
  utf8proc_int32_t parts[32];
  int boundary = 0;
  utf8proc_ssize_t count = utf8proc_decompose_char(
      static_cast<utf8proc_int32_t>(c), parts, 32,
      static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD), &boundary);
  if (count <= 0 || count > 32) {
    folded->push_back(c);
    return;
  }
  for (utf8proc_ssize_t n = 0; n < count; ++n)
    folded->push_back(static_cast<char32_t>(parts[n]));
}

// Conjoining Hangul letters (a leading consonant and a vowel, and perhaps a
// trailing consonant) as the one syllable they spell.
void ComposeHangul(std::u32string* text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text->size(); ++in) {
    char32_t c = (*text)[in];
    char32_t next = in + 1 < text->size() ? (*text)[in + 1] : 0;
    if (c >= kLeading && c < kLeading + kLeadingCount && next >= kVowel &&
        next < kVowel + kVowelCount) {
      c = kSyllables + ((c - kLeading) * kVowelCount + (next - kVowel)) * kTrailingCount;
      next = ++in + 1 < text->size() ? (*text)[in + 1] : 0;
    }
    bool open = c >= kSyllables && c < kSyllables + kSyllableCount &&
                (c - kSyllables) % kTrailingCount == 0;
    if (open && next > kTrailing && next < kTrailing + kTrailingCount) {
      c += next - kTrailing;
      ++in;
    }
    (*text)[out++] = c;
  }
  text->resize(out);
}

// Each run of marks in canonical order: by combining class, and as they
// came within one class.
void OrderMarks(std::u32string* text) {
  for (std::size_t start = 0; start < text->size();) {
    std::size_t end = start;
    while (end < text->size() && CombiningClass((*text)[end]) > 0) ++end;
    if (end - start > 1) {
      std::stable_sort(
          text->begin() + static_cast<std::ptrdiff_t>(start),
          text->begin() + static_cast<std::ptrdiff_t>(end),
          [](char32_t a, char32_t b) { return CombiningClass(a) < CombiningClass(b); });
    }
    start = end + 1;
  }
}

}  // namespace

bool IsCombiningMark(char32_t c) {
  return CombiningClass(c) > 0;
}

void FoldUnicode(std::string_view text, std::u32string* folded) {
  folded->clear();
  bool wide = false;
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = Decode(text, &at);
    wide = wide || c >= 0x80;
    AppendFolded(c, folded);
  }
  if (!wide) return;
  ComposeHangul(folded);
  OrderMarks(folded);
}

#include "base/unicode_fold.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>

namespace {

// Hangul syllables, and the conjoining letters they are made of.
constexpr char32_t kSyllables = 0xac00;
constexpr char32_t kSyllableCount = 11172;
constexpr char32_t kLeading = 0x1100, kVowel = 0x1161, kTrailing = 0x11a7;
constexpr char32_t kLeadingCount = 19, kVowelCount = 21, kTrailingCount = 28;

bool IsSyllable(char32_t c) {
  return c >= kSyllables && c < kSyllables + kSyllableCount;
}

int CombiningClassOf(char32_t c) {
  return utf8proc_get_property(static_cast<utf8proc_int32_t>(c))->combining_class;
}

// What utf8proc folds `c` into: its canonical decomposition, case folded.
void AppendDecomposed(char32_t c, std::u32string* folded) {
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

// The code points of two bytes in UTF-8 (Latin, Greek, Cyrillic, Hebrew,
// Arabic and more, where most text outside ASCII lies): what each folds
// into and its combining class, asked of utf8proc once, and then looked up
// at a fraction of the cost of asking.
constexpr char32_t kSmall = 0x800;
struct SmallFolds {
  std::uint16_t start[kSmall];
  std::uint8_t count[kSmall];
  std::uint8_t combining[kSmall];
  std::u32string parts;
};

const SmallFolds& Small() {
  static const SmallFolds* small = [] {
    auto* folds = new SmallFolds;
    for (char32_t c = 0; c < kSmall; ++c) {
      folds->start[c] = static_cast<std::uint16_t>(folds->parts.size());
      AppendDecomposed(c, &folds->parts);
      folds->count[c] = static_cast<std::uint8_t>(folds->parts.size() - folds->start[c]);
      folds->combining[c] = static_cast<std::uint8_t>(CombiningClassOf(c));
    }
    return folds;
  }();
  return *small;
}

int CombiningClass(char32_t c) {
  if (c < 0x300) return 0;
  return c < kSmall ? Small().combining[c] : CombiningClassOf(c);
}

}  // namespace

char32_t DecodeUtf8(std::string_view text, std::size_t* at) {
  unsigned char lead = static_cast<unsigned char>(text[*at]);
  int length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
  char32_t c = length == 1 ? lead : lead & (0x7f >> length);
  for (int n = 1; n < length && *at + n < text.size(); ++n)
    c = (c << 6) | (static_cast<unsigned char>(text[*at + n]) & 0x3f);
  *at += length;
  return c;
}

namespace {

void AppendFolded(char32_t c, std::u32string* folded) {
  if (c < 0x80) {
    folded->push_back(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return;
  }
  if (IsSyllable(c)) {
    folded->push_back(c);
    return;
  }
  if (c < kSmall) {
    const SmallFolds& small = Small();
    folded->append(small.parts, small.start[c], small.count[c]);
    return;
  }
  AppendDecomposed(c, folded);
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

char32_t LeadingConsonant(char32_t c) {
  return IsSyllable(c) ? kLeading + (c - kSyllables) / (kVowelCount * kTrailingCount) : c;
}

char32_t OpenSyllable(char32_t c) {
  return IsSyllable(c) ? c - (c - kSyllables) % kTrailingCount : c;
}

std::string Utf8(char32_t c) {
  std::string text;
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xc0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xe0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    text += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    text += static_cast<char>(0xf0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    text += static_cast<char>(0x80 | (c & 0x3f));
  }
  return text;
}

void EveryFolding(
    const std::function<void(char32_t c, const std::u32string& folded)>& each) {
  std::u32string folded;
  // Past U+2FFFF no code point has a case or a canonical decomposition.
  for (char32_t c = 0x80; c < 0x30000; ++c) {
    if ((c >= 0xd800 && c < 0xe000) || IsSyllable(c)) continue;
    const utf8proc_property_t* property =
        utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
    bool decomposes =
        property->decomp_seqindex != UINT16_MAX && property->decomp_type == 0;
    if (!decomposes && property->casefold_seqindex == UINT16_MAX) continue;
    folded.clear();
    AppendFolded(c, &folded);
    OrderMarks(&folded);
    if (folded.size() != 1 || folded[0] != c) each(c, folded);
  }
}

std::string WithoutMarks(std::string_view text) {
  std::string bare;
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = DecodeUtf8(text, &at);
    utf8proc_int32_t parts[32];
    int boundary = 0;
    utf8proc_ssize_t count = utf8proc_decompose_char(
        static_cast<utf8proc_int32_t>(c), parts, 32, UTF8PROC_DECOMPOSE, &boundary);
    if (count <= 0 || count > 32) {
      bare += Utf8(c);
      continue;
    }
    for (utf8proc_ssize_t n = 0; n < count; ++n) {
      char32_t part = static_cast<char32_t>(parts[n]);
      if (!IsCombiningMark(part)) bare += Utf8(part);
    }
  }
  return bare;
}

bool IsCombiningMark(char32_t c) {
  return CombiningClass(c) > 0;
}

void FoldUnicode(std::string_view text, std::u32string* folded) {
  folded->clear();
  bool wide = false;
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = DecodeUtf8(text, &at);
    wide = wide || c >= 0x80;
    AppendFolded(c, folded);
  }
  if (!wide) return;
  ComposeHangul(folded);
  OrderMarks(folded);
}

#include "base/text_pattern.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/text.h"
#include "base/unicode_fold.h"

namespace {

bool IsLetter(char c) {
  return FoldCase(c) != c || (c >= 'a' && c <= 'z');
}

// How rarely a byte stands in a path, roughly: separators, blanks and dots
// are everywhere, letters are common, anything else is rarer.
int Rareness(char c) {
  if (IsLetter(c)) return 0;
  if (c == '/' || c == '\\' || c == ' ' || c == '.') return 1;
  return 2;
}

// True when `text` at `at` holds `folded`, letters compared in lower case.
bool HoldsAt(std::string_view text, std::size_t at, const std::string& folded) {
  if (at + folded.size() > text.size()) return false;
  for (std::size_t n = 0; n < folded.size(); ++n) {
    if (FoldCase(text[at + n]) != folded[n]) return false;
  }
  return true;
}

// The next `c` in [from, end), or `end`.
const char* Next(const char* from, const char* end, char c) {
  const void* found = from < end ? std::memchr(from, c, end - from) : nullptr;
  return found ? static_cast<const char*>(found) : end;
}

// Where the first byte outside ASCII stands in `text`, or npos; eight bytes
// at a time.
std::size_t FirstWide(std::string_view text) {
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    if (word & 0x8080808080808080ULL) break;
  }
  for (; at < text.size(); ++at) {
    if (static_cast<unsigned char>(text[at]) >= 0x80) return at;
  }
  return std::string_view::npos;
}

bool AllAscii(const std::u32string& text) {
  for (char32_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// True when `pattern` matches `text` from `at`: each code point the same,
// and after a letter the pattern gives marks for, the same marks; after one
// it gives none for, any.
bool MatchesAt(const std::u32string& text, std::size_t at,
               const std::u32string& pattern) {
  std::size_t k = at;
  for (std::size_t j = 0; j < pattern.size();) {
    if (k >= text.size() || text[k] != pattern[j]) return false;
    bool mark = IsCombiningMark(pattern[j]);
    ++j;
    ++k;
    if (mark) continue;
    if (j < pattern.size() && IsCombiningMark(pattern[j])) {
      for (; j < pattern.size() && IsCombiningMark(pattern[j]); ++j, ++k) {
        if (k >= text.size() || text[k] != pattern[j]) return false;
      }
      if (k < text.size() && IsCombiningMark(text[k])) return false;
    } else {
      while (k < text.size() && IsCombiningMark(text[k])) ++k;
    }
  }
  return true;
}

}  // namespace

TextPattern::Bytes::Bytes(std::string_view text) {
  FoldInto(text, &folded);
  for (std::size_t n = 1; n < folded.size(); ++n) {
    if (Rareness(folded[n]) > Rareness(folded[anchor])) anchor = n;
  }
  letters_only = folded.empty() || IsLetter(folded[anchor]);
}

std::size_t TextPattern::Bytes::Find(std::string_view text) const {
  constexpr std::size_t kNone = std::string_view::npos;
  if (folded.empty()) return 0;
  if (folded.size() > text.size()) return kNone;
  // The byte looked for first, in both cases when it is a letter: each
  // search runs through the text as fast as memchr does.
  char lower = folded[anchor];
  char upper = letters_only ? static_cast<char>(lower - 'a' + 'A') : lower;
  const char* end = text.data() + text.size() - (folded.size() - anchor - 1);
  const char* start = text.data() + anchor;
  const char* next_lower = Next(start, end, lower);
  const char* next_upper = upper == lower ? end : Next(start, end, upper);
  while (next_lower < end || next_upper < end) {
    const char* found = std::min(next_lower, next_upper);
    std::size_t at = found - text.data() - anchor;
    if (HoldsAt(text, at, folded)) return at;
    if (found == next_lower) next_lower = Next(found + 1, end, lower);
    if (found == next_upper) next_upper = Next(found + 1, end, upper);
  }
  return kNone;
}

void TextPattern::Bytes::Tune(const std::vector<long>& counts) {
  // A letter stands in text in either case.
  auto count = [&](char c) {
    long both = counts[static_cast<unsigned char>(c)];
    if (letters_only) both += counts[static_cast<unsigned char>(c - 'a' + 'A')];
    return both;
  };
  for (std::size_t n = 0; n < folded.size(); ++n) {
    if (IsLetter(folded[n]) == letters_only && count(folded[n]) < count(folded[anchor]))
      anchor = n;
  }
}

namespace {

std::u32string FoldedIfUtf8(std::string_view text, bool utf8) {
  std::u32string folded;
  if (utf8) FoldUnicode(text, &folded);
  return folded;
}

std::string AsBytes(const std::u32string& ascii) {
  return std::string(ascii.begin(), ascii.end());
}

}  // namespace

TextPattern::TextPattern(std::string_view text)
    : raw_(text),
      utf8_(IsUtf8(text)),
      folded_(FoldedIfUtf8(text, utf8_)),
      ascii_(utf8_ && AllAscii(folded_)),
      ascii_bytes_(ascii_ ? AsBytes(folded_) : std::string()) {}

bool TextPattern::UnicodeIn(std::string_view text) const {
  // Each thread that filters has its own.
  thread_local std::u32string folded;
  FoldUnicode(text, &folded);
  if (folded_.empty()) return true;
  for (std::size_t at = folded.find(folded_[0]); at != std::u32string::npos;
       at = folded.find(folded_[0], at + 1)) {
    if (MatchesAt(folded, at, folded_)) return true;
  }
  return false;
}

bool TextPattern::In(std::string_view text) const {
  constexpr std::size_t kNone = std::string_view::npos;
  if (!utf8_) return raw_.Find(text) != kNone;
  if (FirstWide(text) == kNone) return ascii_ && ascii_bytes_.Find(text) != kNone;
  if (!IsUtf8(text)) return raw_.Find(text) != kNone;
  // Found as ASCII, it is found: marks after its letters do not count.
  if (ascii_ && ascii_bytes_.Find(text) != kNone) return true;
  return UnicodeIn(text);
}

std::size_t TextPattern::Candidate(std::string_view text) const {
  if (!utf8_) return raw_.Find(text);
  // A line that is not all ASCII may hold it in any form.
  std::size_t wide = FirstWide(text);
  if (!ascii_) return wide;
  std::size_t found = ascii_bytes_.Find(text.substr(0, wide));
  return std::min(found, wide);
}

void TextPattern::Tune(const std::vector<long>& counts) {
  raw_.Tune(counts);
  ascii_bytes_.Tune(counts);
}

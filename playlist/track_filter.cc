#include "playlist/track_filter.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

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

}  // namespace

TrackFilter::Text::Text(const std::string& text) : anchor(0) {
  FoldInto(text, &folded);
  for (std::size_t n = 1; n < folded.size(); ++n) {
    if (Rareness(folded[n]) > Rareness(folded[anchor])) anchor = n;
  }
  letters_only = folded.empty() || IsLetter(folded[anchor]);
}

namespace {

// The next `c` in [from, end), or `end`.
const char* Next(const char* from, const char* end, char c) {
  const void* found = from < end ? std::memchr(from, c, end - from) : nullptr;
  return found ? static_cast<const char*>(found) : end;
}

}  // namespace

std::size_t TrackFilter::Text::Find(std::string_view text) const {
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

void TrackFilter::Text::Tune(const std::vector<long>& counts) {
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

void TrackFilter::Tune(std::string_view sample) {
  std::vector<long> counts(256);
  for (char c : sample) ++counts[static_cast<unsigned char>(c)];
  for (Text& only : only_) only.Tune(counts);
}

bool TrackFilter::AnyIn(const std::vector<Text>& texts, std::string_view line) {
  for (const Text& text : texts) {
    if (text.In(line)) return true;
  }
  return false;
}

TrackFilter::TrackFilter(const std::vector<std::string>& only,
                         const std::vector<std::string>& skip) {
  for (const std::string& text : only) only_.emplace_back(text);
  for (const std::string& text : skip) skip_.emplace_back(text);
}

std::size_t TrackFilter::Find(std::string_view text) const {
  std::size_t first = std::string_view::npos;
  for (const Text& only : only_) first = std::min(first, only.Find(text));
  return first;
}

bool TrackFilter::Lets(std::string_view line) const {
  if (AnyIn(skip_, line)) return false;
  return only_.empty() || AnyIn(only_, line);
}

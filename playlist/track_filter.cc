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

namespace {

// The field a query of the form FIELD:TEXT asks for, and where its text
// starts; kPath for a plain text.
int FieldOf(const std::string& text, std::size_t* start) {
  static const struct {
    const char* name;
    IndexField field;
  } kFields[] = {{"artist:", kArtist},
                 {"album:", kAlbum},
                 {"title:", kTitle},
                 {"genre:", kGenre},
                 {"year:", kYear}};
  for (const auto& known : kFields) {
    std::size_t size = std::strlen(known.name);
    if (SameNoCase(text, known.name, size)) {
      *start = size;
      return known.field;
    }
  }
  *start = 0;
  return kPath;
}

// "FIRST..LAST", both numbers.
bool ReadRange(const std::string& text, long long* first, long long* last) {
  std::size_t dots = text.find("..");
  if (dots == std::string::npos || dots == 0 || dots + 2 == text.size()) return false;
  for (std::size_t n = 0; n < text.size(); ++n) {
    if ((n < dots || n >= dots + 2) && (text[n] < '0' || text[n] > '9')) return false;
  }
  if (dots > 9 || text.size() - dots - 2 > 9) return false;
  *first = std::stoll(text.substr(0, dots));
  *last = std::stoll(text.substr(dots + 2));
  return true;
}

}  // namespace

TrackFilter::Text::Text(const std::string& query) : anchor(0) {
  std::size_t start = 0;
  field = FieldOf(query, &start);
  std::string text = query.substr(start);
  ranged = field == kYear && ReadRange(text, &first, &last);
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

bool TrackFilter::Text::Holds(const Track& track) const {
  if (field == kPath) return In(track.line());
  IndexFields fields;
  if (!track.Fields(&fields)) return false;
  if (ranged) {
    long long year = fields.Number(kYear, -1);
    return year >= first && year <= last;
  }
  return In(fields[static_cast<IndexField>(field)]) ||
         (field == kArtist && In(fields[kAlbumArtist]));
}

bool TrackFilter::AnyIn(const std::vector<Text>& texts, const Track& track) {
  for (const Text& text : texts) {
    if (text.Holds(track)) return true;
  }
  return false;
}

TrackFilter::TrackFilter(const std::vector<std::string>& only,
                         const std::vector<std::string>& skip) {
  for (const std::string& text : only) only_.emplace_back(text);
  for (const std::string& text : skip) skip_.emplace_back(text);
  narrows_ = !only_.empty();
  for (const Text& text : only_) narrows_ = narrows_ && !text.ranged;
  for (const std::vector<std::string>* texts : {&only, &skip}) {
    for (const std::string& text : *texts) {
      std::size_t start = 0;
      if (field_query_.empty() && FieldOf(text, &start) != kPath) field_query_ = text;
    }
  }
}

std::size_t TrackFilter::Find(std::string_view text) const {
  std::size_t first = std::string_view::npos;
  for (const Text& only : only_) first = std::min(first, only.Find(text));
  return first;
}

bool TrackFilter::Lets(const Track& track) const {
  if (AnyIn(skip_, track)) return false;
  return only_.empty() || AnyIn(only_, track);
}

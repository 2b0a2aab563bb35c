#include "playlist/track_filter.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

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

// The text of a year's bound without the blanks around it; true when it is
// empty (an open end) or a number.
bool ReadBound(std::string text, long long* year) {
  std::size_t first = text.find_first_not_of(' ');
  text = first == std::string::npos
             ? ""
             : text.substr(first, text.find_last_not_of(' ') + 1 - first);
  if (text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  if (!text.empty()) *year = std::stoll(text);
  return true;
}

// "FIRST..LAST", "FIRST.." or "..LAST": a range of years, either end open.
// Given the other way round, the years between the two.
bool ReadRange(const std::string& text, long long* first, long long* last) {
  std::size_t dots = text.find("..");
  if (dots == std::string::npos || text.find_first_not_of(". ") == std::string::npos)
    return false;
  *first = 0;
  *last = 999999999;
  if (!ReadBound(text.substr(0, dots), first) || !ReadBound(text.substr(dots + 2), last))
    return false;
  if (*first > *last) std::swap(*first, *last);
  return true;
}

// True when `text` (a year's query, without "year:") is a year or a range.
bool IsYears(const std::string& text) {
  long long first = 0, last = 0;
  return ReadRange(text, &first, &last) || ReadBound(text, &first);
}

}  // namespace

bool CheckSelectionText(const std::string& text, std::string* err) {
  std::size_t start = 0;
  int field = FieldOf(text, &start);
  if (field == kPath) return true;
  std::string rest = text.substr(start);
  if (rest.find_first_not_of(' ') == std::string::npos) {
    *err = text + " names a field but no text to look for in it";
    return false;
  }
  if (field == kYear && !IsYears(rest)) {
    *err = text +
           " is no year: give a year, or a range such as year:1970..1979, year:1970.. "
           "or year:..1979";
    return false;
  }
  return true;
}

namespace {

std::string_view TextOf(const std::string& query) {
  std::size_t start = 0;
  FieldOf(query, &start);
  return std::string_view(query).substr(start);
}

}  // namespace

TrackFilter::Text::Text(const std::string& query)
    : field(FieldOf(query, &start_of_text)), pattern(TextOf(query)) {
  ranged = field == kYear && ReadRange(query.substr(start_of_text), &first, &last);
}

void TrackFilter::Tune(std::string_view sample) {
  std::vector<long> counts(256);
  for (char c : sample) ++counts[static_cast<unsigned char>(c)];
  for (Text& only : only_) only.pattern.Tune(counts);
}

bool TrackFilter::Text::Holds(const Track& track) const {
  if (field == kPath) return pattern.In(track.line());
  IndexFields fields;
  if (!track.Fields(&fields)) return false;
  if (ranged) {
    long long year = fields.Number(kYear, -1);
    return year >= first && year <= last;
  }
  return pattern.In(fields[static_cast<IndexField>(field)]) ||
         (field == kArtist && pattern.In(fields[kAlbumArtist]));
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
  for (const Text& only : only_) first = std::min(first, only.pattern.Candidate(text));
  return first;
}

bool TrackFilter::Lets(const Track& track) const {
  if (AnyIn(skip_, track)) return false;
  return only_.empty() || AnyIn(only_, track);
}

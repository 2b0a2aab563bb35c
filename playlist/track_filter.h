// Which tracks a playlist may pick from, by -only and -skip: a track must
// hold one of the -only texts, when there are any, and none of the -skip
// texts. A plain text is looked for in the track's library line; one of the
// form FIELD:TEXT, for FIELD among artist (the artist or the album artist),
// album, title, genre and year, in what the tag index says of it, and
// year:FIRST..LAST takes the years from FIRST to LAST (either may be left
// out, for a range open at that end). Texts are compared as TextPattern
// says: case ignored in every script, either normalization form alike, and
// a letter given without marks found with them too.
#ifndef SONGWHIM_PLAYLIST_TRACK_FILTER_H_
#define SONGWHIM_PLAYLIST_TRACK_FILTER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_pattern.h"
#include "playlist/track.h"

// Checks a -only or -skip text before any is used: false, with `err` saying
// why, for a field query with no text, or a year that is no number or range
// of them.
bool CheckSelectionText(const std::string& text, std::string* err);

class TrackFilter {
 public:
  TrackFilter(const std::vector<std::string>& only, const std::vector<std::string>& skip);

  // True when some line may be left out.
  bool active() const { return !only_.empty() || !skip_.empty(); }
  // A text that asks what the tag index says, or "" when none does.
  const std::string& field_query() const { return field_query_; }

  // True when `track` may be picked. A text that asks for a field lets no
  // track without the index through.
  bool Lets(const Track& track) const;
  // The same for the library line `line`.
  bool Lets(std::string_view line) const { return Lets(Track(line, false)); }

  // True when only lines holding a text may be picked, so that Find can pass
  // over all the others.
  bool narrows() const { return narrows_; }
  // Where in `text` the first place is that holds an -only text, or npos.
  std::size_t Find(std::string_view text) const;
  // Chooses what Find looks for first by how often each byte stands in
  // `sample`, some of the library's text.
  void Tune(std::string_view sample);

 private:
  // A text to look for, and where.
  struct Text {
    explicit Text(const std::string& text);
    // True when `track` holds the text where it is to be looked for.
    bool Holds(const Track& track) const;

    std::size_t start_of_text = 0;  // in the query, past FIELD:
    int field;                      // where it is looked for: an IndexField, or kPath
    TextPattern pattern;
    long long first = 0, last = 0;  // the years of a range, when `ranged`
    bool ranged = false;
  };
  static bool AnyIn(const std::vector<Text>& texts, const Track& track);

  std::vector<Text> only_;
  std::vector<Text> skip_;
  std::string field_query_;
  bool narrows_ = false;
};

#endif  // SONGWHIM_PLAYLIST_TRACK_FILTER_H_

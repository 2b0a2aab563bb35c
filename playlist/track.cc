#include "playlist/track.h"

#include <cstring>

std::string_view Track::line() const {
  if (!indexed_) return text_;
  // The library line follows the index's tenth tab.
  std::size_t at = 0;
  for (int tabs = 0; tabs < kPath; ++tabs) {
    const void* tab = std::memchr(text_.data() + at, '\t', text_.size() - at);
    if (!tab) return std::string_view();
    at = static_cast<const char*>(tab) - text_.data() + 1;
  }
  return text_.substr(at);
}

bool Track::Fields(IndexFields* fields) const {
  return indexed_ && SplitIndexLine(text_, fields);
}

std::string_view Track::Field(IndexField field) const {
  IndexFields fields;
  return Fields(&fields) ? fields[field] : std::string_view();
}

bool Track::Tags(TrackTags* tags) const {
  IndexFields fields;
  if (!Fields(&fields)) return false;
  tags->milliseconds = fields.Number(kLength);
  tags->artist = std::string(fields[kArtist]);
  tags->album_artist = std::string(fields[kAlbumArtist]);
  tags->album = std::string(fields[kAlbum]);
  tags->title = std::string(fields[kTitle]);
  tags->genre = std::string(fields[kGenre]);
  tags->year = static_cast<int>(fields.Number(kYear));
  tags->track = static_cast<int>(fields.Number(kTrack));
  return tags->milliseconds > 0;
}

// A track as it flows through a playlist's pipeline, from the library to the
// filters, the pickers, the order and the playlist file: the line it comes
// as, which is its library line, or, where the tag index is read, its index
// line, which ends in its library line and says what its file holds.
#ifndef SONGWHIM_PLAYLIST_TRACK_H_
#define SONGWHIM_PLAYLIST_TRACK_H_

#include <string>
#include <string_view>

#include "base/tag_index.h"

class Track {
 public:
  // The track that `text` (a library line, or with `indexed` an index line)
  // names; `text` must outlive it.
  Track(std::string_view text, bool indexed) : text_(text), indexed_(indexed) {}

  // The line as it came.
  std::string_view text() const { return text_; }
  bool indexed() const { return indexed_; }
  // Its library line, line end kept.
  std::string_view line() const;
  // What the index says in `field`; empty without it.
  std::string_view Field(IndexField field) const;
  // The whole of what the index says, or false without it.
  bool Fields(IndexFields* fields) const;
  // Its length and tags as the index gives them; false without it, or when
  // the index knows no length.
  bool Tags(TrackTags* tags) const;

 private:
  std::string_view text_;
  bool indexed_;
};

#endif  // SONGWHIM_PLAYLIST_TRACK_H_

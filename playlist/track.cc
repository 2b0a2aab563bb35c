#include "playlist/track.h"

#include <cstdint>
#include <cstring>

namespace {

// The bytes of `word` that are tabs, each as its high bit.
std::uint64_t Tabs(std::uint64_t word) {
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fULL;
  std::uint64_t x = word ^ 0x0909090909090909ULL;  // tabs become zero bytes
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

}  // namespace

std::string_view Track::line() const {
  if (!indexed_) return text_;
  // The library line follows the index's tenth tab: the tabs are counted
  // eight bytes at a time, which the fields before the path make dozens of.
  int tabs = 0;
  std::size_t at = 0;
  for (; at + 8 <= text_.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text_.data() + at, 8);
    std::uint64_t found = Tabs(word);
    // One bit a tab, summed into the top byte.
    int count = static_cast<int>(((found >> 7) * 0x0101010101010101ULL) >> 56);
    if (tabs + count >= kPath) break;
    tabs += count;
  }
  for (; at < text_.size(); ++at) {
    if (text_[at] == '\t' && ++tabs == kPath) return text_.substr(at + 1);
  }
  return std::string_view();
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

#include "playlist/artist.h"

#include "base/text.h"

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// Where the last separator of `text` stands, or npos. By hand:
// find_last_of looks each byte up in the set of separators.
std::size_t LastSeparator(std::string_view text) {
  for (std::size_t at = text.size(); at > 0; --at) {
    if (IsSeparator(text[at - 1])) return at - 1;
  }
  return std::string_view::npos;
}

// A tag's key beside a folder's: no folder ends in this byte.
constexpr char kNameMark = '\x01';

}  // namespace

Artists::Artists(const std::vector<std::string>& roots) {
  for (const std::string& root : roots) {
    std::string_view folder = root;
    while (folder.size() > 1 && IsSeparator(folder.back())) folder.remove_suffix(1);
    root_lengths_.insert(folder.size());
    root_hashes_.insert(HashText(folder));
  }
}

std::string_view Artists::FolderOf(std::string_view line) {
  std::size_t cut = LastSeparator(line);
  return cut == std::string_view::npos ? std::string_view() : line.substr(0, cut);
}

std::string_view Artists::FolderArtist(std::string_view line) const {
  std::string_view album = FolderOf(line);
  std::size_t cut = LastSeparator(album);
  if (album.empty() || cut == std::string_view::npos || cut == 0) return line;
  if (root_lengths_.count(album.size()) && root_hashes_.count(HashText(album)))
    return line;
  // Up to the separator after the artist's folder, so that /m/A is not /m/AB.
  return album.substr(0, cut + 1);
}

std::string Artists::Of(const Track& track) const {
  IndexFields fields;
  if (track.Fields(&fields)) {
    std::string_view name =
        fields[kAlbumArtist].empty() ? fields[kArtist] : fields[kAlbumArtist];
    if (!name.empty()) return std::string(1, kNameMark) + std::string(name);
  }
  return std::string(FolderArtist(WithoutLineEnd(track.line())));
}

std::uint64_t Artists::KeyOf(const Track& track) const {
  if (track.indexed()) return HashText(Of(track));
  // Without the index, no copy: the folder lies in the line.
  return HashText(FolderArtist(WithoutLineEnd(track.line())));
}

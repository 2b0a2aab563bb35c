// The tag index, LIBRARY.tags: what the build learns of each track from its
// file, kept beside the library so that playlists can choose by it. A UTF-8
// text file: the header line
//   songwhim tags 1 TAB <checksum> TAB <library bytes> TAB <library time>
//   TAB <revision>
// then a line for each library line, in library order, of eleven fields
// split by tabs:
//   size TAB time TAB length TAB artist TAB album artist TAB album TAB title
//   TAB genre TAB year TAB track TAB path
// where size is the file's in bytes, time its modification time in
// nanoseconds since 1970 (negative before; outside the years 1678 to 2262 it
// wraps round, as it only has to tell whether the file changed), both empty
// when the file or its tags could not all be read (so that the next build
// reads it again), length in milliseconds (empty when it cannot be told),
// year and track numbers (empty when the tags give none), and path the
// library line without its line end; it comes last, so it may hold anything.
// A tag of several values holds them joined by "; ". Control characters and
// line separators in a tag become blanks, and a tag field holds at most
// kMaxTagField bytes, cut where a character ends, so that every line fits a
// reader's bound. The checksum (16 hex digits) is that of the bytes after the
// header; the library's size and time tell which library the index was made
// for; the revision, of what the lines hold (an index of the first has
// none). The builder writes it, the playlist maker reads it; both go through
// this file.
#ifndef SONGWHIM_BASE_TAG_INDEX_H_
#define SONGWHIM_BASE_TAG_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/checksum.h"
#include "base/line_reader.h"

// What a track's file says of it.
struct TrackTags {
  long long milliseconds = 0;  // 0 when unknown
  bool complete = true;        // false when some of the file could not be read
  std::string artist;          // UTF-8; empty when the file has none
  std::string album_artist;
  std::string album;
  std::string title;
  std::string genre;
  int year = 0;  // 0 when none
  int track = 0;
};

// The first words of the header, with the format's version, and the
// revision of its lines: since revision 2 a field holds every value of a
// tag, a number may have blanks around it, and a file that could not all
// be read has no stamp. A build takes no lines over from an earlier one.
constexpr char kIndexHeader[] = "songwhim tags 1";
constexpr char kIndexRevision[] = "2";

// The longest index line, line end not counted: the longest library line
// and room for the rest.
constexpr std::size_t kMaxIndexLine = kMaxLine + 8192;
// The most bytes a tag field holds: five of them and six numbers of at most
// 20 characters, with their tabs, leave room to spare.
constexpr std::size_t kMaxTagField = 1024;
static_assert(5 * (kMaxTagField + 1) + 6 * 21 < kMaxIndexLine - kMaxLine,
              "every index line fits its readers' bound");

// Several values of one tag, as a field holds them.
constexpr char kValueSeparator[] = "; ";

// The fields of an index line, in order.
enum IndexField {
  kSize,
  kTime,
  kLength,
  kArtist,
  kAlbumArtist,
  kAlbum,
  kTitle,
  kGenre,
  kYear,
  kTrack,
  kPath,
  kFieldCount
};

// A file's size and modification time, which tell whether it changed.
struct FileStamp {
  long long size = -1;  // -1 when the file is not there
  long long time = 0;
  bool operator==(const FileStamp& other) const {
    return size == other.size && time == other.time;
  }
};

// A file's stamp at the start of a listing line: "SIZE TAB TIME TAB", or
// two tabs alone when the file could not be stat'ed.
void AppendStamp(const FileStamp& stamp, std::string* line);
// The stamp at the start of `line`, and the rest of it; false when `line`
// begins with none.
bool SplitStamp(std::string_view line, FileStamp* stamp, std::string_view* rest);

// The index line of the track `path` (a library line without its line end),
// with its file's stamp and, when `tags` is null, no length or tags.
std::string IndexLine(const FileStamp& stamp, const TrackTags* tags,
                      std::string_view path);

// The fields of one index line, each a view into it.
struct IndexFields {
  std::string_view field[kFieldCount];
  std::string_view operator[](IndexField which) const { return field[which]; }
  // The number in a field, or `none` when it holds none (or a sign, or one
  // too large to hold).
  long long Number(IndexField which, long long none = 0) const;
  // The stamp the line was written with; size -1 when it holds none.
  FileStamp Stamp() const;
};

// Splits `line` (its line end, if any, kept out of the path). False when it
// is no index line.
bool SplitIndexLine(std::string_view line, IndexFields* fields);

// The header for a library of `library`'s stamp, with room for a checksum,
// which `checksum_at` says where to write once the lines are.
std::string IndexHeader(const FileStamp& library, std::size_t* checksum_at);
// The checksum as the header holds it.
std::string ChecksumText(std::uint64_t checksum);
// Reads a header; false when `line` is none of this revision.
bool ReadIndexHeader(std::string_view line, std::uint64_t* checksum, FileStamp* library);
// True when `line` is the header of an index of an earlier revision.
bool IsEarlierIndexHeader(std::string_view line);

#endif  // SONGWHIM_BASE_TAG_INDEX_H_

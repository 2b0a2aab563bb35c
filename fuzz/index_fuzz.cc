// The tag index's lines and header made of arbitrary bytes: what splitting
// a line gives must agree with where a track finds its library line, what
// a line written from the fields says (its stamp among it) must split back
// into them, and a checksum taken in pieces must be the one taken at once.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/checksum.h"
#include "base/tag_index.h"
#include "fuzz/fuzz_util.h"
#include "playlist/track.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  IndexFields fields;
  if (SplitIndexLine(text, &fields)) {
    std::string_view line = Track(text, true).line();
    FUZZ_CHECK(line.substr(0, fields[kPath].size()) == fields[kPath]);
    for (int n = 0; n < kPath; ++n)
      FUZZ_CHECK(fields.field[n].find('\t') == std::string_view::npos);
    FUZZ_CHECK(fields.Number(kYear, -1) >= -1);
    // A line made of what was split splits into the same tags, control
    // characters become blanks.
    TrackTags tags;
    tags.artist = std::string(fields[kArtist]);
    tags.title = std::string(fields[kTitle]);
    tags.milliseconds = 1;
    // A stamp read back is the one written.
    FileStamp stamp = fields.Stamp();
    if (stamp.size < 0) stamp = FileStamp{1, 2};
    std::string again = IndexLine(stamp, &tags, fields[kPath]);
    IndexFields split;
    FUZZ_CHECK(SplitIndexLine(again, &split));
    FUZZ_CHECK(split.Stamp() == stamp);
    auto blanked = [](std::string_view tag) {
      std::string text(tag);
      for (char& c : text) c = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
      return text;
    };
    FUZZ_CHECK(split[kArtist] == blanked(fields[kArtist]) &&
               split[kTitle] == blanked(fields[kTitle]));
  }
  std::uint64_t checksum = 0;
  FileStamp library;
  ReadIndexHeader(text, &checksum, &library);
  // In pieces the first byte chooses the size of.
  Checksum whole, pieces;
  whole.Add(text.data(), text.size());
  std::size_t step = size > 0 ? data[0] % 37 + 1 : 1;
  for (std::size_t at = 0; at < size; at += step)
    pieces.Add(text.data() + at, std::min(step, size - at));
  FUZZ_CHECK(whole.value() == pieces.value());
  return 0;
}

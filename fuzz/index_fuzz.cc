// The tag index's lines and header made of arbitrary bytes: what splitting
// a line gives must agree with where a track finds its library line, what
// a line written from the fields says (its stamp among it) must split back
// into them, and a checksum taken in pieces must be the one taken at once.
#include <algorithm>
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
    // characters and line separators blanks, and cut to the bound where a
    // character ends.
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
      auto byte = [&](std::size_t at) {
        return at < tag.size() ? static_cast<unsigned char>(tag[at]) : 0;
      };
      std::string text;
      for (std::size_t at = 0; at < tag.size(); ++at) {
        bool c1 = byte(at) == 0xc2 && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9f;
        bool separator =
            tag.substr(at, 3) == "\xe2\x80\xa8" || tag.substr(at, 3) == "\xe2\x80\xa9";
        text += byte(at) < 0x20 || byte(at) == 0x7f || c1 || separator ? ' ' : tag[at];
        at += c1 ? 1 : separator ? 2 : 0;
      }
      std::size_t cut = std::min(text.size(), kMaxTagField);
      auto continues = [&](std::size_t at) {
        return (static_cast<unsigned char>(text[at]) & 0xc0) == 0x80;
      };
      if (cut < text.size() && continues(cut)) {
        while (cut > 0 && continues(cut - 1)) --cut;
        if (cut > 0 && static_cast<unsigned char>(text[cut - 1]) >= 0xc0) --cut;
      }
      return text.substr(0, cut);
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

// Reading a track's length and tags from files made of arbitrary bytes: the
// first byte chooses the file's type (by its name, as a library line would
// give it), and for WAV files the rest may come inside a generated RIFF
// header, so that the reading goes past the first checks.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_util.h"
#include "platform/track_tags.h"

namespace {

const char* const kTypes[] = {"wav", "mp3", "flac", "ogg", "m4a", "aiff", "opus", "wma"};

std::string Le32(std::size_t value) {
  std::string text;
  for (int n = 0; n < 4; ++n) text += static_cast<char>((value >> (8 * n)) & 0xff);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/songwhim-tags-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(folder) && chdir(folder) == 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  std::string type = kTypes[data[0] % (sizeof kTypes / sizeof *kTypes)];
  std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
  if (type == "wav" && data[1] % 2) {
    // A RIFF file whose chunks are the input.
    body = "RIFF" + Le32(body.size() + 4) + "WAVE" + body;
  }
  std::string name = "track." + type;
  std::FILE* file = std::fopen(name.c_str(), "wb");
  FUZZ_CHECK(file);
  std::fwrite(body.data(), 1, body.size(), file);
  std::fclose(file);
  TrackTags tags;
  bool read = ReadTrackTags(name, &tags);
  FUZZ_CHECK(tags.milliseconds >= 0 && (read || tags.milliseconds == 0));
  // Whatever the file holds, its index line fits the readers' bound.
  std::string line = IndexLine(FileStamp{1, 1}, read ? &tags : nullptr, name);
  FUZZ_CHECK(line.size() <= kMaxIndexLine + 1);
  return 0;
}

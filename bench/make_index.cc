// Writes a library of COUNT lines, LIBRARY, and its tag index beside it, as
// a build would for tracks of ten genres and lengths from 2 to 8 minutes,
// without the audio files: for measuring playlists over a large index.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "base/checksum.h"
#include "base/tag_index.h"
#include "base/work_files.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_index LIBRARY COUNT\n");
    return 2;
  }
  std::string library = argv[1];
  long count = std::atol(argv[2]);
  const char* genres[] = {"Rock", "Pop", "Jazz", "Blues", "Classical",
                          "Folk", "Metal", "Soul", "Country", "Electronic"};
  std::FILE* lines = std::fopen(library.c_str(), "w");
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> seconds(120, 480);
  std::string body;
  Checksum sum;
  std::FILE* index = std::fopen((library + ".body").c_str(), "w");
  for (long n = 0; n < count; ++n) {
    char path[160];
    std::snprintf(path, sizeof path, "/home/user/Music/Artist %04ld/Album %03ld/%02ld Title %ld.mp3",
                  n / 100 % 10000, n / 10 % 1000, n % 10 + 1, n);
    std::fprintf(lines, "%s\n", path);
    TrackTags tags;
    tags.milliseconds = seconds(random) * 1000LL;
    tags.artist = "Artist " + std::to_string(n / 100 % 10000);
    tags.album = "Album " + std::to_string(n / 10 % 1000);
    tags.title = "Title " + std::to_string(n);
    tags.genre = genres[(n * 7) % 10];
    tags.year = static_cast<int>(1960 + n % 60);
    tags.track = static_cast<int>(n % 10 + 1);
    std::string line = IndexLine(FileStamp{4000000 + n, 1700000000000000000LL + n}, &tags, path);
    sum.Add(line.data(), line.size());
    std::fputs(line.c_str(), index);
  }
  std::fclose(lines);
  std::fclose(index);
  FileStamp stamp;
  if (!StampOf(library, &stamp)) return 1;
  std::size_t at = 0;
  std::string header = IndexHeader(stamp, &at);
  header.replace(at, 16, ChecksumText(sum.value()));
  std::FILE* out = std::fopen(TagsName(library).c_str(), "w");
  std::fputs(header.c_str(), out);
  std::FILE* in = std::fopen((library + ".body").c_str(), "r");
  char block[1 << 16];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;)
    std::fwrite(block, 1, got, out);
  std::fclose(in);
  std::fclose(out);
  std::remove((library + ".body").c_str());
  return 0;
}

// Copies the audio files TEMPLATE... (an MP3 and a FLAC, say) into COUNT
// tracks under FOLDER, by turns, as FOLDER/Artist NNN/Album NN/NN Title N.ext,
// each with its own artist, album, title, genre, year and track number
// written by TagLib, and prints their paths, one a line.
#include <fileref.h>
#include <tag.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: make_tagged FOLDER COUNT TEMPLATE...\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path folder = argv[1];
  int count = std::atoi(argv[2]);
  std::vector<fs::path> templates(argv + 3, argv + argc);
  const char* genres[] = {"Rock", "Pop", "Jazz", "Blues", "Classical",
                          "Folk", "Metal", "Soul", "Country", "Electronic"};
  for (int n = 0; n < count; ++n) {
    const fs::path& from = templates[n % templates.size()];
    int artist = n / 100, album = n / 10 % 10, track = n % 10 + 1;
    char place[96];
    std::snprintf(place, sizeof place, "Artist %03d/Album %02d", artist, album);
    fs::create_directories(folder / place);
    fs::path to = folder / place /
                  (std::to_string(100 + track).substr(1) + " Title " + std::to_string(n) +
                   from.extension().string());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    TagLib::FileRef file(to.c_str());
    if (file.isNull() || !file.tag()) return 1;
    file.tag()->setArtist("Artist " + TagLib::String(std::to_string(artist)));
    file.tag()->setAlbum("Album " + TagLib::String(std::to_string(artist * 10 + album)));
    file.tag()->setTitle("Title " + TagLib::String(std::to_string(n)));
    file.tag()->setGenre(genres[(n * 7) % 10]);
    file.tag()->setYear(1960 + n % 60);
    file.tag()->setTrack(track);
    if (!file.save()) return 1;
    std::printf("%s\n", to.c_str());
  }
  return 0;
}

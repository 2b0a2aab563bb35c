// Writes COUNT WAV files under FOLDER, in folders of 100, with lengths spread
// evenly from 30 s to 10 min and a title and artist each, and prints their
// paths, one a line. The files hold one sample a second, so each is a few
// hundred bytes: enough for what a player or TagLib reads of them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

std::string Number(std::uint32_t value, int bytes) {
  std::string text;
  for (int n = 0; n < bytes; ++n) text += static_cast<char>((value >> (8 * n)) & 0xff);
  return text;
}

std::string Chunk(const std::string& id, const std::string& data) {
  return id + Number(static_cast<std::uint32_t>(data.size()), 4) + data +
         (data.size() % 2 ? std::string(1, '\0') : "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_wavs FOLDER COUNT\n");
    return 2;
  }
  std::filesystem::path folder = argv[1];
  int count = std::atoi(argv[2]);
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> seconds(15, 300);  // doubled: even sizes
  std::string format = Number(1, 2) + Number(1, 2) + Number(1, 4) + Number(1, 4) +
                       Number(1, 2) + Number(8, 2);
  for (int n = 0; n < count; ++n) {
    std::filesystem::path album = folder / ("Album " + std::to_string(n / 100));
    std::filesystem::create_directories(album);
    std::filesystem::path track = album / ("Track " + std::to_string(n) + ".wav");
    std::string info = "INFO" + Chunk("INAM", "Title " + std::to_string(n) + '\0') +
                       Chunk("IART", "Artist " + std::to_string(n % 37) + '\0');
    std::string body = "WAVE" + Chunk("fmt ", format) + Chunk("LIST", info) +
                       Chunk("data", std::string(2 * seconds(random), '\x80'));
    std::ofstream(track, std::ios::binary)
        << "RIFF" << Number(static_cast<std::uint32_t>(body.size()), 4) << body;
    std::printf("%s\n", track.string().c_str());
  }
  return 0;
}

// Reservoir sampling with skips (Li's Algorithm L): the first `many` lines
// fill the reservoir, and the gaps between the later lines that replace one
// of them are drawn directly, so the lines in between are only passed over,
// which costs little more than finding their line ends.
#include "playlist/shuffle.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace {

// A number drawn evenly from the open interval (0, 1).
double Uniform(std::mt19937_64* random) {
  return static_cast<double>((*random)() >> 11) * 0x1.0p-53 + 0x1.0p-54;
}

// Passes over `count` lines; false at the end of the file (or a bad line).
bool PassOver(LineReader* reader, double count) {
  // A gap longer than any file stands for the rest of the file.
  constexpr double kPastAnyFile = 1e18;
  long long lines = static_cast<long long>(std::min(count, kPastAnyFile));
  return reader->PassOver(lines) == lines;
}

}  // namespace

std::vector<std::string> PickLines(LineReader* reader, int many,
                                   std::mt19937_64* random) {
  std::vector<std::string> picks;
  std::size_t size = many > 0 ? static_cast<std::size_t>(many) : 0;
  std::string_view line;
  while (picks.size() < size && reader->NextView(&line)) picks.emplace_back(line);
  if (size > 0 && picks.size() == size) {
    std::uniform_int_distribution<std::size_t> slot(0, size - 1);
    double k = static_cast<double>(size);
    double w = std::exp(std::log(Uniform(random)) / k);
    for (;;) {
      double gap = std::floor(std::log(Uniform(random)) / std::log1p(-w));
      if (!PassOver(reader, gap) || !reader->NextView(&line)) break;
      picks[slot(*random)].assign(line.data(), line.size());
      w *= std::exp(std::log(Uniform(random)) / k);
    }
  }
  std::shuffle(picks.begin(), picks.end(), *random);
  return picks;
}

std::mt19937_64 SeededGenerator() {
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  auto seconds = static_cast<std::uint64_t>(std::time(nullptr));
  std::vector<std::uint32_t> seeds = {
      static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
      static_cast<std::uint32_t>(seconds), static_cast<std::uint32_t>(seconds >> 32)};
  try {
    std::random_device device;
    for (int n = 0; n < 4; ++n) seeds.push_back(device());
  } catch (const std::exception&) {
    // No entropy source: the clocks alone still differ from run to run.
  }
  std::seed_seq sequence(seeds.begin(), seeds.end());
  return std::mt19937_64(sequence);
}

void PickByShuffle(LineReader* library, int many, PlaylistFile* playlist) {
  std::mt19937_64 random = SeededGenerator();
  std::vector<std::string> picks = PickLines(library, many, &random);
  if (library->status() != LineReader::kOk) return;
  for (const std::string& pick : picks) {
    if (playlist->failed()) return;
    playlist->Add(pick);
  }
}

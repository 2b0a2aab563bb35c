#include "playlist/shuffle.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "base/text.h"
#include "playlist/distinct_draw.h"

std::vector<std::string> PickLines(LineReader* reader, int many,
                                   std::mt19937_64* random) {
  DistinctDraw<std::string> draw(many > 0 ? static_cast<std::size_t>(many) : 0, random);
  // Lines handed out a batch at a time cost less than one by one.
  std::string_view lines[32];
  while (std::size_t count = reader->NextBatch(lines, 32)) {
    for (std::size_t n = 0; n < count; ++n) {
      if (IsBlankLine(lines[n])) continue;
      std::uint64_t key = LineKey(lines[n]);
      if (draw.Wants(key)) draw.Take(key, std::string(lines[n]));
    }
  }
  return draw.Picks();
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

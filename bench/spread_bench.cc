// Times the -spread order of PICKS picks from ARTISTS artists of uneven size
// (artist n holds about twice the picks of artist n + 1), best of 20, and
// prints it in milliseconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "playlist/spread.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: spread_bench PICKS ARTISTS\n");
    return 2;
  }
  int picks = std::atoi(argv[1]), artists = std::atoi(argv[2]);
  std::mt19937_64 random(20261209);
  std::geometric_distribution<int> uneven(2.0 / artists);
  std::vector<std::uint64_t> by;
  for (int n = 0; n < picks; ++n) by.push_back(static_cast<std::uint64_t>(uneven(random) % artists));
  double best = 1e9;
  for (int round = 0; round < 20; ++round) {
    auto start = std::chrono::steady_clock::now();
    std::vector<std::size_t> order = SpreadOrder(by, &random);
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (order.size() == by.size() && took.count() < best) best = took.count();
  }
  std::printf("%.3f\n", best);
  return 0;
}

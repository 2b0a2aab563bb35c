// Times the folder walk alone, to choose how many readers it uses: a fixed
// number, or the default that adds readers while reads wait.
// Usage: walk_bench ROOT READERS|default [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/output_file.h"
#include "platform/tree_walk.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s ROOT READERS [RUNS]\n", argv[0]);
    return 2;
  }
  std::string kind = argv[2];
  WalkReaders readers;
  if (kind != "default") readers.first = readers.most = std::atoi(argv[2]);
  int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  double best = 1e18;
  long long lines = 0;
  for (int run = 0; run < runs; ++run) {
    OutputFile out;
    std::string err;
    if (!out.Open("/dev/null", &err)) return 1;
    auto start = std::chrono::steady_clock::now();
    lines = WalkTree(argv[1], &out, readers);
    out.Close(&err);
    std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
  }
  std::printf("%s readers: %.1f ms (best of %d), %lld lines\n", kind.c_str(), best, runs,
              lines);
}

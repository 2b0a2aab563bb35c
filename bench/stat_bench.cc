// The least a refresh of the tag index must add to a build: one stat of each
// track's file, to see that it is unchanged. Stats the files listed on
// standard input, each relative to its open folder (cheaper than a whole
// path), on one thread a processor, and prints the best of RUNS in ms.
// Usage: stat_bench [RUNS] < FILES
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct File {
  int folder;
  std::string name;
};

// Opens each folder once; consecutive files mostly share theirs.
std::vector<File> ReadFiles(std::vector<int>* folders) {
  std::vector<File> files;
  std::string last;
  for (std::string path; std::getline(std::cin, path);) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) continue;
    std::string folder = path.substr(0, slash + 1);
    if (folders->empty() || folder != last) {
      folders->push_back(open(folder.c_str(), O_RDONLY | O_DIRECTORY));
      last = folder;
    }
    files.push_back({folders->back(), path.substr(slash + 1)});
  }
  return files;
}

double StatAll(const std::vector<File>& files, unsigned threads) {
  std::atomic<std::size_t> next{0};
  std::atomic<long> missing{0};
  auto work = [&] {
    struct stat info;
    for (std::size_t n; (n = next.fetch_add(64)) < files.size();)
      for (std::size_t k = n; k < n + 64 && k < files.size(); ++k)
        if (fstatat(files[k].folder, files[k].name.c_str(), &info, 0) != 0) ++missing;
  };
  auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();
  std::chrono::duration<double, std::milli> took =
      std::chrono::steady_clock::now() - start;
  if (missing > 0)
    std::fprintf(stderr, "%ld files could not be stat'ed\n", missing.load());
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  std::vector<int> folders;
  std::vector<File> files = ReadFiles(&folders);
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  double best = 1e18;
  for (int run = 0; run < runs; ++run) best = std::min(best, StatAll(files, threads));
  for (int folder : folders) close(folder);
  std::printf("%.2f\n", best);
  return 0;
}

// The least a refresh of the tag index must add to a build: one stat of each
// track's file, to see that it is unchanged. Stats the files listed on
// standard input, each relative to its open folder (cheaper than a whole
// path), on one thread a processor, and prints the best of RUNS in ms. The
// folders are opened beforehand, some thousands at a time, outside the time.
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
  std::string folder;
  std::string name;
  int open = -1;  // the folder's descriptor while its group is stat'ed
};

// Folders held open at once: well below the usual limit of open files.
constexpr std::size_t kOpenFolders = 4096;

std::vector<File> ReadFiles() {
  std::vector<File> files;
  for (std::string path; std::getline(std::cin, path);) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) continue;
    files.push_back({path.substr(0, slash + 1), path.substr(slash + 1)});
  }
  return files;
}

// Opens the folders of the files from `first` on, up to kOpenFolders of them
// (consecutive files mostly share theirs), and returns where the group ends.
std::size_t OpenGroup(std::vector<File>* files, std::size_t first,
                      std::vector<int>* open) {
  std::size_t end = first;
  for (; end < files->size(); ++end) {
    File& file = (*files)[end];
    if (end == first || file.folder != (*files)[end - 1].folder) {
      if (open->size() == kOpenFolders) break;
      open->push_back(::open(file.folder.c_str(), O_RDONLY | O_DIRECTORY));
    }
    file.open = open->back();
  }
  return end;
}

// Stats the files [first, end) on `threads` threads.
double StatGroup(const std::vector<File>& files, std::size_t first, std::size_t end,
                 unsigned threads) {
  std::atomic<std::size_t> next{first};
  std::atomic<long> missing{0};
  auto work = [&] {
    struct stat info;
    for (std::size_t n; (n = next.fetch_add(64)) < end;)
      for (std::size_t k = n; k < n + 64 && k < end; ++k)
        if (fstatat(files[k].open, files[k].name.c_str(), &info, 0) != 0) ++missing;
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

double StatAll(std::vector<File>* files, unsigned threads) {
  double took = 0;
  for (std::size_t first = 0; first < files->size();) {
    std::vector<int> open;
    std::size_t end = OpenGroup(files, first, &open);
    took += StatGroup(*files, first, end, threads);
    for (int folder : open) close(folder);
    first = end;
  }
  return took;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  std::vector<File> files = ReadFiles();
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  double best = 1e18;
  for (int run = 0; run < runs; ++run) best = std::min(best, StatAll(&files, threads));
  std::printf("%.2f\n", best);
  return 0;
}

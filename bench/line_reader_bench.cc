// Times the ways to read a file line by line: the program's own reader
// (fread and memchr), fgets, POSIX getline and std::getline.
// Usage: line_reader_bench FILE
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "base/line_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Read>
void Time(const char* name, Read read) {
  double best = 1e9;
  long long lines = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    lines = read();
    best = std::min(
        best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::printf("%-14s %8.1f ms  %lld lines\n", name, best, lines);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const char* path = argv[1];
  Time("LineReader", [&] {
    std::FILE* file = std::fopen(path, "r");
    LineReader reader(file);
    std::string line;
    long long lines = 0;
    while (reader.Next(&line)) ++lines;
    std::fclose(file);
    return lines;
  });
  Time("fgets", [&] {
    std::FILE* file = std::fopen(path, "r");
    char chunk[4096];
    std::string line;
    long long lines = 0;
    while (std::fgets(chunk, sizeof chunk, file)) {
      line += chunk;
      if (!line.empty() && line.back() == '\n') {
        ++lines;
        line.clear();
      }
    }
    std::fclose(file);
    return lines;
  });
#ifndef _WIN32
  Time("getline", [&] {
    std::FILE* file = std::fopen(path, "r");
    char* buffer = nullptr;
    size_t size = 0;
    long long lines = 0;
    while (getline(&buffer, &size, file) >= 0) ++lines;
    std::free(buffer);
    std::fclose(file);
    return lines;
  });
#endif
  Time("std::getline", [&] {
    std::ifstream in(path);
    std::string line;
    long long lines = 0;
    while (std::getline(in, line)) ++lines;
    return lines;
  });
  return 0;
}

// A scratch file for unit tests. The C library's tmpfile is not used: on
// Windows it names files in the drive's root from a per-process counter, so
// test processes running side by side collide.
#ifndef SONGWHIM_TESTS_SCRATCH_FILE_H_
#define SONGWHIM_TESTS_SCRATCH_FILE_H_

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

class ScratchFile {
 public:
  // Opens a new, empty file for reading and writing; aborts if it cannot.
  ScratchFile() {
    std::random_device random;
    path_ = (std::filesystem::temp_directory_path() /
             ("songwhim-test-" + std::to_string(random()) + std::to_string(random())))
                .string();
    file_ = std::fopen(path_.c_str(), "w+b");
    if (!file_) std::abort();
  }
  ~ScratchFile() {
    std::fclose(file_);
    std::remove(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  std::FILE* get() const { return file_; }

 private:
  std::string path_;
  std::FILE* file_;
};

#endif  // SONGWHIM_TESTS_SCRATCH_FILE_H_

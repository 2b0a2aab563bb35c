// The paths file reader, trim and the section rules over arbitrary bytes.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "library/library.h"
#include "source/state.h"
#include "source/text.h"

namespace {

std::vector<std::string> listed;

bool Trimmed(const std::string& entry) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return !entry.empty() && !blank(entry.front()) && !blank(entry.back()) &&
         entry.back() != '\n';
}

}  // namespace

// Stands in for the real listing: records the folder and walks nothing.
void MakeDir(const std::string& folder) {
  ++PCount;
  listed.push_back(folder);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  listed.clear();
  Remove.clear();
  Allow.clear();
  PCount = 0;
  std::FILE* paths = OpenBytes(data, size);
  bool read = ReadPathsFile(paths);
  std::fclose(paths);
  // Only a NUL byte or an overlong line stops the reader, which the fuzzer's
  // small inputs rarely hold.
  FUZZ_CHECK(read == (std::memchr(data, 0, size) == nullptr || size == 0) ||
             size > kMaxLine);
  if (!read) return 0;
  for (const std::string& folder : listed)
    FUZZ_CHECK(folder.size() > 2 && Trimmed(folder));
  for (const std::string& prefix : Remove)
    FUZZ_CHECK(prefix.size() > 2 && Trimmed(prefix));
  for (const std::string& type : Allow) FUZZ_CHECK(type.size() >= 2 && type.size() <= 3);
  FUZZ_CHECK(PCount == static_cast<int>(listed.size()));
  return 0;
}

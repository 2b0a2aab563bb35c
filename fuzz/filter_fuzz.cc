// The track filter over arbitrary merge-file bytes. The first line of the
// input gives the file types, the second an ignore prefix.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/work_files.h"
#include "fuzz/fuzz_util.h"
#include "library/filter.h"

namespace {

std::string NextLine(const uint8_t*& data, size_t& size) {
  std::string line;
  while (size > 0 && *data != '\n') {
    line += static_cast<char>(*data++);
    --size;
  }
  if (size > 0) {
    ++data;
    --size;
  }
  return line;
}

std::size_t LongestLine(const uint8_t* data, size_t size) {
  std::size_t longest = 0, length = 0;
  for (size_t i = 0; i < size; ++i) {
    length = data[i] == '\n' ? 0 : length + 1;
    longest = std::max(longest, length);
  }
  return longest;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceConsole();
  // The filter works on files in the working folder.
  char folder[] = "/tmp/songwhim-filter-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(folder) && chdir(folder) == 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string types = NextLine(data, size);
  Allow.clear();
  for (size_t i = 0; i < types.size(); i += 3) Allow.push_back(types.substr(i, 3));
  Remove = {NextLine(data, size)};
  if (Remove[0].empty()) Remove.clear();
  std::FILE* merge = std::fopen(kMergeFile, "w");
  FUZZ_CHECK(merge);
  std::fwrite(data, 1, size, merge);
  std::fclose(merge);
  int count = -1;
  // Input with a NUL byte or an overlong line is refused, and nothing else.
  bool text =
      std::memchr(data, 0, size) == nullptr && LongestLine(data, size) <= kMaxLine;
  std::string err;
  FUZZ_CHECK(FilterTracks("library.txt", &count, &err) == text);
  if (!text) return 0;
  // Every kept line is a whole line of the input, judged again the same way.
  std::FILE* library = std::fopen("library.txt", "r");
  LineReader reader(library);
  int lines = 0;
  for (std::string line; reader.Next(&line); ++lines) FUZZ_CHECK(IsWanted(line));
  std::fclose(library);
  FUZZ_CHECK(lines == count);
  return 0;
}

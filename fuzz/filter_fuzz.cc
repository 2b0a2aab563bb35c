// The track filter over arbitrary merge-file bytes. The first line of the
// input gives the file types, the second an ignore prefix.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/text.h"
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

// The filter's rule as first written: every entry tried on every line,
// and no folder (a line that ends in a slash).
bool WantedPlainly(std::string_view line, const std::vector<std::string>& allow,
                   const std::vector<std::string>& remove) {
  if (line.size() < 4) return false;
  std::string_view path = WithoutLineEnd(line);
  if (!path.empty() && path.back() == '/') return false;
  std::string_view type = line.substr(line.size() - 4, 3);
  bool can = false;
  for (const std::string& entry : allow) can = can || SameNoCase(type, entry, 3);
  for (const std::string& prefix : remove) {
    if (SameNoCase(line, prefix, prefix.size())) can = false;
  }
  return can;
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
  std::vector<std::string> allow;
  for (size_t i = 0; i < types.size(); i += 3) allow.push_back(types.substr(i, 3));
  Allow = AllowTable(allow);
  std::vector<std::string> remove;
  for (std::string line = NextLine(data, size); !line.empty();) {
    std::size_t cut = line.find('|');
    remove.push_back(line.substr(0, cut));
    line = cut == std::string::npos ? "" : line.substr(cut + 1);
  }
  Remove = PrefixSet(remove);
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
  // The library holds just the input lines the plain rule keeps, in order.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  LineReader lines = LineReader::OfText(input);
  std::string expected;
  int wanted = 0;
  for (std::string line; lines.Next(&line);) {
    if (!WantedPlainly(line, allow, remove)) continue;
    expected += line;
    ++wanted;
  }
  std::FILE* library = std::fopen("library.txt", "rb");
  std::string kept(expected.size() + 1, '\0');
  kept.resize(std::fread(kept.data(), 1, kept.size(), library));
  std::fclose(library);
  FUZZ_CHECK(kept == expected);
  FUZZ_CHECK(wanted == count);
  return 0;
}

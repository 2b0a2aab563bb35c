// The paths file reader, trim and the section rules over arbitrary bytes.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "fuzz/fuzz_util.h"
#include "library/paths_file.h"

namespace {

bool Trimmed(const std::string& entry) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return !entry.empty() && !blank(entry.front()) && !blank(entry.back()) &&
         entry.back() != '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  LineReader reader = LineReader::OfText(text);
  std::vector<std::string> listed;
  auto add = [&](const std::string& folder, std::string*) {
    listed.push_back(folder);
    return true;
  };
  PathsTables tables;
  std::string err;
  bool read = ReadPathsFile(&reader, "paths.ini", add, &tables, &err);
  // Only a NUL byte or an overlong line stops the reader, which the fuzzer's
  // small inputs rarely hold.
  FUZZ_CHECK(read == (std::memchr(data, 0, size) == nullptr || size == 0) ||
             size > kMaxLine);
  FUZZ_CHECK(read == err.empty());
  if (!read) return 0;
  for (const std::string& folder : listed)
    FUZZ_CHECK(folder.size() > 2 && Trimmed(folder));
  for (const std::string& prefix : tables.ignore.Sorted())
    FUZZ_CHECK(prefix.size() > 2 && Trimmed(prefix));
  for (const std::string& type : tables.filetypes)
    FUZZ_CHECK(type.size() >= 2 && type.size() <= 3);
  return 0;
}

#include <cerrno>
#include <cstring>

#include "library/library.h"
#include "source/output_file.h"
#include "source/state.h"
#include "source/text.h"

bool IsWanted(std::string_view line) {
  // The file type stands just before the line's last character, its newline.
  if (line.size() < 4) return false;
  Filetype = line.substr(line.size() - 4, 3);
  int can = 0;
  for (const std::string& type : Allow) {
    if (SameNoCase(Filetype, type, 3)) can = 1;
  }
  for (const std::string& prefix : Remove) {
    if (SameNoCase(line, prefix, prefix.size())) can = 0;
  }
  return can == 1;
}

namespace {

// Reports a failed filter and says the library stays as it was.
bool Fail(const char* what, const std::string& name, int error) {
  std::printf("Cannot %s %s: %s - library not changed\n", what, name.c_str(),
              std::strerror(error));
  return false;
}

}  // namespace

bool FilterTracks(const std::string& output, int* filecount) {
  OutputFile library;
  if (!library.Open(output)) return Fail("create library file", Library, errno);
  std::FILE* merge = std::fopen(kMergeFile, "r");
  if (!merge) return Fail("open", kMergeFile, errno);
  std::printf("Removing Unwanted Paths\n");
  std::printf("Archiving Chosen Filetypes\n");
  *filecount = 0;
  LineReader reader(merge);
  std::string_view line;
  while (reader.NextView(&line)) {
    if (!IsWanted(line)) continue;
    library.Write(line.data(), line.size());
    *filecount += 1;
  }
  std::fclose(merge);
  int write_error = library.Close();
  if (reader.bad_line()) {
    std::printf(
        "%s: %s, so it does not look like a folder listing - library not changed\n",
        kMergeFile, reader.Problem().c_str());
    return false;
  }
  if (reader.failed()) return Fail("read", kMergeFile, reader.error());
  if (write_error != 0) return Fail("write library file", Library, write_error);
  return true;
}

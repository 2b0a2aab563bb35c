#include <cerrno>
#include <cstring>

#include "library/library.h"
#include "source/state.h"
#include "source/text.h"

bool IsWanted(const std::string& line) {
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
  std::FILE* library = std::fopen(output.c_str(), "w");
  if (!library) return Fail("create library file", Library, errno);
  std::FILE* merge = std::fopen(kMergeFile, "r");
  if (!merge) {
    int error = errno;
    std::fclose(library);
    return Fail("open", kMergeFile, error);
  }
  std::printf("Removing Unwanted Paths\n");
  std::printf("Archiving Chosen Filetypes\n");
  *filecount = 0;
  LineReader reader(merge);
  while (reader.Next(&Path)) {
    if (!IsWanted(Path)) continue;
    WriteText(library, Path);
    *filecount += 1;
  }
  int read_error = reader.failed() ? errno : 0;
  std::fclose(merge);
  int write_error = std::ferror(library) ? errno : 0;
  if (std::fclose(library) != 0 && write_error == 0) write_error = errno;
  if (read_error != 0) return Fail("read", kMergeFile, read_error);
  if (write_error != 0) return Fail("write library file", Library, write_error);
  return true;
}

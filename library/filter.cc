#include "library/filter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/text.h"
#include "base/work_files.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/tree_walk.h"

namespace {

std::string Folded(std::string text) {
  for (char& c : text) c = FoldCase(c);
  return text;
}

// Where `last` holds the line of the track `line`, as Unchanged::found
// says it: most likely just after the last track's.
void AddFound(std::string_view line, const FileStamp& stamp, Unchanged* unchanged) {
  std::vector<std::uint32_t>& found = unchanged->found;
  long long hint = found.empty() || found.back() == 0 ? -1 : found.back();
  found.push_back(static_cast<std::uint32_t>(
      unchanged->last->Find(WithoutLineEnd(line), stamp, hint) + 1));
}

}  // namespace

std::vector<std::string> AllowTable(std::vector<std::string> filetypes) {
  for (std::string& type : filetypes) type = Folded(std::move(type));
  std::sort(filetypes.begin(), filetypes.end());
  filetypes.erase(std::unique(filetypes.begin(), filetypes.end()), filetypes.end());
  return filetypes;
}

bool IsWanted(std::string_view line) {
  // The file type stands just before the line's last character, its newline.
  if (line.size() < 4) return false;
  // A folder is no track, whatever its name ends in.
  std::string_view path = WithoutLineEnd(line);
  if (!path.empty() && path.back() == kFolderMark) return false;
  Filetype = Folded(std::string(line.substr(line.size() - 4, 3)));
  return std::binary_search(Allow.begin(), Allow.end(), Filetype) && !Remove.Covers(line);
}

bool FilterTracks(const std::string& output, int* filecount, std::string* err,
                  Unchanged* unchanged) {
  OutputFile library;
  if (!library.Open(output, err)) {
    *err = "Cannot create library file " + Library + ": " + *err;
    return false;
  }
  std::FILE* merge = OpenFile(kMergeFile, "r");
  if (!merge) {
    *err = std::string("Cannot open ") + kMergeFile + ": " + std::strerror(errno);
    return false;
  }
  Print("Removing Unwanted Paths\n");
  Print("Archiving Chosen Filetypes\n");
  *filecount = 0;
  // A stamp makes a line longer than a listing's lines otherwise are.
  LineReader reader(merge, unchanged ? kMaxLine + 64 : kMaxLine);
  std::string_view line;
  FileStamp stamp;
  // A full disk ends the pass at the first write it refuses.
  while (!library.failed() && reader.NextView(&line)) {
    if (unchanged && !SplitStamp(line, &stamp, &line)) stamp = FileStamp();
    if (!IsWanted(line)) continue;
    library.Write(line.data(), line.size());
    *filecount += 1;
    if (unchanged) AddFound(line, stamp, unchanged);
  }
  std::fclose(merge);
  std::string write_error;
  bool written = library.Close(&write_error);
  if (reader.bad_line()) {
    *err = std::string(kMergeFile) + ": " + reader.Problem() +
           ", so it does not look like a folder listing";
  } else if (reader.failed()) {
    *err =
        std::string("Cannot read ") + kMergeFile + ": " + std::strerror(reader.error());
  } else if (!written) {
    *err = "Cannot write library file " + Library + ": " + write_error;
  }
  return reader.status() == LineReader::kOk && written;
}

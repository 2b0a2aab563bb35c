#include <cerrno>
#include <cstring>

#include "library/library.h"
#include "platform/platform.h"
#include "source/state.h"
#include "source/text.h"

const char kMergeFile[] = "templibrary.txt";

std::string ListingName(int number) {
  return "dir" + std::to_string(number) + ".txt";
}

void MakeDir(const std::string& folder) {
  PCount += 1;
  std::printf("Creating Directory Listing %d : %s ", PCount, folder.c_str());
  std::fflush(stdout);
  DoSys = ListingName(PCount);
  std::string note = ListFolder(folder, DoSys);
  std::printf("%s... Complete\n", note.c_str());
}

namespace {

// Copies one listing into the merge file. A last line without its newline gets
// one, so it cannot run into the first line of the next listing.
void CopyListing(std::FILE* listing, std::FILE* merge) {
  LineReader reader(listing);
  while (reader.Next(&Path)) {
    if (Path.back() != '\n') Path += '\n';
    WriteText(merge, Path);
  }
  if (reader.failed()) {
    std::printf("Cannot read %s to the end: %s\n", DoSys.c_str(), std::strerror(errno));
  }
}

}  // namespace

bool MergeListings() {
  std::printf("--------------------\n");
  std::printf("Compiling Music Archive\n");
  std::FILE* merge = std::fopen(kMergeFile, "w");
  if (!merge) {
    std::printf("Cannot create %s: %s - library not changed\n", kMergeFile,
                std::strerror(errno));
    return false;
  }
  int error = 0;  // the first write error, before later calls can change errno
  for (int n = 1; n <= PCount && error == 0; ++n) {
    DoSys = ListingName(n);
    std::FILE* listing = std::fopen(DoSys.c_str(), "r");
    if (!listing) {
      std::printf("Cannot open %s: %s - skipped\n", DoSys.c_str(), std::strerror(errno));
      continue;
    }
    CopyListing(listing, merge);
    if (std::ferror(merge)) error = errno;
    std::fclose(listing);
    std::remove(DoSys.c_str());
  }
  if (std::fclose(merge) != 0 && error == 0) error = errno;
  bool written = error == 0;
  if (!written) {
    std::printf("Cannot write %s: %s - library not changed\n", kMergeFile,
                std::strerror(error));
  }
  return written;
}

#include <cerrno>
#include <cstring>

#include "library/library.h"
#include "library/listing_count.h"
#include "platform/platform.h"
#include "source/output_file.h"
#include "source/state.h"
#include "source/text.h"

const char kMergeFile[] = "templibrary.txt";

std::string ListingName(int number) {
  return "dir" + std::to_string(number) + ".txt";
}

void MakeDir(const std::string& folder) {
  PCount += 1;
  std::string line =
      "Creating Directory Listing " + std::to_string(PCount) + " : " + folder + " ";
  std::printf("%s", line.c_str());
  std::fflush(stdout);
  DoSys = ListingName(PCount);
  ListingCount count(line);
  std::string note =
      ListFolder(folder, DoSys, [&](long long items) { count.Show(items); });
  count.Erase();
  std::printf("%s... Complete\n", note.c_str());
  // Whoever watches the console sees each listing finish as it does.
  std::fflush(stdout);
}

namespace {

// Copies one listing into the merge file. A last line without its newline gets
// one, so it cannot run into the first line of the next listing.
void CopyListing(std::FILE* listing, OutputFile* merge) {
  Appended appended;
  AppendFile(listing, merge, &appended);
  if (appended.bytes > 0 && appended.last != '\n') merge->Write("\n", 1);
  if (appended.read_error != 0) {
    std::printf("Cannot read %s to the end: %s\n", DoSys.c_str(),
                std::strerror(appended.read_error));
  }
}

// The first listing can become the merge file instead of being copied into
// it, which saves a pass over the largest file of the build.
bool TakeOverListing(OutputFile* merge) {
  if (!MoveInsteadOfCopy(DoSys, kMergeFile)) return false;
  merge->Close();  // the old, empty file
  if (!merge->Open(kMergeFile, /*append=*/true)) merge->Failed(errno);
  return true;
}

}  // namespace

bool MergeListings() {
  std::printf("--------------------\n");
  std::printf("Compiling Music Archive\n");
  OutputFile merge;
  if (!merge.Open(kMergeFile)) {
    std::printf("Cannot create %s: %s - library not changed\n", kMergeFile,
                std::strerror(errno));
    return false;
  }
  for (int n = 1; n <= PCount && merge.error() == 0; ++n) {
    DoSys = ListingName(n);
    if (n == 1 && TakeOverListing(&merge)) continue;
    std::FILE* listing = std::fopen(DoSys.c_str(), "r");
    if (!listing) {
      std::printf("Cannot open %s: %s - skipped\n", DoSys.c_str(), std::strerror(errno));
      continue;
    }
    CopyListing(listing, &merge);
    std::fclose(listing);
    std::remove(DoSys.c_str());
  }
  int error = merge.Close();
  if (error != 0) {
    std::printf("Cannot write %s: %s - library not changed\n", kMergeFile,
                std::strerror(error));
  }
  return error == 0;
}

#include "library/merge.h"

#include <cstdio>
#include <cstring>

#include "base/state.h"
#include "base/work_files.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/output_file.h"

namespace {

// Copies one listing into the merge file. A last line without its newline gets
// one, so it cannot run into the first line of the next listing.
bool CopyListing(const std::string& name, OutputFile* merge, std::string* err) {
  std::FILE* listing = OpenFile(name, "r");
  if (!listing) {
    *err = "Cannot open " + name + ": " + std::strerror(errno);
    return false;
  }
  Appended appended;
  AppendFile(listing, merge, &appended);
  std::fclose(listing);
  if (appended.bytes > 0 && appended.last != '\n') merge->Write("\n", 1);
  if (appended.read_error == 0) return true;
  *err = "Cannot read " + name + " to the end: " + std::strerror(appended.read_error);
  return false;
}

// The first listing can become the merge file instead of being copied into
// it, which saves a pass over the largest file of the build.
bool TakeOverListing(const std::string& name, OutputFile* merge, std::string* err) {
  if (!MoveInsteadOfCopy(name, kMergeFile)) return false;
  merge->Close(err);  // the old, empty file
  if (!merge->Open(kMergeFile, err, /*append=*/true)) merge->Failed(errno);
  return true;
}

}  // namespace

bool MergeListings(std::string* err) {
  Print("--------------------\n");
  Print("Compiling Music Archive\n");
  OutputFile merge;
  if (!merge.Open(kMergeFile, err)) {
    *err = std::string("Cannot create ") + kMergeFile + ": " + *err;
    return false;
  }
  for (int n = 1; n <= PCount && !merge.failed(); ++n) {
    std::string name = ListingName(n);
    if (n == 1 && TakeOverListing(name, &merge, err)) continue;
    if (!CopyListing(name, &merge, err)) return false;
    RemoveFile(name);
  }
  if (merge.Close(err)) return true;
  *err = std::string("Cannot write ") + kMergeFile + ": " + *err;
  return false;
}

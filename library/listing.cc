#include "library/listing.h"

#include <cstdio>

#include "base/state.h"
#include "base/work_files.h"
#include "library/listing_count.h"
#include "platform/console.h"
#include "platform/tree_walk.h"

bool MakeDir(const std::string& folder, std::string* err, bool stamps) {
  PCount += 1;
  std::string line =
      "Creating Directory Listing " + std::to_string(PCount) + " : " + folder + " ";
  PrintText(line);
  FlushOutput();
  DoSys = ListingName(PCount);
  ListingCount count(line);
  std::string note;
  bool listed = ListFolder(
      folder, DoSys, [&](long long items) { count.Show(items); }, &note, err, stamps);
  count.Erase();
  if (!listed) {
    // The failure is told on a line of its own.
    Print("\n");
    return false;
  }
  if (!note.empty()) note = "(" + note + ") ";
  Print("%s... Complete\n", note.c_str());
  // Whoever watches the console sees each listing finish as it does.
  FlushOutput();
  return true;
}

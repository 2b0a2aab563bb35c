// The folder walk of the POSIX platform: many folders are read at once, which
// is what makes a network share quick to list, while the listing comes out
// exactly as a plain depth-first walk writes it.
#ifndef SONGWHIM_PLATFORM_WALK_POSIX_H_
#define SONGWHIM_PLATFORM_WALK_POSIX_H_

#include <string>

#include "platform/platform.h"

// How many folders are read at once. A walk starts with `first` readers and
// adds readers up to `most` while reads wait on the file system (a network
// share) rather than on the processor (a local disk), where more readers
// would only contend for the cores. With none, the writer reads for itself.
struct WalkReaders {
  int first = 4;
  int most = 16;
};

// Writes to `out` one full path per line for every file and folder beneath
// `root`, an absolute folder without "." or ".." parts: a folder's entries by
// name in byte order, then each subfolder's contents in that order. Links to
// folders are followed; a folder that is one of those above it is listed but
// not entered. Unreadable folders and names with a line feed are left out.
// Returns the number of lines written.
long long WalkTree(const std::string& root, OutputFile* out,
                   const WalkReaders& readers = WalkReaders(),
                   const ListingProgress& progress = nullptr);

#endif  // SONGWHIM_PLATFORM_WALK_POSIX_H_

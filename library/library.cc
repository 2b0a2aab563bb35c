#include "library/library.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/platform.h"
#include "source/state.h"

namespace {

// The library is written beside itself and renamed over the old one only when
// complete, so a failed build never leaves a half-written library behind. The
// name is made once, before the build starts, so an interrupt can use it
// without allocating.
std::string temporary_library;

// "dirN.txt" into `name`, by hand: a signal handler may not allocate.
void FormatListingName(int number, char* name) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number > 0);
  const char* text = "dir";
  while (*text) *name++ = *text++;
  while (count > 0) *name++ = digits[--count];
  text = ".txt";
  while ((*name++ = *text++)) {
  }
}

// Deletes whatever temporary files this build has made so far. Safe to call
// from a signal handler.
void RemoveBuildFiles() {
  char name[32];
  for (int n = 1; n <= PCount; ++n) {
    FormatListingName(n, name);
    std::remove(name);
  }
  std::remove(kMergeFile);
  std::remove(temporary_library.c_str());
}

// Set once this build holds its locks: only then are the temporary files its own.
volatile std::sig_atomic_t building = 0;

// An interrupted build removes what it made and leaves the library as it was.
extern "C" void StopBuild(int signal) {
  if (building) {
    RemoveBuildFiles();
    UnlockBuild();
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void CatchInterrupts() {
  std::signal(SIGINT, StopBuild);
  std::signal(SIGTERM, StopBuild);
#ifdef SIGHUP
  std::signal(SIGHUP, StopBuild);
#endif
}

// Reads the paths file, merges the listings and filters them into the library.
bool Build() {
  std::FILE* paths = std::fopen(Paths.c_str(), "r");
  if (!paths) {
    std::printf("Cannot open paths file %s: %s\n", Paths.c_str(), std::strerror(errno));
    return false;
  }
  int filecount = 0;
  bool ok = ReadPathsFile(paths) && MergeListings() &&
            FilterTracks(temporary_library, &filecount);
  std::fclose(paths);
  if (ok && !RenameOver(temporary_library, Library)) {
    std::printf("Cannot replace %s: %s - library not changed\n", Library.c_str(),
                std::strerror(errno));
    ok = false;
  }
  if (!ok) return false;
  std::printf("--------------------\n\n");
  std::printf("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}

}  // namespace

bool MakeLibrary() {
  temporary_library = Library + ".part";
  CatchInterrupts();
  if (!LockBuild()) return false;
  building = 1;
  bool ok = Build();
  RemoveBuildFiles();
  building = 0;
  UnlockBuild();
  return ok;
}

#include "library/build.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/work_files.h"
#include "library/build_lock.h"
#include "library/filter.h"
#include "library/index_build.h"
#include "library/listing.h"
#include "library/listing_count.h"
#include "library/merge.h"
#include "library/old_index.h"
#include "library/paths_file.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace {

// The file the library's name leads to, through any links: the new library
// replaces it in its own folder, so a link stays a link.
std::string library_file;

// The library is written beside itself and renamed over the old one only when
// complete, so a failed build never leaves a half-written library behind. The
// name is made once, before the build starts, so an interrupt can use it
// without allocating.
std::string temporary_library;

// The tag index beside it, the new index while this build writes it, and
// the old one, kept aside once the new one is in place until the library is.
std::string index_file;
std::string temporary_index;
std::string index_aside;

// The header of the old index, when a refresh that found nothing changed
// writes only the header anew.
std::string index_header;

// What to do to put the old index back: 0 nothing, 1 move it back from
// `index_aside`, 2 remove the new one (there was none before), 3 write its
// old header back.
volatile std::sig_atomic_t index_undo = 0;

// Puts the index back as it was before the new one went in place. Safe to
// call from a signal handler.
void PutBackIndex() {
  if (index_undo == 1) {
    std::remove(index_file.c_str());
    std::rename(index_aside.c_str(), index_file.c_str());
  } else if (index_undo == 2) {
    std::remove(index_file.c_str());
  } else if (index_undo == 3) {
    OverwriteStart(index_file.c_str(), index_header.data(), index_header.size());
  }
  index_undo = 0;
}

// Deletes whatever temporary files this build has made so far. Safe to call
// from a signal handler.
void RemoveBuildFiles() {
  char name[kListingNameSize];
  for (int n = 1; n <= PCount; ++n) {
    FormatListingName(n, name);
    std::remove(name);
  }
  std::remove(kMergeFile);
  std::remove(temporary_library.c_str());
  std::remove(temporary_index.c_str());
  PutBackIndex();
}

// Set once this build holds its locks: only then are the temporary files its own.
volatile std::sig_atomic_t building = 0;

// An interrupted build removes what it made and leaves the library as it was.
extern "C" void StopBuild(int signal) {
  if (building) {
    RemoveBuildFiles();
    UnlockBuild();
  }
  EndBySignal(signal);
}

// Listings beyond the ones this build makes, left by a build that was killed
// before it could remove them. With the working folder's lock held, no build
// can be using them.
void RemoveLeftovers() {
  for (int n = 1; Exists(ListingName(n)); ++n) RemoveFile(ListingName(n));
  RemoveFile(index_aside);
}

// Reads the paths file, listing each [add] folder as it comes, and keeps the
// tables for the filter.
bool ReadPaths(bool stamps, std::string* err) {
  std::FILE* file = nullptr;
  if (!OpenForReading(Paths, &file, err)) {
    *err = "Cannot read paths file " + Paths + ": " + *err;
    return false;
  }
  LineReader reader(file);
  PathsTables tables;
  auto add = [stamps](const std::string& folder, std::string* err) {
    return MakeDir(folder, err, stamps);
  };
  bool read = ReadPathsFile(&reader, Paths, add, &tables, err);
  std::fclose(file);
  Remove = std::move(tables.ignore);
  Allow = AllowTable(std::move(tables.filetypes));
  return read;
}

// True when the new index could be written in full, as a refresh that
// finds changes writes it: a build that could not is one that cannot
// keep its index, and fails alike whatever it finds.
bool CouldWriteIndex() {
  OutputFile probe;
  std::string err;
  RemoveFile(temporary_index);  // a stale one may be a link to anywhere
  bool opened = probe.Open(temporary_index, &err);
  probe.Close(&err);
  RemoveFile(temporary_index);
  return opened;
}

// When the new index would be the last one as it stands, writes only its
// header anew, in place, for the new library: a refresh of a collection in
// which nothing changed then costs no more than its stats. False, with the
// index as it was, when it cannot.
bool Restamp(OldIndex* last, const std::vector<std::uint32_t>& unchanged) {
  FileStamp library;
  if (!last->Unchanged(unchanged) || !IsSoleName(index_file) ||
      !StampOf(temporary_library, &library) || !CouldWriteIndex())
    return false;
  std::size_t checksum_at = 0;
  std::string header = IndexHeader(library, &checksum_at);
  header.replace(checksum_at, 16, ChecksumText(last->checksum()));
  // Written as it is, not in text mode.
  header.pop_back();
  header += TextLineEnd();
  if (header.size() != last->header().size()) return false;
  index_header = last->header();
  // Should it fail, the index is written in full, its files read anew.
  last->Close();
  index_undo = 3;
  if (OverwriteStart(index_file.c_str(), header.data(), header.size())) return true;
  PutBackIndex();
  return false;
}

// Writes the new library's tag index, with a console line that counts the
// tracks as their tags are read; `note` tells of the last index. Sets
// `placed` when the index is in place already.
bool Index(OldIndex* last, const std::vector<std::uint32_t>& unchanged,
           const std::string& note, bool* placed, std::string* err) {
  std::string line = "Reading Track Tags ";
  PrintText(line);
  FlushOutput();
  ListingCount count(line, "tracks");
  IndexCount counted;
  auto show = [&](long long tracks) { count.Show(tracks); };
  *placed = Restamp(last, unchanged);
  if (*placed) {
    counted = CountUnchanged(*last);
    show(counted.tracks);
  }
  bool written = *placed || WriteIndex(temporary_library, last, unchanged,
                                       temporary_index, show, &counted, err);
  last->Close();
  count.Erase();
  Print(written ? "... Complete\n" : "\n");
  if (!note.empty()) Print("%s\n", note.c_str());
  if (!written) return false;
  std::string unknown;
  if (counted.unknown_length > 0)
    unknown = ", " + std::to_string(counted.unknown_length) + " of unknown length";
  Print(
      "Tag Index Complete - %lld tracks: %lld files opened, %lld reused, %lld "
      "unreadable%s.\n",
      counted.tracks, counted.opened, counted.reused, counted.unreadable,
      unknown.c_str());
  return true;
}

// Puts the new index in place, keeping the old one aside until the library
// is in place too.
bool PlaceIndex(std::string* err) {
  if (Exists(index_file) && !KeepAside(index_file, index_aside, err)) {
    *err = "Cannot keep " + index_file + " aside as " + index_aside + ": " + *err;
    return false;
  }
  index_undo = Exists(index_aside) ? 1 : 2;
  if (RenameOver(temporary_index, index_file, err)) return true;
  *err = "Cannot replace " + index_file + ": " + *err;
  PutBackIndex();
  return false;
}

// The most tracks a refresh takes from the last index: no more than the
// merge file could list (a stamped line of a track is 6 bytes at least),
// so that no index makes the build hold more than its collection needs.
std::size_t MostTracks() {
  long long size = 0;
  IsPlainFile(kMergeFile, &size);
  return static_cast<std::size_t>(size / 6) * 2 + 1024;
}

// Reads the paths file, merges the listings, filters them into the library
// and writes its index. The two are put in place together: should the
// library fail to go in place, the old index is put back. A refresh has
// its files stat'ed as their folders are read, to look them up in the last
// index as the library is written.
bool Build(const BuildChoice& choice, std::string* err) {
  bool refresh = Exists(index_file);
  if (!ReadPaths(refresh, err) || !MergeListings(err)) return false;
  OldIndex last;
  std::string note;
  Unchanged unchanged;
  unchanged.last = &last;
  if (refresh) last.Open(index_file, MostTracks(), &note);
  int filecount = 0;
  if (!FilterTracks(temporary_library, &filecount, err, refresh ? &unchanged : nullptr))
    return false;
  bool indexed = choice.tags || refresh;
  bool placed = false;
  if (indexed && (!Index(&last, unchanged.found, note, &placed, err) ||
                  (!placed && !PlaceIndex(err))))
    return false;
  if (!RenameOver(temporary_library, library_file, err)) {
    *err = "Cannot replace " + Library + ": " + *err;
    PutBackIndex();
    return false;
  }
  index_undo = 0;
  RemoveFile(index_aside);
  Print("--------------------\n\n");
  Print("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}

bool LockedBuild(const BuildChoice& choice, std::string* err) {
  library_file = FollowLinks(Library);
  temporary_library = PartName(library_file);
  index_file = TagsName(library_file);
  temporary_index = PartName(index_file);
  index_aside = UndoName(index_file);
  CatchEndingSignals(StopBuild);
  if (!LockBuild(library_file, err)) return false;
  building = 1;
  RemoveLeftovers();
  bool built = false;
  try {
    built = Build(choice, err);
  } catch (const std::bad_alloc&) {
    *err = "Out of memory";
  }
  RemoveBuildFiles();
  building = 0;
  UnlockBuild();
  return built;
}

}  // namespace

bool MakeLibrary(const BuildChoice& choice) {
  std::string err;
  if (LockedBuild(choice, &err)) return true;
  Print("%s - library not changed\n", err.c_str());
  return false;
}

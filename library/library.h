// The library builder: reads the paths file, lists each folder, merges the
// listings and keeps the tracks of the chosen file types in the library file.
#ifndef SONGWHIM_LIBRARY_LIBRARY_H_
#define SONGWHIM_LIBRARY_LIBRARY_H_

#include <cstdio>
#include <string>
#include <string_view>

// Builds the library file named by `Library` from the paths file named by
// `Paths`. Returns false, after saying why, when the build had to stop; the
// library file is then left as it was.
bool MakeLibrary();

// Takes the build's locks, or says which one another build holds and returns
// false.
bool LockBuild();
// Drops the build's locks and removes their files. Safe in a signal handler.
void UnlockBuild();

// Removes blanks and tabs at the start, and blanks, tabs and line feeds at the
// end. A carriage return stays.
void trim(std::string& s);

// Reads the paths file: lists each [add] folder at once and fills `Remove` and
// `Allow`. Returns false, after saying why, when the file cannot be read.
bool ReadPathsFile(std::FILE* paths);

// Lists `folder` into the next numbered listing file.
void MakeDir(const std::string& folder);

// The name of listing file `number`.
std::string ListingName(int number);

// Joins the listing files, in number order, into the merge file and deletes
// them. Returns false, after saying why, when the merge file cannot be written.
bool MergeListings();

// True when `line` (newline included) is a track to keep: its file type is
// allowed and it lies under no ignored path.
bool IsWanted(std::string_view line);

// Filters the merge file into the file `output` and counts the tracks kept.
// Returns false, after saying why, when a file cannot be read or written.
bool FilterTracks(const std::string& output, int* filecount);

extern const char kMergeFile[];

#endif  // SONGWHIM_LIBRARY_LIBRARY_H_

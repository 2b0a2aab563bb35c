// The names of the files a run makes besides the library: the build's
// listings, merge file, locks and the library being written, and the
// playlist. All are made here, so that each is named the same way everywhere.
#ifndef SONGWHIM_BASE_WORK_FILES_H_
#define SONGWHIM_BASE_WORK_FILES_H_

#include <cstddef>
#include <string>

// In the working folder.
constexpr char kMergeFile[] = "templibrary.txt";
constexpr char kFolderLock[] = "songwhim.lock";
constexpr char kPlaylistFile[] = "random.m3u";
// The playlist when a name does not fit the code page players read .m3u in.
constexpr char kPlaylistUtf8File[] = "random.m3u8";

// "dirN.txt", the listing of the build's folder number `number`.
std::string ListingName(int number);
// The same into `name`, which holds kListingNameSize bytes, without
// allocating: safe in a signal handler.
constexpr std::size_t kListingNameSize = 32;
void FormatListingName(int number, char* name);

// Beside the library: its lock, and the new library while a build writes it.
std::string LockName(const std::string& library);
std::string PartName(const std::string& library);
// The record of the tracks -fresh runs have picked, and where a record that
// could not be used is set aside for the user to look at.
std::string PlayedName(const std::string& library);
// The `number`th record set aside (from 1): RECORD.bad, then RECORD.bad.2, ...
std::string SetAsideName(const std::string& record, int number = 1);
// The tag index of the library.
std::string TagsName(const std::string& library);
// What a run that adds to a record needs to undo that, should it be cut off
// before it is done.
std::string UndoName(const std::string& record);

// True when a file named `name` in the working folder would be one of the
// files above, of this run or of another one: a library of that name would be
// written over or removed. Letters are compared without regard to case, as
// Windows names them.
bool IsWorkFileName(const std::string& name);

#endif  // SONGWHIM_BASE_WORK_FILES_H_

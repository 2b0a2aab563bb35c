// What the program needs from the operating system beyond the standard
// library: listing a folder tree, opening the playlist in the user's player,
// the console, locks that die with the process, and moving files whole. One
// file per platform implements it.
#ifndef SONGWHIM_PLATFORM_PLATFORM_H_
#define SONGWHIM_PLATFORM_PLATFORM_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "source/output_file.h"

// Told now and then how many items a listing holds so far.
using ListingProgress = std::function<void(long long items)>;

// Writes to the file `listing` one full path per line for every file and
// folder beneath `folder`, at any depth. Returns a short note for the console
// (ending in a blank) when something about the folder deserves one, else "".
// `progress`, when given, hears of the count where the platform can tell.
std::string ListFolder(const std::string& folder, const std::string& listing,
                       const ListingProgress& progress = nullptr);

// Asks the desktop to open the playlist `name` without waiting for playback.
void OpenPlaylist(const std::string& name);

// Drops whatever the user typed before the program asked for anything.
void DiscardTypedAhead();

// True when standard output is a terminal (or console) a person watches.
bool OutputIsTerminal();
// The width of that terminal in columns, or 0 when it cannot be told.
int TerminalWidth();

// Renames `from` to `to`, replacing `to` if it exists. Returns false on failure
// with errno set.
bool RenameOver(const std::string& from, const std::string& to);

// Appends the rest of `from` to `to` in large blocks, inside the kernel where
// it can; a failed write shows in `to`.
void AppendFile(std::FILE* from, OutputFile* to, Appended* appended);

// Renames `from` over `to` when that gives just what appending `from` to the
// empty file `to` would, without the copy: both are plain files of their own
// on one file system, and `from` ends in a line feed. Returns false, having
// changed nothing, when it cannot.
bool MoveInsteadOfCopy(const std::string& from, const std::string& to);

enum LockState {
  kLocked,       // this process holds the lock now
  kHeld,         // another process holds it
  kUnavailable,  // no lock can be made there, so nothing can be written there either
};

// Takes an exclusive lock on the file `name`, making the file when needed. The
// system drops the lock when the process ends, however it ends.
LockState LockFile(const std::string& name, std::intptr_t* handle);
// Drops the lock and removes its file. Safe to call from a signal handler.
void UnlockFile(const char* name, std::intptr_t handle);

#endif  // SONGWHIM_PLATFORM_PLATFORM_H_

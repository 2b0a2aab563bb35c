// What the program needs from the operating system beyond the standard
// library: listing a folder tree, opening the playlist in the user's player,
// discarding typed-ahead input and replacing a file whole. One file per
// platform implements it.
#ifndef SONGWHIM_PLATFORM_PLATFORM_H_
#define SONGWHIM_PLATFORM_PLATFORM_H_

#include <string>

// Writes to the file `listing` one full path per line for every file and
// folder beneath `folder`, at any depth. Returns a short note for the console
// (ending in a blank) when something about the folder deserves one, else "".
std::string ListFolder(const std::string& folder, const std::string& listing);

// Asks the desktop to open the playlist `name` without waiting for playback.
void OpenPlaylist(const std::string& name);

// Drops whatever the user typed before the program asked for anything.
void DiscardTypedAhead();

// Renames `from` to `to`, replacing `to` if it exists. Returns false on failure
// with errno set.
bool RenameOver(const std::string& from, const std::string& to);

#endif  // SONGWHIM_PLATFORM_PLATFORM_H_

// What the program needs from the operating system beyond files and the
// console: its arguments, listing a folder tree, opening the playlist in the
// user's player, and signals. One file per platform implements it. Nothing
// here prints.
#ifndef SONGWHIM_PLATFORM_PLATFORM_H_
#define SONGWHIM_PLATFORM_PLATFORM_H_

#include <string>
#include <vector>

#include "platform/tree_walk.h"

// The program's arguments, `argv[0]` first, in UTF-8 (on Windows from the
// wide command line, whatever the code page).
std::vector<std::string> Arguments(int argc, char** argv);

// Writes to the file `listing` one full path per line for every file and
// folder beneath `folder`, at any depth. When the folder itself is missing or
// cannot be read, the listing is empty and `note` says so briefly ("folder not
// found"); otherwise `note` is left empty. `progress`, when given, hears of the
// count where the platform can tell. False, with `err` saying why, when the
// listing cannot be written.
bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress& progress, std::string* note, std::string* err);

// Asks the desktop to open the playlist `name` without waiting for playback.
// False, with `err` saying what failed, when it could not ask.
bool OpenPlaylist(const std::string& name, std::string* err);

// Has `handler` called, instead of the process ending at once, when a signal
// tells it to end: an interrupt, a termination, a hangup, a quit, or a write
// to a pipe nobody reads. Signals ignored when the program started stay
// ignored (so nohup works). The handler ends by calling EndBySignal.
void CatchEndingSignals(void (*handler)(int signal));
// Ends the process as `signal` would have ended it without a handler.
[[noreturn]] void EndBySignal(int signal);

#endif  // SONGWHIM_PLATFORM_PLATFORM_H_

// What the program needs from the operating system beyond files: listing a
// folder tree, opening the playlist in the user's player, and the console.
// One file per platform implements it. Nothing here prints.
#ifndef SONGWHIM_PLATFORM_PLATFORM_H_
#define SONGWHIM_PLATFORM_PLATFORM_H_

#include <string>

#include "platform/tree_walk.h"

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

// Drops whatever the user typed before the program asked for anything.
void DiscardTypedAhead();

// True when standard output is a terminal (or console) a person watches.
bool OutputIsTerminal();
// The width of that terminal in columns, or 0 when it cannot be told.
int TerminalWidth();

#endif  // SONGWHIM_PLATFORM_PLATFORM_H_

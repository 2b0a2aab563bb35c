// What the program needs from the operating system beyond files, the console
// and the folder walk: its arguments, opening the playlist in the user's
// player, and signals. One file per platform implements it. Nothing
// here prints.
#ifndef SONGWHIM_PLATFORM_PLATFORM_H_
#define SONGWHIM_PLATFORM_PLATFORM_H_

#include <string>
#include <vector>

// The program's arguments, `argv[0]` first, in UTF-8 (on Windows from the
// wide command line, whatever the code page).
std::vector<std::string> Arguments(int argc, char** argv);

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

// The console: all the program says goes through Print, which on a Windows
// console writes UTF-16 so that every name shows as it is, and elsewhere
// writes the bytes (UTF-8) to standard output. One file per platform
// implements it.
#ifndef SONGWHIM_PLATFORM_CONSOLE_H_
#define SONGWHIM_PLATFORM_CONSOLE_H_

#include <string_view>

#if defined(__GNUC__) || defined(__clang__)
#define SONGWHIM_PRINTF(string_index, first_to_check) \
  __attribute__((format(printf, string_index, first_to_check)))
#else
#define SONGWHIM_PRINTF(string_index, first_to_check)
#endif

// Prints as printf does; the text is UTF-8.
void Print(const char* format, ...) SONGWHIM_PRINTF(1, 2);
// Prints `text` as it is.
void PrintText(std::string_view text);
// Writes out what is buffered: before another process starts, or the program
// waits for input, or a person should see how far it has come.
void FlushOutput();

// Drops whatever the user typed before the program asked for anything.
void DiscardTypedAhead();

// True when standard output is a terminal (or console) a person watches.
bool OutputIsTerminal();
// The width of that terminal in columns, or 0 when it cannot be told.
int TerminalWidth();

#endif  // SONGWHIM_PLATFORM_CONSOLE_H_

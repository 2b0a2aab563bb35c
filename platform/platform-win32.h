// Pieces of the Windows platform layer that deserve tests of their own.
#ifndef SONGWHIM_PLATFORM_PLATFORM_WIN32_H_
#define SONGWHIM_PLATFORM_PLATFORM_WIN32_H_

#include <string>

// A listing line in the ANSI code page, the one players read playlists in.
// `dir` writes names in the console's code page (OEM unless changed with chcp;
// Wine writes ANSI), so a line is recoded only when it names an existing item
// read in the console's code page and not as it stands.
std::string AnsiLine(const std::string& line);

#endif  // SONGWHIM_PLATFORM_PLATFORM_WIN32_H_

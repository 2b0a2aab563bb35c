// Text as it comes from files that users, their editors and older builds
// wrote, and as players read playlists. Inside, text is UTF-8 everywhere.
// One file per platform implements it.
#ifndef SONGWHIM_PLATFORM_ENCODING_H_
#define SONGWHIM_PLATFORM_ENCODING_H_

#include <string>
#include <string_view>

// A line of a text file, as UTF-8. On Windows a line that is not UTF-8 is
// taken as the ANSI code page: files saved as "ANSI", and libraries written
// by older builds. Elsewhere lines are bytes, kept as they are.
std::string FromFileText(std::string_view line);

// `line` as a playlist that players read as .m3u holds it: on Windows in the
// ANSI code page, elsewhere as it is. False when the line does not fit that
// code page; such a playlist is written as .m3u8, in UTF-8.
bool ToPlaylistText(std::string_view line, std::string* text);
// The UTF-8 of `text`, a line ToPlaylistText made.
std::string FromPlaylistText(std::string_view text);

// The full path `path` as a playlist line every player opens. Some players
// (VLC) read a line as a URI, others (MPlayer) as a plain path; on POSIX a
// path that the first would take for another (it holds '#' or '?', which
// would start a fragment or a query, or '%' and two hex digits, which would
// be decoded) is written as a file:// URI, which they and mpv open, and
// every other path as it is: names stay the bytes the file system gave. On
// Windows players take a drive's or a share's path as a path: it stays.
std::string ToPlaylistLine(std::string_view path);

// True where a playlist may have to be written as .m3u8 (Windows); elsewhere
// it is always .m3u, and a .m3u8 is none of the program's.
bool PlaylistMayBeUtf8();

#endif  // SONGWHIM_PLATFORM_ENCODING_H_

// Text between the program's UTF-8 and what Windows speaks: UTF-16 for the
// wide API, and the code pages of older files and of players.
#ifndef SONGWHIM_PLATFORM_UNICODE_WIN32_H_
#define SONGWHIM_PLATFORM_UNICODE_WIN32_H_

#include <windows.h>

#include <string>
#include <string_view>

// UTF-8 to UTF-16 and back.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Text in code page `page` to UTF-16.
std::wstring FromCodePage(UINT page, std::string_view text);
// UTF-16 in code page `page`; false when some character has no place in it
// (nothing is then guessed or replaced).
bool ToCodePage(UINT page, std::wstring_view wide, std::string* text);

// `path`, a full path, in the form the wide API takes at any length: "\\?\"
// before a drive's path, "\\?\UNC\" instead of the "\\" of a share's.
std::wstring LongPath(const std::wstring& path);

// The full path of `name`, as the system makes it against the working folder.
std::wstring FullPath(const std::wstring& name);

// The system's own words for the error `error`.
std::string SystemMessage(DWORD error);

#endif  // SONGWHIM_PLATFORM_UNICODE_WIN32_H_

// The Windows side: the command interpreter lists folder trees and opens the
// playlist, as the program always did there.
#include "platform/platform-win32.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "source/state.h"
#include "source/text.h"

namespace {

std::wstring Widen(UINT page, const std::string& text) {
  int size = static_cast<int>(text.size());
  int wide_size = MultiByteToWideChar(page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(wide_size, L'\0');
  MultiByteToWideChar(page, 0, text.data(), size, wide.data(), wide_size);
  return wide;
}

std::string Narrow(UINT page, const std::wstring& wide) {
  int size = static_cast<int>(wide.size());
  int narrow_size =
      WideCharToMultiByte(page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(narrow_size, '\0');
  WideCharToMultiByte(page, 0, wide.data(), size, narrow.data(), narrow_size, nullptr,
                      nullptr);
  return narrow;
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RecodeListing(const std::string& listing) {
  std::string recoded = listing + ".ansi";
  std::FILE* in = std::fopen(listing.c_str(), "r");
  if (!in) return;
  std::FILE* out = std::fopen(recoded.c_str(), "w");
  if (!out) {
    std::fclose(in);
    return;
  }
  LineReader reader(in);
  std::string line;
  bool changed = false;
  while (reader.Next(&line)) {
    std::string ansi = AnsiLine(line);
    changed = changed || ansi != line;
    WriteText(out, ansi);
  }
  std::fclose(in);
  bool written = std::ferror(out) == 0;
  if (std::fclose(out) != 0) written = false;
  if (written && changed) RenameOver(recoded, listing);
  std::remove(recoded.c_str());
}

}  // namespace

std::string AnsiLine(const std::string& line) {
  if (IsAscii(line)) return line;
  std::string path = line;
  if (!path.empty() && path.back() == '\n') path.pop_back();
  if (Exists(Widen(CP_ACP, path))) return line;
  for (UINT page : {GetConsoleOutputCP(), static_cast<UINT>(CP_OEMCP)}) {
    if (page == 0) continue;
    std::wstring wide = Widen(page, path);
    if (Exists(wide))
      return Narrow(CP_ACP, wide) + (path.size() < line.size() ? "\n" : "");
  }
  return line;
}

std::string ListFolder(const std::string& folder, const std::string& listing) {
  // A double quote would end the quoting early and hand the rest of the name
  // to the command interpreter as commands.
  if (folder.find_first_of(std::string("\"\0\r\n", 4)) != std::string::npos) {
    if (std::FILE* empty = std::fopen(listing.c_str(), "w")) std::fclose(empty);
    return "(not a usable folder name) ";
  }
  DoSys = "dir \"" + folder + "\" /s/b >" + listing;
  std::fflush(stdout);
  std::system(DoSys.c_str());
  RecodeListing(listing);
  return "";
}

void OpenPlaylist(const std::string& name) {
  DoSys = "start " + name + "&";
  std::fflush(stdout);
  std::system(DoSys.c_str());
}

void DiscardTypedAhead() {
  std::fflush(stdin);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (GetConsoleMode(input, &mode)) FlushConsoleInputBuffer(input);
}

bool RenameOver(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

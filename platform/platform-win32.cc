// The Windows side: the command interpreter lists folder trees and opens the
// playlist, as the program always did there.
#include <conio.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "source/state.h"
#include "source/text.h"

namespace {

// `dir` redirected to a file writes the console (OEM) code page, while players
// read a playlist in the ANSI code page; recode so accented names survive.
std::string OemToAnsi(const std::string& text) {
  if (GetOEMCP() == GetACP() || text.empty()) return text;
  int size = static_cast<int>(text.size());
  int wide_size = MultiByteToWideChar(CP_OEMCP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(wide_size, L'\0');
  MultiByteToWideChar(CP_OEMCP, 0, text.data(), size, wide.data(), wide_size);
  int ansi_size = WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, nullptr, 0,
                                      nullptr, nullptr);
  std::string ansi(ansi_size, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, ansi.data(), ansi_size, nullptr,
                      nullptr);
  return ansi;
}

void RecodeListing(const std::string& listing) {
  if (GetOEMCP() == GetACP()) return;
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
  while (reader.Next(&line)) WriteText(out, OemToAnsi(line));
  std::fclose(in);
  bool written = std::ferror(out) == 0;
  if (std::fclose(out) != 0) written = false;
  if (written) RenameOver(recoded, listing);
  std::remove(recoded.c_str());
}

}  // namespace

std::string ListFolder(const std::string& folder, const std::string& listing) {
  // A double quote would end the quoting early and hand the rest of the name
  // to the command interpreter as commands.
  if (folder.find_first_of(std::string("\"\0\r\n", 4)) != std::string::npos) {
    if (std::FILE* empty = std::fopen(listing.c_str(), "w")) std::fclose(empty);
    return "(folder name not usable, not listed) ";
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

// The Windows side: folders are walked through the wide API (no command
// interpreter, so no name is ever read as a command, and a share's path works
// as the working folder), and the playlist goes to the shell, which opens it
// in the user's player.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"
#include "platform/output_file.h"
#include "platform/platform.h"
#include "platform/unicode-win32.h"

namespace {

// The system's own words for `error`.
std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD size =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message =
      size > 0 ? std::wstring(text, size) : L"error " + std::to_wstring(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  return Narrow(message);
}

// The note for a folder that gives no listing, or "". Names Windows cannot
// give a file (a quote, a wildcard) are refused before any call sees them.
std::string ListRoot(const std::string& folder, OutputFile* out,
                     const ListingProgress& progress) {
  if (folder.find_first_of(std::string("\"*?<>|\0\r\n", 9)) != std::string::npos)
    return "not a usable folder name";
  std::wstring root = FullPath(Widen(folder));
  DWORD attributes = GetFileAttributesW(LongPath(root).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return "folder not found";
    return "cannot read folder: " + SystemMessage(error);
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "not a folder";
  WalkTree(Narrow(root), out, WalkReaders(), progress);
  return "";
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  for (int n = 0; n < count; ++n) arguments.push_back(Narrow(wide[n]));
  LocalFree(wide);
  return arguments;
}

bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress& progress, std::string* note, std::string* err) {
  OutputFile out;
  if (!out.Open(listing, err)) {
    *err = "Cannot create " + listing + ": " + *err;
    return false;
  }
  *note = ListRoot(folder, &out, progress);
  if (out.Close(err)) return true;
  *err = "Cannot write " + listing + ": " + *err;
  return false;
}

bool OpenPlaylist(const std::string& name, std::string* err) {
  FlushOutput();
  std::wstring file = FullPath(Widen(name));
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  // Returns once the player is asked, with no dialog of the shell's own.
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return true;
  *err = "Cannot hand " + name + " to the player (" + SystemMessage(GetLastError()) + ")";
  return false;
}

// Windows has only the C library's interrupt and termination signals; a
// closed console ends the process without either.
void CatchEndingSignals(void (*handler)(int signal)) {
  for (int signal : {SIGINT, SIGTERM}) {
    if (std::signal(signal, handler) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

void EndBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(3);
}

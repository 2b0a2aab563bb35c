// The Windows side: the arguments from the wide command line, and the
// playlist to the shell, which opens it in the user's player.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <csignal>
#include <cstdlib>

#include "platform/console.h"
#include "platform/platform.h"
#include "platform/unicode-win32.h"

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  for (int n = 0; n < count; ++n) arguments.push_back(Narrow(wide[n]));
  LocalFree(wide);
  return arguments;
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

// The Windows side: the command interpreter lists folder trees and opens the
// playlist, as the program always did there.
#include "platform/platform-win32.h"

#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/line_reader.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/platform.h"

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
  OutputFile out;
  std::string err;
  if (!out.Open(recoded, &err)) {
    std::fclose(in);
    return;
  }
  LineReader reader(in);
  std::string line;
  bool changed = false;
  while (reader.Next(&line)) {
    std::string ansi = AnsiLine(line);
    changed = changed || ansi != line;
    out.Write(ansi);
  }
  std::fclose(in);
  // A listing read only in part stays as it is; the filter reports what
  // stopped the reading.
  bool whole = reader.status() == LineReader::kOk;
  if (out.Close(&err) && whole && changed) RenameOver(recoded, listing, &err);
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

// `dir` tells nothing while it runs, so there is no count to show.
bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress&, std::string* note, std::string* err) {
  // A double quote would end the quoting early and hand the rest of the name
  // to the command interpreter as commands.
  if (folder.find_first_of(std::string("\"\0\r\n", 4)) != std::string::npos) {
    if (std::FILE* empty = std::fopen(listing.c_str(), "w")) std::fclose(empty);
    *note = "not a usable folder name";
    return true;
  }
  std::string command = "dir \"" + folder + "\" /s/b >" + listing;
  std::fflush(stdout);
  std::system(command.c_str());
  std::FILE* written = std::fopen(listing.c_str(), "r");
  if (!written) {
    *err = "Cannot create " + listing + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(written);
  RecodeListing(listing);
  return true;
}

bool OpenPlaylist(const std::string& name, std::string*) {
  std::string command = "start " + name + "&";
  std::fflush(stdout);
  std::system(command.c_str());
  return true;
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

void DiscardTypedAhead() {
  std::fflush(stdin);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (GetConsoleMode(input, &mode)) FlushConsoleInputBuffer(input);
}

bool OutputIsTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.dwSize.X;
}

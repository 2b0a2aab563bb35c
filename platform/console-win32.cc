// The console on Windows. A console shows UTF-16, so text for one is written
// with WriteConsoleW: the narrow C library would pass UTF-8 through the
// console's code page, which shows only what that page holds. Redirected
// output stays UTF-8 bytes, in text mode.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/unicode-win32.h"

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

void Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  int size = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  PrintText(text);
}

void PrintText(std::string_view text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!IsConsole(out)) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  std::fflush(stdout);
  std::wstring wide = Widen(text);
  DWORD written = 0;
  WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

void FlushOutput() {
  std::fflush(stdout);
}

void DiscardTypedAhead() {
  std::fflush(stdin);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (IsConsole(input)) FlushConsoleInputBuffer(input);
}

bool OutputIsTerminal() {
  return IsConsole(GetStdHandle(STD_OUTPUT_HANDLE));
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.dwSize.X;
}

// The console on POSIX systems: standard output, bytes as they are.
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "platform/console.h"

void Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
}

void PrintText(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void FlushOutput() {
  std::fflush(stdout);
}

void DiscardTypedAhead() {
  if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

int TerminalWidth() {
  struct winsize size;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

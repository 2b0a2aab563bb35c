#include "copy/copy_progress.h"

#include <cstdio>

#include "platform/console.h"

namespace {

constexpr std::chrono::milliseconds kEvery(250);

std::string Clock(long long seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

}  // namespace

std::string SizeText(long long bytes) {
  char text[32];
  if (bytes < 1000000) {
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1e3);
  } else if (bytes < 1000000000) {
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
  }
  return text;
}

CopyProgress::CopyProgress(int tracks, long long bytes)
    : tracks_(tracks), bytes_(bytes), started_(std::chrono::steady_clock::now()) {
  if (OutputIsTerminal()) room_ = TerminalWidth() - 1;
}

void CopyProgress::Done(int tracks, long long bytes) {
  auto now = std::chrono::steady_clock::now();
  if (room_ <= 0 || (shown_ && now - last_ < kEvery)) return;
  double seconds = std::chrono::duration<double>(now - started_).count();
  double rate = seconds > 0 ? bytes / seconds : 0;
  std::string line = "Copying " + std::to_string(tracks) + " of " +
                     std::to_string(tracks_) + " tracks, " + SizeText(bytes) + " of " +
                     SizeText(bytes_) + " at " + SizeText(static_cast<long long>(rate)) +
                     "/s";
  if (rate > 0)
    line += ", " + Clock(static_cast<long long>((bytes_ - bytes) / rate)) + " left";
  if (line.size() > static_cast<std::size_t>(room_))
    line.resize(static_cast<std::size_t>(room_));
  std::string text = "\r" + line;
  if (line.size() < width_) text += std::string(width_ - line.size(), ' ');
  PrintText(text);
  FlushOutput();
  width_ = std::max(width_, line.size());
  shown_ = true;
  last_ = now;
}

void CopyProgress::Erase() {
  if (!shown_) return;
  PrintText("\r" + std::string(width_, ' ') + "\r");
  FlushOutput();
  shown_ = false;
}

#include "playlist/timed_fill.h"

#include <algorithm>

#include "base/text.h"

namespace {

constexpr long long kMinute = 60000;

// The file name of a library line, without its folder, extension or line end.
std::string NameOf(const std::string& track) {
  std::string line(WithoutLineEnd(track));
  std::size_t folder = line.find_last_of("/\\");
  if (folder != std::string::npos) line.erase(0, folder + 1);
  std::size_t extension = line.rfind('.');
  if (extension != std::string::npos && extension > 0) line.erase(extension);
  return line;
}

}  // namespace

std::size_t TracksToTry(int minutes) {
  // Tracks last some four minutes; a hundred more leave room for the long
  // ones, and for the short ones that fill the last minutes.
  return static_cast<std::size_t>(std::min(100 + std::max(minutes, 0) / 4, 500));
}

namespace {

// Lines read ahead at once: a little more than a playlist of an hour tries
// after its first few minutes are full, so that few reads go to waste.
constexpr std::size_t kReadAhead = 16;

struct Read {
  bool known = false;
  TrackTags tags;
};

// Reads the lines [first, end) side by side.
void ReadAhead(const std::vector<std::string>& lines, std::size_t first, std::size_t end,
               const TagReader& read, ParallelReads* readers, std::vector<Read>* reads) {
  reads->assign(end - first, Read());
  readers->Run(end - first, [&](std::size_t n) {
    Read& one = (*reads)[n];
    one.known = read(lines[first + n], &one.tags);
  });
}

}  // namespace

TimedFill FillTime(const std::vector<std::string>& lines, int minutes,
                   const TagReader& read, ParallelReads* readers) {
  TimedFill fill;
  long long budget = minutes * kMinute;
  std::vector<Read> ahead;
  std::size_t ahead_from = 0;
  for (const std::string& line : lines) {
    if (budget - fill.milliseconds < kCloseEnough) break;
    TimedTrack track{line, fill.tried++, TrackTags()};
    bool known = false;
    if (readers) {
      if (track.index >= ahead_from + ahead.size()) {
        ahead_from = track.index;
        ReadAhead(lines, ahead_from, std::min(lines.size(), ahead_from + kReadAhead),
                  read, readers, &ahead);
      }
      Read& one = ahead[track.index - ahead_from];
      known = one.known;
      track.tags = std::move(one.tags);
    } else {
      known = read(line, &track.tags);
    }
    if (!known) {
      ++fill.unreadable;
      fill.unread.push_back(track.index);
      continue;
    }
    if (fill.milliseconds + track.tags.milliseconds > budget) {
      ++fill.too_long;
      continue;
    }
    fill.milliseconds += track.tags.milliseconds;
    fill.tracks.push_back(std::move(track));
  }
  return fill;
}

std::string PlayingTime(long long milliseconds, int minutes) {
  long long seconds = (milliseconds + 500) / 1000;
  return "Playing time " + std::to_string(seconds / 60) + ":" +
         (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60) + " of " +
         std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

std::string ExtinfLine(const TimedTrack& track) {
  std::string title = track.tags.title.empty() ? NameOf(track.line) : track.tags.title;
  std::string shown =
      track.tags.artist.empty() ? title : track.tags.artist + " - " + title;
  // A tag could hold a line end, which would end the directive early.
  std::replace(shown.begin(), shown.end(), '\n', ' ');
  std::replace(shown.begin(), shown.end(), '\r', ' ');
  return "#EXTINF:" + std::to_string((track.tags.milliseconds + 500) / 1000) + "," +
         shown;
}

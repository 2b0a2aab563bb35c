// A playlist that fills a time: tracks tried in a fair random order, each
// added while its length still fits, until the time left is a few seconds or
// the tracks to try run out.
#ifndef SONGWHIM_PLAYLIST_TIMED_FILL_H_
#define SONGWHIM_PLAYLIST_TIMED_FILL_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/parallel_reads.h"
#include "platform/track_tags.h"

// How many tracks to draw to try for a playlist of `minutes`: enough to
// fill it nearly always, and a few hundred at most however long it is.
std::size_t TracksToTry(int minutes);

struct TimedTrack {
  std::string line;   // the library line
  std::size_t index;  // where it stood among the lines tried
  TrackTags tags;
};

struct TimedFill {
  std::vector<TimedTrack> tracks;   // in playlist order
  long long milliseconds = 0;       // their lengths in all
  int unreadable = 0;               // tracks tried whose length is unknown
  std::vector<std::size_t> unread;  // where they stood among the lines tried
  int too_long = 0;                 // tracks read that did not fit
  std::size_t tried = 0;            // tracks tried
};

// Time left that no track is tried for: less than any track lasts.
constexpr long long kCloseEnough = 3000;

// Reads a library line's tags, as ReadTrackTags does.
using TagReader = std::function<bool(const std::string& line, TrackTags* tags)>;

// Tries the library lines `lines` in order until the time left is under
// kCloseEnough, never going over `minutes`. With `readers`, the next few
// lines are read side by side, ahead of their turn: the fill is the same,
// sooner.
TimedFill FillTime(const std::vector<std::string>& lines, int minutes,
                   const TagReader& read, ParallelReads* readers = nullptr);

// "Playing time 44:31 of 45 minutes": `milliseconds` to the nearest second.
std::string PlayingTime(long long milliseconds, int minutes);

// The #EXTINF line of an extended M3U playlist for `track`: its length in
// whole seconds, and "artist - title" from its tags (the file name without
// its extension when they have no title).
std::string ExtinfLine(const TimedTrack& track);

#endif  // SONGWHIM_PLAYLIST_TIMED_FILL_H_

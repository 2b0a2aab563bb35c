#include "playlist/playlist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/text.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/track_tags.h"
#include "playlist/fair_pick.h"
#include "playlist/played_record.h"
#include "playlist/playlist_file.h"
#include "playlist/random_walk.h"
#include "playlist/shuffle.h"
#include "playlist/timed_fill.h"
#include "playlist/track_filter.h"

namespace {

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader) {
  if (reader.bad_line())
    return Library + ": " + reader.Problem() +
           ", so it does not look like a library file";
  return "Cannot read " + Library + ": " + std::strerror(reader.error());
}

// Says how many tracks the playlist got, and what else `more` says, and
// closes it.
bool Finish(PlaylistFile* playlist, std::string* err, const std::string& more = "") {
  Print("%d tracks added.\n", playlist->added());
  PrintText(more);
  if (playlist->utf8()) {
    Print("Written as %s, in UTF-8: some names are not in the ANSI code page\n",
          playlist->name().c_str());
  }
  if (playlist->Close(err)) return true;
  playlist->Discard();
  return false;
}

// The way the walks and a plain shuffle go: the playlist is filled as the
// picks come. A library that turns out to be some other file leaves no
// playlist behind: what was written of it came from that file.
bool Fill(std::FILE* file, const PlaylistChoice& choice, PlaylistFile* playlist,
          std::string* err) {
  if (!playlist->Open(err)) return false;
  Print("Creating Random Playlist\n");
  LineReader library(file);
  if (choice.shuffle) {
    PickByShuffle(&library, choice.many, playlist);
  } else {
    PickByWalks(&library, choice.many, playlist);
  }
  if (library.status() != LineReader::kOk) {
    *err = LibraryProblem(library);
    playlist->Discard();
    return false;
  }
  return Finish(playlist, err);
}

void SayNewRound() {
  Print("Every track has been picked: a new round begins\n");
}

// Writes the picks; says when a new round began.
bool WritePicks(const PlaylistChoice& choice, FairPicks* picks, std::mt19937_64* random,
                PlaylistFile* playlist, std::string* err) {
  if (picks->new_round || picks->outgrown) SayNewRound();
  // Fresh tracks and a new round's come in one random order; albums were
  // put in theirs whole.
  if (picks->new_round && choice.albums == 0)
    std::shuffle(picks->tracks.begin(), picks->tracks.end(), *random);
  if (!playlist->Open(err)) return false;
  for (const std::string& track : picks->tracks) {
    if (playlist->failed()) break;
    playlist->Add(track);
  }
  return Finish(playlist, err);
}

// The file a library line names.
std::string TrackFile(const std::string& line) {
  return std::string(WithoutLineEnd(FromFileText(line)));
}

// Tries the picks, fresh ones first, for a playlist of `choice.minutes`, and
// writes an extended M3U with each track's length and title. `picks` is left
// holding the tracks the playlist got.
bool WriteTimed(const PlaylistChoice& choice, FairPicks* picks, PlaylistFile* playlist,
                std::string* err) {
  TimedFill fill = FillTime(picks->tracks, choice.minutes,
                            [](const std::string& line, TrackTags* tags) {
                              return ReadTrackTags(TrackFile(line), tags);
                            });
  picks->tracks.clear();
  picks->new_round = picks->outgrown;
  for (const TimedTrack& track : fill.tracks) {
    picks->tracks.push_back(track.line);
    picks->new_round = picks->new_round || track.index >= picks->fresh;
  }
  if (picks->new_round) SayNewRound();
  if (!playlist->Open(err)) return false;
  playlist->AddDirective("#EXTM3U");
  for (const TimedTrack& track : fill.tracks) {
    if (playlist->failed()) break;
    playlist->AddDirective(ExtinfLine(track));
    playlist->Add(track.line);
  }
  long long seconds = (fill.milliseconds + 500) / 1000;
  std::string more = "Playing time " + std::to_string(seconds / 60) + ":" +
                     (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60) +
                     " of " + std::to_string(choice.minutes) + " minutes\n";
  if (fill.unreadable > 0) {
    more += std::to_string(fill.unreadable) +
            " files could not be read as audio and were passed over\n";
  }
  return Finish(playlist, err, more);
}

// The fair picks: everything is picked before the playlist is touched, so a
// pick that finds nothing leaves the last playlist as it was.
bool FillFairly(std::FILE* file, const PlaylistChoice& choice, PlaylistFile* playlist,
                std::string* err) {
  Print("Creating Random Playlist\n");
  PlayedRecord record;
  SharedWork work;
  if (choice.fresh) {
    std::string note;
    if (!record.Open(Library, &work, &note, err)) return false;
    if (!note.empty()) Print("%s\n", note.c_str());
  }
  LineReader library(file, kMaxLine, /*wide=*/choice.fresh);
  TrackFilter filter(choice.only, choice.skip);
  std::mt19937_64 random = SeededGenerator();
  PickSource source{&library, &filter, choice.fresh ? &record : nullptr, &random, &work};
  FairPicks picks;
  if (choice.minutes > 0) {
    picks = PickTracks(source, static_cast<int>(TracksToTry(choice.minutes)));
  } else {
    picks = choice.albums > 0 ? PickAlbums(source, choice.albums)
                              : PickTracks(source, choice.many);
  }
  if (library.status() != LineReader::kOk) {
    *err = LibraryProblem(library);
    return false;
  }
  if (picks.let == 0 && filter.active()) {
    *err = "No track of " + Library + " is left by -only and -skip - no playlist made";
    return false;
  }
  bool written = choice.minutes > 0 ? WriteTimed(choice, &picks, playlist, err)
                                    : WritePicks(choice, &picks, &random, playlist, err);
  if (!written) return false;
  // The record holds just what went to the player.
  if (!choice.fresh || record.Save(picks.tracks, picks.new_round || picks.outgrown, err))
    return true;
  playlist->Discard();
  return false;
}

void Play(const PlaylistFile& playlist) {
  Print("Playing Playlist\n");
  std::string err;
  if (!OpenPlaylist(playlist.name(), &err))
    Print("%s; open it in your player.\n", err.c_str());
}

}  // namespace

bool MakePlaylist(const PlaylistChoice& choice) {
  std::FILE* file = nullptr;
  std::string err;
  if (!OpenForReading(Library, &file, &err)) {
    Print("Cannot read %s: %s\n", Library.c_str(), err.c_str());
    return false;
  }
  PlaylistFile playlist;
  bool made = choice.Selective() ? FillFairly(file, choice, &playlist, &err)
                                 : Fill(file, choice, &playlist, &err);
  std::fclose(file);
  if (!made) {
    Print("%s\n", err.c_str());
    return false;
  }
  if (playlist.added() > 0) Play(playlist);
  return true;
}

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
// picks come. A library that turns out to be some other file leaves the last
// playlist as it was: what was written came from that file.
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
  return Finish(playlist, err) && playlist->Commit(err);
}

void SayNewRound() {
  Print("Every track has been picked: a new round begins\n");
}

// What a fair pick made: the tracks this round now counts as picked, and
// whether they begin a new round.
struct Round {
  std::vector<std::string> tracks;
  bool new_round = false;
  bool even_without_playlist = false;  // counts though no playlist was made
};

// Writes the picks.
bool WritePicks(const PlaylistChoice& choice, FairPicks* picks, std::mt19937_64* random,
                PlaylistFile* playlist, Round* round, std::string* err) {
  round->new_round = picks->new_round || picks->outgrown;
  if (round->new_round) SayNewRound();
  // Fresh tracks and a new round's come in one random order; albums were
  // put in theirs whole.
  if (picks->new_round && choice.albums == 0)
    std::shuffle(picks->tracks.begin(), picks->tracks.end(), *random);
  if (!playlist->Open(err)) return false;
  for (const std::string& track : picks->tracks) {
    if (playlist->failed()) break;
    playlist->Add(track);
  }
  round->tracks = std::move(picks->tracks);
  return Finish(playlist, err);
}

// The file a library line names.
std::string TrackFile(const std::string& line) {
  return std::string(WithoutLineEnd(FromFileText(line)));
}

// What a timed playlist says besides its count.
std::string TimedSummary(const PlaylistChoice& choice, const FairPicks& picks,
                         const TimedFill& fill, bool filtered) {
  std::string more = PlayingTime(fill.milliseconds, choice.minutes) + "\n";
  bool short_of_time = choice.minutes * 60000LL - fill.milliseconds >= kCloseEnough;
  if (filtered && short_of_time && picks.all && fill.too_long == 0)
    more += "The tracks -only and -skip leave hold no more music than that\n";
  if (fill.unreadable > 0) {
    more += std::to_string(fill.unreadable) +
            " files could not be read as audio and were passed over\n";
  }
  return more;
}

// Tries the picks, fresh ones first, for a playlist of `choice.minutes`, and
// writes an extended M3U with each track's length and title. The round
// counts the tracks the playlist gets and those that could not be read, so
// that these never keep a round from ending.
bool WriteTimed(const PlaylistChoice& choice, const FairPicks& picks, bool filtered,
                PlaylistFile* playlist, Round* round, std::string* err) {
  TimedFill fill = FillTime(picks.tracks, choice.minutes,
                            [](const std::string& line, TrackTags* tags) {
                              return ReadTrackTags(TrackFile(line), tags);
                            });
  round->new_round = picks.outgrown;
  for (const TimedTrack& track : fill.tracks) {
    round->tracks.push_back(track.line);
    round->new_round = round->new_round || track.index >= picks.fresh;
  }
  for (std::size_t index : fill.unread) {
    round->tracks.push_back(picks.tracks[index]);
    round->new_round = round->new_round || index >= picks.fresh;
  }
  if (round->new_round) SayNewRound();
  std::string more = TimedSummary(choice, picks, fill, filtered);
  if (fill.tracks.empty()) {
    round->even_without_playlist = true;
    Print("0 tracks added.\n");
    PrintText(more);
    *err = fill.unreadable == static_cast<int>(fill.tried)
               ? "None of the tracks tried could be read as audio - no playlist made"
               : "None of the tracks tried fits in " + std::to_string(choice.minutes) +
                     (choice.minutes == 1 ? " minute" : " minutes") +
                     " - no playlist made";
    return false;
  }
  if (!playlist->Open(err)) return false;
  playlist->AddDirective("#EXTM3U");
  for (const TimedTrack& track : fill.tracks) {
    if (playlist->failed()) break;
    playlist->AddDirective(ExtinfLine(track));
    playlist->Add(track.line);
  }
  return Finish(playlist, err, more);
}

// Puts the playlist in place once the record holds its tracks: a run that
// fails anywhere leaves both as they were.
bool PutInPlace(PlaylistFile* playlist, PlayedRecord* record, const Round& round,
                const PlayedRecord::Keep& keep, bool written, std::string* err) {
  // Tracks that could not be read count for the round even when no
  // playlist could be made, so that the next run moves on.
  bool saving =
      record && !round.tracks.empty() && (written || round.even_without_playlist);
  std::string record_err;
  bool recorded =
      !saving || record->Save(round.tracks, round.new_round, keep, &record_err);
  if (!written) {
    if (saving && recorded) record->Commit();
    return false;
  }
  if (!recorded) {
    *err = record_err;
    playlist->Discard();
    return false;
  }
  if (!playlist->Commit(err)) return false;  // the record's addition is undone
  if (record) record->Commit();
  return true;
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
  Round round;
  bool written = choice.minutes > 0
                     ? WriteTimed(choice, picks, filter.active(), playlist, &round, err)
                     : WritePicks(choice, &picks, &random, playlist, &round, err);
  // A new round under filters starts anew only for the tracks they let
  // through; the round of the others goes on.
  PlayedRecord::Keep keep;
  if (filter.active() && !picks.outgrown)
    keep = [&filter](std::string_view line) { return !filter.Lets(line); };
  return PutInPlace(playlist, choice.fresh ? &record : nullptr, round, keep, written,
                    err);
}

extern "C" void StopPlaylist(int signal) {
  PlaylistFile::RemoveUnfinished();
  EndBySignal(signal);
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
  // An interrupted run leaves nothing half-written behind.
  CatchEndingSignals(StopPlaylist);
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

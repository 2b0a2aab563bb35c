#include "playlist/playlist.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "playlist/fair_pick.h"
#include "playlist/played_record.h"
#include "playlist/playlist_file.h"
#include "playlist/random_walk.h"
#include "playlist/shuffle.h"
#include "playlist/track_filter.h"

namespace {

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader) {
  if (reader.bad_line())
    return Library + ": " + reader.Problem() +
           ", so it does not look like a library file";
  return "Cannot read " + Library + ": " + std::strerror(reader.error());
}

// Says how many tracks the playlist got, and closes it.
bool Finish(PlaylistFile* playlist, std::string* err) {
  Print("%d tracks added.\n", playlist->added());
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

// The fair picks: everything is picked before the playlist is touched, so a
// pick that finds nothing leaves the last playlist as it was.
bool FillFairly(std::FILE* file, const PlaylistChoice& choice, PlaylistFile* playlist,
                std::string* err) {
  Print("Creating Random Playlist\n");
  PlayedRecord record;
  if (choice.fresh) {
    std::string note;
    if (!record.Open(Library, &note, err)) return false;
    if (!note.empty()) Print("%s\n", note.c_str());
  }
  LineReader library(file);
  TrackFilter filter(choice.only, choice.skip);
  std::mt19937_64 random = SeededGenerator();
  PickSource source{&library, &filter, choice.fresh ? &record : nullptr, &random};
  FairPicks picks = choice.albums > 0 ? PickAlbums(source, choice.albums)
                                      : PickTracks(source, choice.many);
  if (library.status() != LineReader::kOk) {
    *err = LibraryProblem(library);
    return false;
  }
  if (picks.let == 0 && filter.active()) {
    *err = "No track of " + Library + " is left by -only and -skip - no playlist made";
    return false;
  }
  if (picks.new_round) Print("Every track has been picked: a new round begins\n");
  if (!playlist->Open(err)) return false;
  for (const std::string& track : picks.tracks) {
    if (playlist->failed()) break;
    playlist->Add(track);
  }
  if (!Finish(playlist, err)) return false;
  // The record holds just what went to the player.
  if (!choice.fresh || record.Save(picks.tracks, picks.new_round, err)) return true;
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

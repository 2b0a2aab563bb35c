#include "playlist/playlist.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "base/state.h"
#include "copy/device_copy.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "playlist/fair_playlist.h"
#include "playlist/playlist_file.h"
#include "playlist/random_walk.h"
#include "playlist/shuffle.h"
#include "playlist/track.h"
#include "playlist/track_source.h"

namespace {

// The walks' picks, who each is by, in the -spread order. Who a track is by
// comes from the tag index, when it is that of the library, at the lines the
// walks stopped on; else from the folders.
void SpreadWalks(LineReader* library, const PlaylistChoice& choice,
                 PlaylistFile* playlist) {
  std::vector<std::string> picks;
  std::vector<long long> positions;
  PickByWalks(library, choice.many, [&](const std::string& line, long long position) {
    picks.push_back(line);
    positions.push_back(position);
    return true;
  });
  if (library->status() != LineReader::kOk) return;
  TrackSource index;
  std::string note, ignored;
  bool indexed = index.Open(nullptr, "", true, false, &note, &ignored) && index.indexed();
  if (!note.empty()) Print("%s\n", note.c_str());
  std::vector<std::string> tracks = picks;
  if (indexed && !index.LinesAt(positions, &tracks, &ignored)) {
    Print("%s, so it is not used (run songwhim -build -tags)\n", ignored.c_str());
    tracks = picks;
    indexed = false;
  }
  std::mt19937_64 random = SeededGenerator();
  SpreadPicks(&tracks, {}, indexed, Artists(choice.roots), &random);
  for (const std::string& track : tracks) {
    if (playlist->failed()) return;
    playlist->Add(Track(track, indexed).line());
  }
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
  } else if (choice.spread) {
    SpreadWalks(&library, choice, playlist);
  } else {
    PickByWalks(&library, choice.many, [playlist](const std::string& line, long long) {
      playlist->Add(line);
      return !playlist->failed();
    });
  }
  if (library.status() != LineReader::kOk) {
    *err = LibraryProblem(library);
    playlist->Discard();
    return false;
  }
  return FinishPlaylist(playlist, err) && playlist->Commit(err);
}

extern "C" void StopPlaylist(int signal) {
  PlaylistFile::RemoveUnfinished();
  DeviceCopy::RemoveUnfinished();
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
  bool made = choice.Selective() ? MakeFairPlaylist(file, choice, &playlist, &err)
                                 : Fill(file, choice, &playlist, &err);
  std::fclose(file);
  if (!made) {
    Print("%s\n", err.c_str());
    return false;
  }
  if (playlist.added() > 0) Play(playlist);
  return true;
}

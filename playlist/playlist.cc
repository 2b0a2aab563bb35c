#include "playlist/playlist.h"

#include <cstdio>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "playlist/fair_playlist.h"
#include "playlist/playlist_file.h"
#include "playlist/random_walk.h"
#include "playlist/shuffle.h"

namespace {

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
  return FinishPlaylist(playlist, err) && playlist->Commit(err);
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

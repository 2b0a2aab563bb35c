#include "playlist/playlist.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "playlist/playlist_file.h"
#include "playlist/random_walk.h"
#include "playlist/shuffle.h"

namespace {

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader) {
  if (reader.bad_line())
    return Library + ": " + reader.Problem() +
           ", so it does not look like a library file";
  return "Cannot read " + Library + ": " + std::strerror(reader.error());
}

// Fills the open `playlist` from the library `file` and closes it. A library
// that turns out to be some other file leaves no playlist behind: what was
// written of it came from that file.
bool Fill(std::FILE* file, const PlaylistChoice& choice, PlaylistFile* playlist,
          std::string* err) {
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
  Print("%d tracks added.\n", playlist->added());
  if (playlist->utf8()) {
    Print("Written as %s, in UTF-8: some names are not in the ANSI code page\n",
          playlist->name().c_str());
  }
  if (playlist->Close(err)) return true;
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
  bool made = playlist.Open(&err) && Fill(file, choice, &playlist, &err);
  std::fclose(file);
  if (!made) {
    Print("%s\n", err.c_str());
    return false;
  }
  if (playlist.added() > 0) Play(playlist);
  return true;
}

#include "playlist/playlist.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "source/output_file.h"
#include "source/state.h"

const char kPlaylistFile[] = "random.m3u";

namespace {

// Moves one line on. Only a line that may end the walk is copied; the first
// line is always copied when the walk comes round, since whole turns may then
// be skipped and leave the walk standing on it.
bool Step(LibraryCursor* cursor, bool keep) {
  if (cursor->reader.Next(keep ? &Path : nullptr)) {
    ++cursor->position;
    return true;
  }
  if (cursor->reader.status() != LineReader::kOk) return false;
  cursor->lines = cursor->position;
  cursor->reader.Rewind();
  cursor->position = 0;
  if (!cursor->reader.Next(&Path)) {
    cursor->empty = cursor->reader.status() == LineReader::kOk;
    return false;
  }
  cursor->position = 1;
  return true;
}

// Once the number of lines is known, whole turns of the file land where they
// started and need not be read.
void SkipTurns(const LibraryCursor& cursor) {
  if (cursor.lines > 0) CCount = static_cast<int>(CCount % cursor.lines);
}

}  // namespace

void Walk(LibraryCursor* cursor, int steps) {
  CCount = steps;
  SkipTurns(*cursor);
  while (CCount > 0) {
    // The lines before the last one are passed over many at a time; at the end
    // of the file the step below goes round.
    if (CCount > 1) {
      long long passed = cursor->reader.PassOver(CCount - 1);
      cursor->position += passed;
      CCount -= static_cast<int>(passed);
    }
    if (!Step(cursor, CCount == 1)) {
      CCount = 0;
      return;
    }
    CCount -= 1;
    SkipTurns(*cursor);
  }
}

namespace {

int WalkLength() {
  return std::rand() % 10000 + 500;
}

// Closes the playlist and says so if any write to it failed.
bool ClosePlaylist(OutputFile* playlist) {
  int error = playlist->Close();
  if (error != 0)
    std::printf("Cannot write %s: %s\n", kPlaylistFile, std::strerror(error));
  return error == 0;
}

// A library that turns out to be some other file leaves no playlist behind:
// what was written of it came from that file.
bool RefuseLibrary(const std::string& problem, OutputFile* playlist) {
  std::printf("%s: %s, so it does not look like a library file\n", Library.c_str(),
              problem.c_str());
  playlist->Close();
  std::remove(kPlaylistFile);
  return false;
}

}  // namespace

Picked PickedBy(const LineReader& reader, int added) {
  Picked picked;
  picked.added = added;
  if (reader.bad_line()) picked.problem = reader.Problem();
  if (reader.failed()) picked.error = reader.error() != 0 ? reader.error() : EIO;
  return picked;
}

void WritePick(std::string* line, OutputFile* playlist) {
  // A last line without its newline would run into the next pick.
  if (line->empty() || line->back() != '\n') *line += '\n';
  playlist->Write(*line);
}

bool WritePlaylist(const Picker& pick) {
  std::FILE* library = std::fopen(Library.c_str(), "r");
  if (!library) return true;
  OutputFile playlist;
  if (!playlist.Open(kPlaylistFile)) {
    std::printf("Cannot create %s: %s\n", kPlaylistFile, std::strerror(errno));
    std::fclose(library);
    return false;
  }
  std::printf("Creating Random Playlist\n");
  Picked picked = pick(library, &playlist);
  std::fclose(library);
  if (!picked.problem.empty()) return RefuseLibrary(picked.problem, &playlist);
  if (picked.error != 0)
    std::printf("Cannot read %s: %s\n", Library.c_str(), std::strerror(picked.error));
  std::printf("%d tracks added.\n", picked.added);
  if (!ClosePlaylist(&playlist) || picked.error != 0) return false;
  if (picked.added == 0) return true;
  std::printf("Playing Playlist\n");
  OpenPlaylist(kPlaylistFile);
  return true;
}

bool MakePlaylist(int many) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  return WritePlaylist([many](std::FILE* library, OutputFile* playlist) {
    LibraryCursor cursor(library);
    const LineReader& reader = cursor.reader;
    int offset = std::rand() % 20 + 20;
    for (int n = 0; n < offset; ++n) Walk(&cursor, WalkLength());
    int added = 0;
    for (int n = 0; n < many && !cursor.empty && reader.status() == LineReader::kOk;
         ++n) {
      Walk(&cursor, WalkLength());
      if (cursor.empty || reader.status() != LineReader::kOk) break;
      WritePick(&Path, playlist);
      ++added;
    }
    return PickedBy(reader, added);
  });
}

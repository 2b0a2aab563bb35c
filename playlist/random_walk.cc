#include "playlist/random_walk.h"

#include <cstdlib>
#include <ctime>

#include "base/state.h"

namespace {

// Moves one line on. Only a line that may end the walk is copied; the first
// line is always copied when the walk comes round, since whole turns may then
// be skipped and leave the walk standing on it.
bool Step(LibraryCursor* cursor, bool keep) {
  LineReader* reader = cursor->reader;
  if (reader->Next(keep ? &Path : nullptr)) {
    ++cursor->position;
    return true;
  }
  if (reader->status() != LineReader::kOk) return false;
  cursor->lines = cursor->position;
  reader->Rewind();
  cursor->position = 0;
  if (!reader->Next(&Path)) {
    cursor->empty = reader->status() == LineReader::kOk;
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

int WalkLength() {
  return std::rand() % 10000 + 500;
}

}  // namespace

void Walk(LibraryCursor* cursor, int steps) {
  CCount = steps;
  SkipTurns(*cursor);
  while (CCount > 0) {
    // The lines before the last one are passed over many at a time; at the end
    // of the file the step below goes round.
    if (CCount > 1) {
      long long passed = cursor->reader->PassOver(CCount - 1);
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

void PickByWalks(LineReader* library, int many, const TakePick& take) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  LibraryCursor cursor(library);
  int offset = std::rand() % 20 + 20;
  for (int n = 0; n < offset; ++n) Walk(&cursor, WalkLength());
  for (int n = 0; n < many; ++n) {
    Walk(&cursor, WalkLength());
    if (cursor.empty || library->status() != LineReader::kOk ||
        !take(Path, cursor.position))
      return;
  }
}

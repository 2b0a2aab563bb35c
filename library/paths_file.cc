#include <cstring>

#include "library/library.h"
#include "source/state.h"
#include "source/text.h"

namespace {

// Reader states: a section, or the header line that opens it.
enum {
  kNoSection = 0,
  kAdd = 1,
  kAddHeader = 2,
  kIgnore = 3,
  kIgnoreHeader = 4,
  kFiletypes = 5,
  kFiletypesHeader = 6
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// A file written on Windows and read elsewhere ends its lines in CR LF; the CR
// is no part of the entry.
void DropCarriageReturn(std::string& line) {
  std::size_t end = line.size();
  if (end > 0 && line[end - 1] == '\n') --end;
  if (end > 0 && line[end - 1] == '\r') line.erase(end - 1, 1);
}

// "flac" gives "lac" and "*.mp3" gives "mp3". A two-character entry is kept as
// it is, which no three-character file type can match.
std::string LastThree(const std::string& entry) {
  return entry.size() < 3 ? entry : entry.substr(entry.size() - 3);
}

// Entries a section may hold in all: far more than any collection needs, and
// a bound on what a paths file that never ends can make the build hold.
constexpr std::size_t kMaxEntries = 100000;

bool TooMany(const char* section, const LineReader& reader) {
  std::printf("%s: line %lld: more than %zu %s entries - library not changed\n",
              Paths.c_str(), reader.lines(), kMaxEntries, section);
  return false;
}

}  // namespace

void trim(std::string& s) {
  std::size_t start = 0;
  while (start < s.size() && IsBlank(s[start])) ++start;
  s.erase(0, start);
  std::size_t end = s.size();
  while (end > 0 && (IsBlank(s[end - 1]) || s[end - 1] == '\n')) --end;
  s.erase(end);
}

bool ReadPathsFile(std::FILE* paths) {
  int inadd = kNoSection;
  LineReader reader(paths);
  while (reader.Next(&Path)) {
    if (SameNoCase(Path, "[add]", 5)) inadd = kAddHeader;
    if (SameNoCase(Path, "[ignore]", 8)) inadd = kIgnoreHeader;
    if (SameNoCase(Path, "[file", 5)) inadd = kFiletypesHeader;
    DropCarriageReturn(Path);
    trim(Path);
    if (inadd == kAdd && Path.size() > 2) {
      if (static_cast<std::size_t>(PCount) >= kMaxEntries)
        return TooMany("[add]", reader);
      MakeDir(Path);
    }
    if (inadd == kIgnore && Path.size() > 2) {
      if (Remove.size() >= kMaxEntries) return TooMany("[ignore]", reader);
      Remove.push_back(Path);
    }
    if (inadd == kFiletypes && Path.size() > 1) {
      if (Allow.size() >= kMaxEntries) return TooMany("[filetypes]", reader);
      Allow.push_back(LastThree(Path));
    }
    if (inadd == kAddHeader || inadd == kIgnoreHeader || inadd == kFiletypesHeader)
      --inadd;
  }
  if (reader.bad_line()) {
    std::printf("%s: %s, so it does not look like a paths file - library not changed\n",
                Paths.c_str(), reader.Problem().c_str());
    return false;
  }
  if (!reader.failed()) return true;
  std::printf("Cannot read paths file %s: %s - library not changed\n", Paths.c_str(),
              std::strerror(reader.error()));
  return false;
}

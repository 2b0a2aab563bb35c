#include "library/paths_file.h"

#include <cstring>

#include "base/text.h"
#include "platform/encoding.h"

namespace {

enum class Section { kNone, kAdd, kIgnore, kFiletypes };

// The section a line opens, or kNone. A header starts in the first column;
// whatever follows it on its line is ignored. Of [filetypes] only "[file" is
// compared.
Section HeaderOf(const std::string& line) {
  if (SameNoCase(line, "[add]", 5)) return Section::kAdd;
  if (SameNoCase(line, "[ignore]", 8)) return Section::kIgnore;
  if (SameNoCase(line, "[file", 5)) return Section::kFiletypes;
  return Section::kNone;
}

// What Windows editors put before UTF-8 text.
constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

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

class Reader {
 public:
  Reader(LineReader* reader, const std::string& name, const AddFolder& add,
         PathsTables* tables)
      : reader_(reader), name_(name), add_(add), tables_(tables) {}

  bool Read(std::string* err);

 private:
  // Takes the trimmed `entry` of the current section.
  bool Take(const std::string& entry, std::string* err);
  bool TooMany(const char* section, std::string* err) const;
  bool TooLarge(std::string* err) const;

  LineReader* reader_;
  const std::string& name_;
  const AddFolder& add_;
  PathsTables* tables_;
  Section section_ = Section::kNone;
  std::size_t adds_ = 0;
};

bool Reader::TooLarge(std::string* err) const {
  *err = name_ + ": line " + std::to_string(reader_->lines()) + ": more than " +
         std::to_string(kMaxIgnoreBytes) + " bytes of [ignore] entries";
  return false;
}

bool Reader::TooMany(const char* section, std::string* err) const {
  *err = name_ + ": line " + std::to_string(reader_->lines()) + ": more than " +
         std::to_string(kMaxEntries) + " " + section + " entries";
  return false;
}

bool Reader::Take(const std::string& entry, std::string* err) {
  switch (section_) {
    case Section::kAdd:
      if (entry.size() <= 2) return true;
      if (adds_++ >= kMaxEntries) return TooMany("[add]", err);
      return add_(entry, err);
    case Section::kIgnore:
      if (entry.size() <= 2) return true;
      if (tables_->ignore.size() >= kMaxEntries) return TooMany("[ignore]", err);
      if (tables_->ignore.bytes() + entry.size() > kMaxIgnoreBytes) return TooLarge(err);
      tables_->ignore.Add(entry);
      return true;
    case Section::kFiletypes:
      if (entry.size() <= 1) return true;
      if (tables_->filetypes.size() >= kMaxEntries) return TooMany("[filetypes]", err);
      tables_->filetypes.push_back(LastThree(entry));
      return true;
    case Section::kNone:
      return true;
  }
  return true;
}

bool Reader::Read(std::string* err) {
  std::string line;
  while (reader_->Next(&line)) {
    if (reader_->lines() == 1 && line.compare(0, 3, kByteOrderMark) == 0)
      line.erase(0, 3);
    Section header = HeaderOf(line);
    if (header != Section::kNone) {
      section_ = header;
      continue;
    }
    DropCarriageReturn(line);
    trim(line);
    if (!Take(FromFileText(line), err)) return false;
  }
  if (reader_->bad_line()) {
    *err = name_ + ": " + reader_->Problem() + ", so it does not look like a paths file";
    return false;
  }
  if (!reader_->failed()) return true;
  *err = "Cannot read paths file " + name_ + ": " + std::strerror(reader_->error());
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

bool ReadPathsFile(LineReader* reader, const std::string& name, const AddFolder& add,
                   PathsTables* tables, std::string* err) {
  bool read = Reader(reader, name, add, tables).Read(err);
  tables->ignore.Seal();
  return read;
}

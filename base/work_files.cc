#include "base/work_files.h"

#include "base/text.h"

namespace {

bool EndsWith(const std::string& name, const std::string& end) {
  return name.size() >= end.size() &&
         SameNoCase(name.substr(name.size() - end.size()), end, end.size());
}

// "dirN.txt" for any number N.
bool IsListingName(const std::string& name) {
  if (name.size() < 8 || !SameNoCase(name, "dir", 3) || !EndsWith(name, ".txt"))
    return false;
  for (std::size_t i = 3; i + 4 < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::string ListingName(int number) {
  char name[kListingNameSize];
  FormatListingName(number, name);
  return name;
}

void FormatListingName(int number, char* name) {
  char digits[16];
  int count = 0;
  unsigned value = number > 0 ? static_cast<unsigned>(number) : 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  for (const char* text = "dir"; *text;) *name++ = *text++;
  while (count > 0) *name++ = digits[--count];
  for (const char* text = ".txt"; (*name++ = *text++);) {
  }
}

std::string LockName(const std::string& library) {
  return library + ".lock";
}

std::string PartName(const std::string& library) {
  return library + ".part";
}

std::string PlayedName(const std::string& library) {
  return library + ".played";
}

std::string SetAsideName(const std::string& record, int number) {
  return record + ".bad" + (number > 1 ? "." + std::to_string(number) : "");
}

std::string TagsName(const std::string& library) {
  return library + ".tags";
}

std::string UndoName(const std::string& record) {
  return record + ".undo";
}

bool IsWorkFileName(const std::string& name) {
  std::size_t cut = name.find_last_of("/\\");
  std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
  for (const char* work : {kMergeFile, kFolderLock, kPlaylistFile, kPlaylistUtf8File}) {
    std::string fixed = work;
    if (base.size() == fixed.size() && SameNoCase(base, fixed, fixed.size())) return true;
  }
  return IsListingName(base) || EndsWith(base, ".lock") || EndsWith(base, ".part") ||
         EndsWith(base, ".played") || EndsWith(base, ".undo") || EndsWith(base, ".tags");
}

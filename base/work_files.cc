#include "base/work_files.h"

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

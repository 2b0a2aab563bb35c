// The least work there is to read a collection's tags: one thread that opens
// each file of the list on standard input once with TagLib and reads its
// tags and length. Prints how many files it read and how many of them had a
// length.
#include <fileref.h>
#include <tag.h>

#include <cstdio>
#include <iostream>
#include <string>

int main() {
  long files = 0, timed = 0;
  for (std::string name; std::getline(std::cin, name);) {
    TagLib::FileRef file(name.c_str(), true, TagLib::AudioProperties::Fast);
    ++files;
    if (file.isNull() || !file.audioProperties()) continue;
    TagLib::Tag* tag = file.tag();
    if (tag && !tag->artist().isEmpty() && file.audioProperties()->lengthInMilliseconds() > 0)
      ++timed;
  }
  std::printf("%ld files, %ld with tags and a length\n", files, timed);
  return 0;
}

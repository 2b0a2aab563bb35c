// The option scan over arbitrary argument vectors: NUL bytes split the input
// into arguments.
#include <string>
#include <vector>

#include "base/state.h"
#include "fuzz/fuzz_util.h"
#include "source/modes.h"
#include "source/options.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words = {"songwhim"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  words.push_back(word);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int mode = kMakePlaylist;
  Library = "library.txt";
  Paths = "paths.ini";
  PlaylistChoice choice;
  BuildChoice build;
  ScanOptions(static_cast<int>(words.size()), argv.data(), &mode, &choice, &build);
  FUZZ_CHECK(choice.many > 0);
  FUZZ_CHECK(mode == kMakePlaylist || mode == kBuildLibrary);
  return 0;
}

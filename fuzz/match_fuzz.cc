// Texts of -only and -skip against arbitrary bytes: the first line of the
// input is the text, the others the lines looked in. Each line is matched
// as a plain reference does it, letter by letter with its marks, and the
// search over all the lines never passes over one that holds the text.
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/text_pattern.h"
#include "base/unicode_fold.h"
#include "fuzz/fuzz_util.h"

namespace {

// A letter and the marks that go with it.
struct Letter {
  char32_t base;
  std::u32string marks;
};

std::vector<Letter> Letters(std::string_view text) {
  std::u32string folded;
  FoldUnicode(text, &folded);
  std::vector<Letter> letters;
  for (char32_t c : folded) {
    if (IsCombiningMark(c) && !letters.empty()) {
      letters.back().marks += c;
    } else {
      letters.push_back({c, {}});
    }
  }
  return letters;
}

// The rule as a person states it: letter after letter, the same letter, and
// the same marks where the text gives any.
bool HoldsPlainly(std::string_view pattern, std::string_view line) {
  if (!IsUtf8(pattern) || !IsUtf8(line)) {
    std::string folded_pattern, folded_line;
    FoldInto(pattern, &folded_pattern);
    FoldInto(line, &folded_line);
    return folded_line.find(folded_pattern) != std::string::npos;
  }
  std::vector<Letter> wanted = Letters(pattern), letters = Letters(line);
  for (std::size_t at = 0; at + wanted.size() <= letters.size(); ++at) {
    std::size_t n = 0;
    while (n < wanted.size() && letters[at + n].base == wanted[n].base &&
           (wanted[n].marks.empty() || wanted[n].marks == letters[at + n].marks))
      ++n;
    if (n == wanted.size()) return true;
  }
  return wanted.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t end = input.find('\n');
  if (end == std::string_view::npos) return 0;
  std::string_view text = input.substr(0, end), lines = input.substr(end + 1);
  // A text that begins with a mark has no letter for it to go with.
  std::u32string folded;
  if (IsUtf8(text)) FoldUnicode(text, &folded);
  bool plain = folded.empty() || !IsCombiningMark(folded[0]);
  TextPattern pattern(text);
  std::size_t candidate = pattern.Candidate(lines);
  bool found = false;
  for (std::size_t start = 0; start < lines.size();) {
    std::size_t stop = lines.find('\n', start);
    if (stop == std::string_view::npos) stop = lines.size();
    std::string_view line = lines.substr(start, stop - start);
    bool in = pattern.In(line);
    if (plain) FUZZ_CHECK(in == HoldsPlainly(text, line));
    // The search stops at the first line that holds it, or before.
    if (in && !found) FUZZ_CHECK(candidate <= stop);
    found = found || in;
    start = stop + 1;
  }
  return 0;
}

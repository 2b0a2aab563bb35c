// Texts as -only and -skip find them: case in every script, both Unicode
// forms, marks given or left out, and what is not UTF-8 as bytes; and the
// search over many lines that passes over none that holds one.
#include "base/text_pattern.h"

#include <gtest/gtest.h>

namespace {

// "e" with a combining acute, "o" with a combining diaeresis.
const char kCombinedE[] = "e\xcc\x81";
const char kCombinedO[] = "o\xcc\x88";

TEST(TextPattern, CaseMarksAndFormsInEveryScript) {
  const struct {
    std::string text, line;
    bool in;
  } cases[] = {
      {"christmas", "/m/CHRISTMAS/01.mp3", true},
      {"bjork", "/m/Bj\xc3\xb6rk/01.mp3", true},
      {"bjork", std::string("/m/Bj") + kCombinedO + "rk/01.mp3", true},
      {"BJ\xc3\x96RK", std::string("/m/bj") + kCombinedO + "rk/01.mp3", true},
      {std::string("bj") + kCombinedO + "rk", "/m/BJ\xc3\x96RK/01.mp3", true},
      {"bj\xc3\xb6rk", "/m/Bjork/01.mp3", false},
      {"bj\xc3\xb6rk", "/m/Mot\xc3\xb6rhead \xc3\xb6/01.mp3", false},
      {"celine", "/m/C\xc3\xa9line Dion/01.mp3", true},
      {"c\xc3\xa9line", "/m/C\xc3\xa8line/01.mp3", false},
      {"pe\xc3\xb1"
       "a",
       "/m/pena/01.mp3", false},
      {"pena",
       "/m/PE\xc3\x91"
       "A/01.mp3",
       true},
      {"caf\xc3\xa9", std::string("/m/CAFE") + "\xcc\x81" + "/01.mp3", true},
      {"cafe", std::string("/m/caf") + kCombinedE + "/01.mp3", true},
      // Letters outside ASCII before the rarest one, and marks that fold into
      // others (U+0343 is U+0313).
      {"bjop3", "/mk/Bj\xc3\xb6p3", true},
      {"a\xcc\x93", "/m/A\xcd\x83/01.mp3", true},
      {"\xc3\xa9t\xc3\xa9", "/m/\xc3\x89T\xc3\x89/01.mp3", true},
      // Cyrillic, Greek and full case folding.
      {"\xd1\x80\xd0\xbe\xd0\xba", "/m/\xd0\xa0\xd0\xbe\xd0\xba/01.mp3", true},
      {"\xce\xbc\xce\xb1", "/m/\xce\x9c\xce\x91/01.mp3", true},
      {"strasse",
       "/m/Stra\xc3\x9f"
       "e/01.mp3",
       true},
      {"stra\xc3\x9f"
       "e",
       "/m/STRASSE/01.mp3", true},
      {"a\xc3\x9f",
       "/m/tra\xc3\x9f"
       "e/01.mp3",
       true},
      // A Hangul syllable does not match part of another, in either form.
      {"\xed\x95\x9c", "/m/\xed\x95\x9c\xea\xb5\xad/01.mp3", true},
      {"\xed\x95\x98", "/m/\xed\x95\x9c\xea\xb5\xad/01.mp3", false},
      {"\xed\x95\x9c", "/m/\xe1\x84\x92\xe1\x85\xa1\xe1\x86\xab/01.mp3", true},
      {"\xe6\x97\xa5\xe6\x9c\xac", "/m/\xe6\x97\xa5\xe6\x9c\xac/01.mp3", true},
      // Not UTF-8: bytes, ASCII letters in either case.
      {"latin\xe9", "/m/LATIN\xe9/01.mp3", true},
      {"latin\xc9", "/m/latin\xe9/01.mp3", false},
      {"latin", "/m/LATIN\xe9/01.mp3", true},
      {"\xc3\xa9", "/m/\xe9t\xe9/01.mp3", false},
      {"", "/m/any.mp3", true},
      {"x", "", false},
  };
  for (const auto& c : cases) {
    TextPattern pattern(c.text);
    EXPECT_EQ(c.in, pattern.In(c.line)) << c.text << " in " << c.line;
    // Among many other lines, the search never passes over it.
    std::string many(5000, 'a');
    for (std::size_t n = 99; n < many.size(); n += 100) many[n] = '\n';
    std::size_t at = many.size();
    many += c.line + "\n" + many;
    if (c.in) {
      EXPECT_LE(pattern.Candidate(many), at + c.line.size()) << c.text;
    }
  }
}

TEST(TextPattern, CandidatesAreFoundAtTheSpeedOfTheRarestByte) {
  TextPattern pattern("x 7");
  pattern.Tune(std::vector<long>(256, 1));
  EXPECT_EQ(6u, pattern.Candidate("/m/xx X 7/a.mp3\n"));
  EXPECT_EQ(std::string::npos, pattern.Candidate("/m/x7 x  7/a.mp3\n"));
  EXPECT_EQ(11u, pattern.Candidate("/m/a/b\n/\xc3\xa9/x 7\n"));
  // A letter that folds into the rarest one, or the rarest one beside text
  // outside ASCII, is where a line may hold it.
  TextPattern bjork("bjork");
  std::vector<long> counts(256, 1000000);
  counts['j'] = counts['J'] = 1;
  for (int c = 0x80; c < 0x100; ++c) counts[c] = 0;
  bjork.Tune(counts);
  EXPECT_EQ(7u, bjork.Candidate("/m/a\n/Bj\xc3\xb6rk/\n"));
  EXPECT_EQ(3u, bjork.Candidate("/m/\xc4\xb5\n/m/bjork\n"));
  EXPECT_EQ(std::string::npos, bjork.Candidate("/m/bjoxy\xc3\xa9\n/m/bjor\n"));
  EXPECT_EQ(std::string::npos, TextPattern("\xc3\xa9").Candidate("/m/e/a.mp3\n"));
  // Found by the last byte of a form, a line is read on past it.
  TextPattern marked("bj\xc3\xb6rk");
  counts[0xc3] = 1000000000;
  marked.Tune(counts);
  EXPECT_FALSE(marked.In("/m/Mot\xc3\xb6rhead \xc3\xb6/01.mp3"));
  EXPECT_TRUE(marked.In("/m/Mot\xc3\xb6rhead/Bj\xc3\x96rk/01.mp3"));
}

}  // namespace

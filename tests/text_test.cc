// The small pieces every module leans on: comparison, line reading, trimming.
#include "source/text.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "library/library.h"
#include "source/state.h"
#include "tests/scratch_file.h"

namespace {

TEST(SameNoCase, KeywordLengthDecidesBetweenPrefixAndWholeWord) {
  EXPECT_TRUE(SameNoCase("-TRACKS5", "-tracks", 7));
  EXPECT_TRUE(SameNoCase("-Paths", "-paths", 8));
  EXPECT_FALSE(SameNoCase("-pathsx", "-paths", 8));
  EXPECT_FALSE(SameNoCase("-path", "-paths", 8));
  EXPECT_TRUE(SameNoCase("[FILETYPE]", "[file", 5));
  EXPECT_FALSE(SameNoCase("[fil", "[file", 5));
  EXPECT_TRUE(SameNoCase("", "", 3));
  EXPECT_FALSE(SameNoCase("m", "mp3", 3));
  // A NUL byte ends a text, as it always has for names.
  EXPECT_TRUE(SameNoCase(std::string("mp\0x", 4), "mp", 3));
  // Only ASCII letters fold.
  EXPECT_FALSE(SameNoCase("\xc9", "\xe9", 1));
  EXPECT_TRUE(SameNoCase("[\\]", "[\\]", 3));
}

TEST(LineReader, GivesWholeLinesOfAnyLengthWithNulBytesAndRewinds) {
  ScratchFile scratch;
  std::FILE* file = scratch.get();
  std::string long_line(200000, 'x');
  std::string text = "a\n" + long_line + "\n" + std::string("n\0l\n", 4) + "\nlast";
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  LineReader reader(file);
  std::string line;
  std::vector<std::string> lines;
  while (reader.Next(&line)) lines.push_back(line);
  EXPECT_FALSE(reader.failed());
  ASSERT_EQ(5u, lines.size());
  EXPECT_EQ("a\n", lines[0]);
  EXPECT_EQ(long_line + "\n", lines[1]);
  EXPECT_EQ(std::string("n\0l\n", 4), lines[2]);
  EXPECT_EQ("\n", lines[3]);
  EXPECT_EQ("last", lines[4]);
  reader.Rewind();
  EXPECT_TRUE(reader.Next(nullptr));
  EXPECT_TRUE(reader.Next(&line));
  EXPECT_EQ(long_line + "\n", line);
}

TEST(Trim, RemovesBlanksAtBothEndsAndLineFeedsOnlyAtTheEnd) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"\t a b \t\n", "a b"},
      {"   ", ""},
      {"\n", ""},
      {"", ""},
      {"a\r\n", "a\r"},
      {"\na", "\na"},
      {" \t\n x", "\n x"},
      {"D:\\Music\\ \t", "D:\\Music\\"},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    trim(s);
    EXPECT_EQ(c.out, s) << "from [" << c.in << "]";
  }
}

TEST(IsWanted, FileTypeBeforeTheLastCharacterAndIgnorePrefixes) {
  Allow = {"mp3", "lac", "xy"};
  Remove = {"d:\\music\\old"};
  EXPECT_TRUE(IsWanted("D:\\Music\\a.mp3\n"));
  EXPECT_TRUE(IsWanted("D:\\Music\\b.MP3\n"));
  EXPECT_TRUE(IsWanted("D:\\Music\\c.flac\n"));
  EXPECT_FALSE(IsWanted("D:\\Music\\c.wav\n"));
  EXPECT_FALSE(IsWanted("D:\\Music\n"));
  EXPECT_FALSE(IsWanted("D:\\Music\\a.xy\n"));  // a two-character entry matches nothing
  EXPECT_FALSE(IsWanted("D:\\Music\\Old\\a.mp3\n"));
  EXPECT_FALSE(IsWanted("D:\\Music\\Oldies\\a.mp3\n"));
  EXPECT_FALSE(IsWanted("mp3"));
  EXPECT_TRUE(IsWanted("/mp3\n"));
  Allow.clear();
  Remove.clear();
  EXPECT_FALSE(IsWanted("D:\\Music\\a.mp3\n"));
}

}  // namespace

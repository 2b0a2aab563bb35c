// The small pieces every module leans on: comparison, line reading, trimming.
#include "base/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "base/line_reader.h"
#include "base/shared_work.h"
#include "base/state.h"
#include "library/filter.h"
#include "library/paths_file.h"
#include "platform/encoding.h"
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

// A scratch file holding `text`, rewound for reading.
std::FILE* Holding(const ScratchFile& scratch, const std::string& text) {
  std::FILE* file = scratch.get();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  return file;
}

TEST(LineReader, GivesWholeLinesUpToTheBoundAndRewinds) {
  ScratchFile scratch;
  std::string longest(kMaxLine, 'x');
  std::string text = "a\n" + longest + "\n\nlast";
  LineReader reader(Holding(scratch, text));
  std::string line;
  std::vector<std::string> lines;
  while (reader.Next(&line)) lines.push_back(line);
  EXPECT_EQ(LineReader::kOk, reader.status());
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("a\n", lines[0]);
  EXPECT_EQ(longest + "\n", lines[1]);
  EXPECT_EQ("\n", lines[2]);
  EXPECT_EQ("last", lines[3]);
  EXPECT_EQ(4, reader.lines());
  EXPECT_EQ(static_cast<long long>(text.size()), reader.offset());
  reader.Rewind();
  EXPECT_TRUE(reader.Next(nullptr));
  EXPECT_EQ(2, reader.offset());
  EXPECT_TRUE(reader.Next(&line));
  EXPECT_EQ(longest + "\n", line);
}

TEST(LineReader, PassesOverLinesManyAtATime) {
  ScratchFile scratch;
  std::string text;
  for (int n = 1; n <= 30000; ++n) text += "line " + std::to_string(n) + "\n";
  LineReader reader(Holding(scratch, text + "last"));
  EXPECT_EQ(0, reader.PassOver(0));
  EXPECT_EQ(12345, reader.PassOver(12345));
  std::string line;
  EXPECT_TRUE(reader.Next(&line));
  EXPECT_EQ("line 12346\n", line);
  // The last line lacks its line feed and still counts.
  EXPECT_EQ(30000 - 12346 + 1, reader.PassOver(1 << 30));
  EXPECT_EQ(30001, reader.lines());
  EXPECT_EQ(static_cast<long long>(text.size() + 4), reader.offset());
  EXPECT_EQ(0, reader.PassOver(5));
  EXPECT_EQ(LineReader::kOk, reader.status());
}

TEST(LineReader, StopsAtALineTooLongOrHoldingANulByte) {
  struct Case {
    std::string text;
    LineReader::Status status;
    std::string problem;
  };
  const Case cases[] = {
      {"ok\n" + std::string(kMaxLine + 1, 'x') + "\nafter\nit\n", LineReader::kTooLong,
       "line 2 is longer than 65536 bytes"},
      // Without a line end at all, as a large binary file may be.
      {std::string(3 * kMaxLine, 'x'), LineReader::kTooLong,
       "line 1 is longer than 65536 bytes"},
      {"a\nb\n" + std::string("n\0l\n", 4), LineReader::kNulByte,
       "line 3 holds a NUL byte"},
      // In the second buffer's worth, after a line that spans the first.
      {std::string(60000, 'y') + "\n" + std::string(10000, 'z') + std::string(1, '\0'),
       LineReader::kNulByte, "line 2 holds a NUL byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    for (int way = 0; way < 4; ++way) {  // lines passed over are checked too
      ScratchFile scratch;
      LineReader reader(Holding(scratch, c.text), kMaxLine, /*wide=*/way == 3);
      std::string line;
      std::string_view batch[8];
      if (way == 2) reader.PassOver(1000);
      while (way == 3 && reader.NextBatch(batch, 8) > 0) {
      }
      while (way < 2 && reader.Next(way == 0 ? &line : nullptr)) {
      }
      EXPECT_EQ(c.status, reader.status());
      EXPECT_TRUE(reader.bad_line());
      EXPECT_FALSE(reader.failed());
      EXPECT_EQ(c.problem, reader.Problem());
      EXPECT_FALSE(reader.Next(&line));
      // Reading on passes nothing more, and the bad line keeps its number.
      EXPECT_EQ(0, reader.PassOver(1000));
      EXPECT_EQ(c.problem, reader.Problem());
    }
  }
}

TEST(LineReader, BatchesAndSearchesGiveTheLinesNextGives) {
  // Lines long enough to span fills of the buffer, and a last one unended.
  std::string text;
  for (int n = 1; n <= 3000; ++n)
    text += std::string(n % 97 == 0 ? 70000 : n % 13, 'x') + std::to_string(n) + "\n";
  text += "last7";
  auto with_seven = [](std::string_view line) {
    return line.find('7') != std::string_view::npos;
  };
  std::vector<std::string> all, seven;
  LineReader plain = LineReader::OfText(text, 1 << 17);
  for (std::string line; plain.Next(&line);) {
    all.push_back(line);
    if (with_seven(line)) seven.push_back(line);
  }
  LineReader batched = LineReader::OfText(text, 1 << 17);
  std::vector<std::string> got;
  std::string_view lines[16];
  while (std::size_t count = batched.NextBatch(lines, 16))
    got.insert(got.end(), lines, lines + count);
  EXPECT_EQ(all, got);
  // A wide reader keeps each batch whole while it reads the next, here too
  // when a line that spans two fills (its buffer holds one and a half of the
  // longest lines, 192 KiB here) comes before the unended last line.
  std::string spans = "";
  for (int n = 0; n < 1500; ++n) spans += std::string(99, 'y') + "\n";
  spans += std::string(99999, 'z') + "\nlast7";
  for (const std::string& wide_text : {text, spans}) {
    std::vector<std::string> each;
    LineReader plain_again = LineReader::OfText(wide_text, 1 << 17);
    for (std::string line; plain_again.Next(&line);) each.push_back(line);
    ScratchFile scratch;
    LineReader wide(Holding(scratch, wide_text), 1 << 17, /*wide=*/true);
    got.clear();
    std::string_view last[16];
    std::size_t last_count = 0;
    while (std::size_t count = wide.NextBatch(lines, 16)) {
      got.insert(got.end(), last, last + last_count);
      std::copy(lines, lines + count, last);
      last_count = count;
    }
    got.insert(got.end(), last, last + last_count);
    EXPECT_EQ(each, got);
  }
  LineReader searched = LineReader::OfText(text, 1 << 17);
  got.clear();
  auto find = [](std::string_view block) { return block.find('7'); };
  for (std::string_view line; searched.NextWhere(find, &line);) {
    if (with_seven(line)) got.emplace_back(line);
  }
  EXPECT_EQ(seven, got);
  EXPECT_EQ(plain.lines(), searched.lines());
  // Lines passed over unseen are checked all the same.
  std::string binary = text.substr(0, 500) + std::string(1, '\0') + "\n7\n";
  LineReader bad = LineReader::OfText(binary);
  while (bad.NextWhere(find, &lines[0])) {
  }
  EXPECT_EQ(LineReader::kNulByte, bad.status());
  EXPECT_EQ("line 59 holds a NUL byte", bad.Problem());
  // Lines passed over are counted again from the file, when asked, and the
  // reading goes on where it was.
  ScratchFile scratch;
  LineReader from_file(Holding(scratch, text), 1 << 17);
  std::string_view line;
  ASSERT_TRUE(from_file.NextWhere(find, &line));
  EXPECT_EQ(7, from_file.lines());
  while (from_file.NextWhere(find, &line)) {
  }
  EXPECT_EQ(plain.lines(), from_file.lines());
  ScratchFile bad_scratch;
  LineReader bad_file(Holding(bad_scratch, binary));
  while (bad_file.NextWhere(find, &line)) {
  }
  EXPECT_EQ("line 59 holds a NUL byte", bad_file.Problem());
}

TEST(SharedWork, EachItemOnceAndFailuresComeOut) {
  SharedWork work;
  std::vector<int> times;
  SharedWork::Work count = [&](std::size_t begin, std::size_t end) {
    for (std::size_t n = begin; n < end; ++n) ++times[n];
  };
  // Short jobs, then a long pass (the helper joins in), then short ones again.
  for (std::size_t items : {0, 1, 255, 256, 257, 300000, 100000, 511, 512, 513, 5000}) {
    times.assign(items, 0);
    work.Begin(items, count);
    if (items > 512 && std::thread::hardware_concurrency() > 1) {
      EXPECT_TRUE(work.shared()) << items << " items";
    }
    work.Finish();
    EXPECT_EQ(std::vector<int>(items, 1), times) << items << " items";
  }
  // Whichever thread meets the failure, Finish throws it, and the next job
  // runs as ever.
  SharedWork::Work fail = [](std::size_t begin, std::size_t end) {
    if (begin <= 7000 && 7000 < end) throw std::runtime_error("item 7000");
  };
  work.Begin(10000, fail);
  EXPECT_THROW(work.Finish(), std::runtime_error);
  times.assign(5000, 0);
  work.Begin(5000, count);
  work.Finish();
  EXPECT_EQ(std::vector<int>(5000, 1), times);
}

TEST(ToPlaylistLine, APathAPlayerWouldReadAsAnotherUriBecomesAFileUri) {
  struct Case {
    const char* path;
    const char* posix;  // what it becomes on POSIX; on Windows it stays
  };
  const Case cases[] = {
      {"/m/plain name.mp3", "/m/plain name.mp3"},
      {"/m/100% Pure.mp3", "/m/100% Pure.mp3"},
      {"/m/Bj\xc3\xb6rk.mp3", "/m/Bj\xc3\xb6rk.mp3"},
      {"/m/lat\xe9n.mp3", "/m/lat\xe9n.mp3"},
      {"/m/#1 Hits/Why?.mp3", "file:///m/%231%20Hits/Why%3F.mp3"},
      {"/m/a%20b~_-.mp3", "file:///m/a%2520b~_-.mp3"},
      {"/m/Bj\xc3\xb6rk #1.mp3", "file:///m/Bj%C3%B6rk%20%231.mp3"},
      {"relative #1.mp3", "relative #1.mp3"},
  };
  for (const Case& c : cases) {
#ifdef _WIN32
    EXPECT_EQ(c.path, ToPlaylistLine(c.path));
#else
    EXPECT_EQ(c.posix, ToPlaylistLine(c.path));
#endif
  }
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
  Allow = AllowTable({"MP3", "lac", "xy", "mp3"});
  Remove =
      PrefixSet({"D:\\Music\\Old\\Live", "d:\\music\\old", "/a/b", "/a/c", "/a/bbc"});
  EXPECT_FALSE(IsWanted("/a/bb/x.mp3\n"));
  EXPECT_FALSE(IsWanted("/a/c.mp3\n"));
  EXPECT_TRUE(IsWanted("/a/a.mp3\n"));
  EXPECT_TRUE(IsWanted("/a/d.mp3\n"));
  EXPECT_TRUE(IsWanted("/a.mp3\n"));
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
  Remove = PrefixSet();
  EXPECT_FALSE(IsWanted("D:\\Music\\a.mp3\n"));
}

}  // namespace

// Tag index lines and headers: whatever a line holds, a number is the one
// written or none, never an overflow; whatever a tag holds, its field is
// blanked and bounded; any change of a byte changes the checksum; and an
// index of an earlier revision is told from this one.
#include "base/tag_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace {

// The fields of `line`, which must outlive them.
IndexFields Split(const std::string& line) {
  IndexFields fields;
  EXPECT_TRUE(SplitIndexLine(line, &fields)) << line;
  return fields;
}

TEST(IndexFields, NumberIsTheDigitsOrNone) {
  const struct {
    const char* text;
    long long number;
  } cases[] = {
      {"", -1},
      {"0", 0},
      {"1999", 1999},
      {"9223372036854775807", LLONG_MAX},
      {"9223372036854775808", -1},
      {"44444444444444444444", -1},
      {"00000000000000000000042", 42},
      {"-5", -1},
      {"+5", -1},
      {"19x9", -1},
      {" 1999", -1},
  };
  for (const auto& c : cases) {
    std::string line = std::string(8, '\t') + c.text + "\t\t/m/a.mp3\n";
    EXPECT_EQ(c.number, Split(line).Number(kYear, -1)) << '"' << c.text << '"';
  }
}

TEST(IndexFields, StampsOfEveryTimeReadBackAsWritten) {
  for (long long time :
       {LLONG_MIN, -315619200000000000LL, -1LL, 0LL, 1700000000123456789LL, LLONG_MAX}) {
    FileStamp stamp{4096, time};
    std::string line = IndexLine(stamp, nullptr, "/m/a.mp3");
    EXPECT_TRUE(Split(line).Stamp() == stamp) << line;
  }
  // A field that holds no number gives a stamp that matches no file.
  for (std::string line :
       {"12\t\t\t\t\t\t\t\t\t\tp", "12\t-\t\t\t\t\t\t\t\t\tp",
        "12\t-9223372036854775809\t\t\t\t\t\t\t\t\tp", "-1\t5\t\t\t\t\t\t\t\t\tp"})
    EXPECT_EQ(-1, Split(line).Stamp().size) << line;
}

TEST(ListingStamp, ReadBackAsWrittenBeforeAPathThatHoldsTabs) {
  for (FileStamp stamp : {FileStamp{0, LLONG_MIN}, FileStamp{4096, -1},
                          FileStamp{LLONG_MAX, LLONG_MAX}, FileStamp()}) {
    std::string line;
    AppendStamp(stamp, &line);
    line += "/m/a\tb\t.mp3\n";
    FileStamp read{7, 7};
    std::string_view rest;
    ASSERT_TRUE(SplitStamp(line, &read, &rest)) << line;
    EXPECT_TRUE(read == stamp) << line;
    EXPECT_EQ("/m/a\tb\t.mp3\n", rest);
  }
  FileStamp read;
  std::string_view rest;
  EXPECT_FALSE(SplitStamp("/m/a.mp3\n", &read, &rest));
  // A stamp that is no number is none.
  ASSERT_TRUE(SplitStamp("12\tx\t/m/a.mp3\n", &read, &rest));
  EXPECT_EQ(-1, read.size);
}

}  // namespace

namespace {

TEST(IndexLine, TagsAreBlankedAndCutWhereACharacterEnds) {
  const std::string kLong(kMaxTagField, 'x');
  const struct {
    std::string tag, field;
  } cases[] = {
      {"a\tb\nc\rd", "a b c d"},
      // DEL, a C1 control (NEL), the line and paragraph separators.
      {"a\x7f"
       "b\xc2\x85"
       "c\xe2\x80\xa8"
       "d\xe2\x80\xa9"
       "e",
       "a b c d e"},
      // Letters that merely share those bytes stay.
      {"\xc2\xa0\xe2\x80\x99\xc3\x85", "\xc2\xa0\xe2\x80\x99\xc3\x85"},
      {kLong + "y", kLong},
      {kLong.substr(2) + "\xc3\xa9", kLong.substr(2) + "\xc3\xa9"},
      {kLong.substr(1) + "\xc3\xa9", kLong.substr(1)},
      {kLong.substr(3) + "\xf0\x9f\x8e\xb5", kLong.substr(3)},
      {kLong.substr(4) + "\xf0\x9f\x8e\xb5", kLong.substr(4) + "\xf0\x9f\x8e\xb5"},
  };
  for (const auto& c : cases) {
    TrackTags tags;
    tags.title = c.tag;
    tags.genre = c.tag + c.tag;
    std::string line = IndexLine(FileStamp{1, 2}, &tags, std::string(kMaxLine, 'p'));
    EXPECT_LE(line.size(), kMaxIndexLine + 1);
    IndexFields fields;
    ASSERT_TRUE(SplitIndexLine(line, &fields));
    EXPECT_EQ(c.field, fields[kTitle]) << c.tag;
    EXPECT_LE(fields[kGenre].size(), kMaxTagField);
  }
}

TEST(Checksum, EveryByteCountsInPiecesOfAnySize) {
  for (std::size_t size : {1, 31, 32, 33, 95, 96, 100}) {
    std::string text(size, 'a');
    for (std::size_t n = 0; n < size; ++n) text[n] = static_cast<char>('a' + n % 26);
    auto sum = [](const std::string& bytes, std::size_t piece) {
      Checksum checksum;
      for (std::size_t at = 0; at < bytes.size(); at += piece)
        checksum.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
      return checksum.value();
    };
    std::uint64_t whole = sum(text, size);
    for (std::size_t piece : {1, 7, 32}) EXPECT_EQ(whole, sum(text, piece));
    for (std::size_t at = 0; at < size; ++at) {
      for (int bit = 0; bit < 8; ++bit) {
        std::string edited = text;
        edited[at] = static_cast<char>(edited[at] ^ (1 << bit));
        EXPECT_NE(whole, sum(edited, 5))
            << size << " bytes, byte " << at << ", bit " << bit;
      }
    }
    EXPECT_NE(whole, sum(text + '\0', size));
  }
}

TEST(IndexHeader, ThisRevisionIsReadAndAnEarlierOneKnown) {
  std::size_t at = 0;
  std::string header = IndexHeader(FileStamp{4096, -7}, &at);
  header.replace(at, 16, ChecksumText(0xfeed));
  std::uint64_t checksum = 0;
  FileStamp library;
  ASSERT_TRUE(ReadIndexHeader(header, &checksum, &library)) << header;
  EXPECT_EQ(0xfeedu, checksum);
  EXPECT_TRUE(library == (FileStamp{4096, -7}));
  EXPECT_FALSE(IsEarlierIndexHeader(header));
  std::string earlier = header.substr(0, header.rfind('\t')) + "\n";
  EXPECT_TRUE(IsEarlierIndexHeader(earlier));
  for (const std::string& none : {earlier, header.substr(0, header.size() - 2) + "3\n",
                                  std::string("songwhim tags 1\n"),
                                  header.substr(0, at) + "feed" + header.substr(at + 16)})
    EXPECT_FALSE(ReadIndexHeader(none, &checksum, &library)) << none;
}

}  // namespace

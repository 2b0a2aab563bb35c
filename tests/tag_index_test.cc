// Numbers and stamps read back from tag index lines: whatever a line holds,
// a number is the one written or none, never an overflow.
#include "base/tag_index.h"

#include <gtest/gtest.h>

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

}  // namespace

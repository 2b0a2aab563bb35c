// Walks through the library file, checked against the arithmetic they must
// follow: k steps from line p land on line ((p - 1 + k) mod L) + 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

#include "base/state.h"
#include "playlist/random_walk.h"
#include "tests/scratch_file.h"

namespace {

class WalkTest : public testing::Test {
 protected:
  // Opens a library of `lines` numbered lines; the last may lack its newline.
  LibraryCursor Open(int lines, bool last_newline = true) {
    scratch_ = std::make_unique<ScratchFile>();
    std::FILE* file = scratch_->get();
    for (int i = 1; i <= lines; ++i) {
      std::fprintf(file, "line %d%s", i, (i < lines || last_newline) ? "\n" : "");
    }
    std::rewind(file);
    reader_ = std::make_unique<LineReader>(file);
    return LibraryCursor(reader_.get());
  }

  std::unique_ptr<ScratchFile> scratch_;
  std::unique_ptr<LineReader> reader_;
};

TEST_F(WalkTest, LandsWhereTheArithmeticSaysForManySizesAndSteps) {
  std::mt19937 draws(7);
  for (int lines : {1, 2, 3, 499, 500, 501, 1000, 12000}) {
    for (bool newline : {true, false}) {
      SCOPED_TRACE(testing::Message() << lines << " lines, newline " << newline);
      LibraryCursor cursor = Open(lines, newline);
      long long position = 0;  // the first walk starts before line 1
      for (int walk = 0; walk < 60; ++walk) {
        int steps = static_cast<int>(draws() % 10000) + 500;
        Walk(&cursor, steps);
        position = (position - 1 + steps) % lines + 1;
        std::string expected = "line " + std::to_string(position);
        if (position < lines || newline) expected += "\n";
        ASSERT_EQ(expected, Path) << "walk " << walk << " of " << steps << " steps";
        ASSERT_EQ(0, CCount);
      }
    }
  }
}

// The walk as first written: one line at a time, back to the start at the end.
std::string StepByStep(std::FILE* file, int steps) {
  char line[64];
  for (int i = 0; i < steps; ++i) {
    if (!std::fgets(line, sizeof line, file)) {
      std::rewind(file);
      if (!std::fgets(line, sizeof line, file)) return "";
    }
  }
  return line;
}

TEST_F(WalkTest, SkippingWholeTurnsPicksWhatStepByStepWalksPick) {
  std::mt19937 draws(3);
  for (int lines : {1, 7, 1000}) {
    SCOPED_TRACE(lines);
    LibraryCursor cursor = Open(lines);
    ScratchFile scratch;
    std::FILE* reference = scratch.get();
    for (int i = 1; i <= lines; ++i) std::fprintf(reference, "line %d\n", i);
    std::rewind(reference);
    for (int walk = 0; walk < 100; ++walk) {
      int steps = static_cast<int>(draws() % 10000) + 500;
      Walk(&cursor, steps);
      ASSERT_EQ(StepByStep(reference, steps), Path) << "walk " << walk;
    }
  }
}

TEST_F(WalkTest, ShortWalksStepOneLineAtATimeAndWrap) {
  LibraryCursor cursor = Open(3);
  const char* expected[] = {"line 1\n", "line 2\n", "line 3\n", "line 1\n", "line 2\n"};
  for (const char* line : expected) {
    Walk(&cursor, 1);
    EXPECT_EQ(line, Path);
  }
  Walk(&cursor, 3);  // a whole turn comes back to the same line
  EXPECT_EQ("line 2\n", Path);
  Walk(&cursor, 0);
  EXPECT_EQ("line 2\n", Path);
}

TEST_F(WalkTest, EmptyFileEndsTheWalkAtOnce) {
  LibraryCursor cursor = Open(0);
  Walk(&cursor, 10499);
  EXPECT_TRUE(cursor.empty);
  EXPECT_EQ(0, CCount);
}

}  // namespace

// The fair shuffle, drawn many times with a fixed seed: how often each line is
// picked, which line comes first, and which sets and orders come out must
// pass a chi-square test at p = 0.001.
#include "playlist/shuffle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "tests/scratch_file.h"
#include "tests/statistics.h"

namespace {

class ShuffleTest : public testing::Test {
 protected:
  // A library of `lines` lines "0\n", "1\n", ...
  void Open(int lines) {
    scratch_ = std::make_unique<ScratchFile>();
    for (int n = 0; n < lines; ++n) std::fprintf(scratch_->get(), "%d\n", n);
  }

  std::vector<int> Draw(int many) {
    std::rewind(scratch_->get());
    LineReader reader(scratch_->get());
    std::vector<int> picks;
    for (const std::string& line : PickLines(&reader, many, &random_)) {
      picks.push_back(std::stoi(line));
    }
    EXPECT_EQ(LineReader::kOk, reader.status());
    return picks;
  }

  std::unique_ptr<ScratchFile> scratch_;
  std::mt19937_64 random_{20261209};
};

TEST_F(ShuffleTest, EveryLineIsPickedAndComesFirstEquallyOften) {
  const int lines = 12, draws = 24000;
  Open(lines);
  for (int many : {1, 5, 12, 20}) {
    SCOPED_TRACE(many);
    std::vector<double> included(lines), first(lines);
    for (int d = 0; d < draws; ++d) {
      std::vector<int> picks = Draw(many);
      ASSERT_EQ(static_cast<std::size_t>(std::min(many, lines)), picks.size());
      ASSERT_EQ(picks.size(), std::set<int>(picks.begin(), picks.end()).size());
      for (int pick : picks) included[pick] += 1;
      first[picks[0]] += 1;
    }
    EXPECT_LT(ChiSquare(first, draws / static_cast<double>(lines)), Critical(lines - 1));
    double share = std::min(many, lines) / static_cast<double>(lines);
    if (share < 1) {
      // Each count is binomial, not a multinomial cell: scale by 1 - share.
      double statistic = ChiSquare(included, draws * share) / (1 - share);
      EXPECT_LT(statistic, Critical(lines - 1));
    } else {
      for (double count : included) EXPECT_EQ(draws, count);
    }
  }
}

TEST_F(ShuffleTest, EverySetAndEveryOrderIsEquallyLikely) {
  Open(5);
  std::map<std::set<int>, double> sets;
  for (int d = 0; d < 20000; ++d) {
    std::vector<int> picks = Draw(2);
    sets[std::set<int>(picks.begin(), picks.end())] += 1;
  }
  ASSERT_EQ(10u, sets.size());
  std::vector<double> counts;
  for (const auto& [set, count] : sets) counts.push_back(count);
  EXPECT_LT(ChiSquare(counts, 2000), Critical(9));

  Open(4);
  std::map<std::vector<int>, double> orders;
  for (int d = 0; d < 24000; ++d) orders[Draw(4)] += 1;
  ASSERT_EQ(24u, orders.size());
  counts.clear();
  for (const auto& [order, count] : orders) counts.push_back(count);
  EXPECT_LT(ChiSquare(counts, 1000), Critical(23));
}

TEST_F(ShuffleTest, LinesFarIntoALargeLibraryArePicked) {
  Open(200000);
  int last_tenth = 0;
  for (int d = 0; d < 50; ++d) {
    for (int pick : Draw(20)) last_tenth += pick >= 180000;
  }
  // 1 000 picks, a tenth of them expected there: far from none.
  EXPECT_GT(last_tenth, 60);
  EXPECT_LT(last_tenth, 140);
}

TEST_F(ShuffleTest, EmptyLibraryAndNothingAskedForGiveNoPicks) {
  Open(0);
  EXPECT_TRUE(Draw(20).empty());
  Open(3);
  EXPECT_TRUE(Draw(0).empty());
}

}  // namespace

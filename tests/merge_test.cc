// The merge of the listing files, run in a folder of its own.
#include "library/merge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "base/state.h"
#include "base/work_files.h"

namespace fs = std::filesystem;

namespace {

class MergeTest : public testing::Test {
 protected:
  MergeTest() : before_(fs::current_path()) {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("songwhim-merge-" + std::to_string(random()));
    fs::create_directory(folder_);
    fs::current_path(folder_);
  }
  ~MergeTest() override {
    fs::current_path(before_);
    fs::remove_all(folder_);
    PCount = 0;
  }

  // Text files, with CR LF line ends on Windows, as the program writes them.
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(name) << text;
  }
  static std::string Read(const std::string& name) {
    std::ifstream in(name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path before_, folder_;
};

TEST_F(MergeTest, ListingsJoinInOrderAndEveryLastLineEndsInALineFeed) {
  struct Case {
    std::vector<std::string> listings;
    std::string merged;
  };
  const Case cases[] = {
      {{"a\nb\n", "c\n"}, "a\nb\nc\n"},
      {{"a\nb", "c", "", "d\n"}, "a\nb\nc\nd\n"},
      {{"", "x"}, "x\n"},
      {{std::string(3 << 20, 'y') + "\n", "z"}, std::string(3 << 20, 'y') + "\nz\n"},
  };
  for (const Case& c : cases) {
    PCount = static_cast<int>(c.listings.size());
    for (int n = 1; n <= PCount; ++n) Write(ListingName(n), c.listings[n - 1]);
    std::string err;
    ASSERT_TRUE(MergeListings(&err)) << err;
    EXPECT_TRUE(Read(kMergeFile) == c.merged) << Read(kMergeFile).size();
    for (int n = 1; n <= PCount; ++n) EXPECT_FALSE(fs::exists(ListingName(n)));
  }
}

}  // namespace

// A build watched on a terminal: the listing line counts the items as they
// come, and the finished screen reads exactly as the text written to a pipe.
#include <gtest/gtest.h>

#include <regex>

#include "tests/harness.h"

namespace {

// What a terminal of `columns` columns shows after `bytes`, its rows joined
// where the terminal wrapped them, blanks at their ends dropped.
std::string Screen(const std::string& bytes, int columns) {
  std::vector<std::string> rows(1);
  std::vector<bool> wrapped(1, false);
  std::size_t column = 0;
  auto next_row = [&](bool wrap) {
    rows.emplace_back();
    wrapped.push_back(wrap);
    column = 0;
  };
  for (char c : bytes) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      next_row(false);
    } else if (c == '\b') {
      if (column > 0) --column;
    } else {
      if (column == static_cast<std::size_t>(columns)) next_row(true);
      std::string& row = rows.back();
      if (row.size() <= column) row.resize(column + 1, ' ');
      row[column++] = c;
    }
  }
  std::string text;
  for (std::size_t n = 0; n < rows.size(); ++n) {
    if (n > 0 && !wrapped[n]) text += "\n";
    text += rows[n];
  }
  std::string trimmed;
  for (const std::string& line : Lines(text)) {
    trimmed += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  }
  return trimmed;
}

void MakeTree(const Sandbox& box, const std::string& folder) {
  for (int n = 0; n < 300; ++n) {
    box.Touch(folder + "/a" + std::to_string(n % 30) + "/t" + std::to_string(n) + ".mp3");
  }
}

TEST(Terminal, ListingLineCountsItemsAndReadsAsBeforeWhenDone) {
  SKIP_ON_WINDOWS("the count comes from the POSIX walk; Wine draws its own console");
  for (const std::string& folder : {std::string("m"), std::string(120, 'w')}) {
    SCOPED_TRACE(folder.size());
    Sandbox box;
    MakeTree(box, folder);
    box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At(folder) + "\n");
    Result piped = box.Run({"-build"});
    Result watched = box.RunOnTerminal({"-build"}, 80);
    EXPECT_EQ(0, watched.status);
    EXPECT_EQ(piped.out, Screen(watched.out, 80));
    // A count comes at once; later ones, if the walk takes long enough, write
    // over it.
    std::string line = "Creating Directory Listing 1 : " + box.At(folder) + " ";
    std::size_t at = watched.out.find(line);
    ASSERT_NE(std::string::npos, at) << watched.out;
    std::string count = watched.out.substr(at + line.size(), 16);
    EXPECT_TRUE(std::regex_search(count, std::regex("^[0-9]+ items\b"))) << count;
  }
}

TEST(Terminal, CountStartsTheNextRowWhenTheLineFillsOne) {
  SKIP_ON_WINDOWS("the count comes from the POSIX walk; Wine draws its own console");
  Sandbox box;
  std::string line = "Creating Directory Listing 1 : " + box.At("") + " ";
  std::string folder((160 - line.size() % 80) % 80 + 80, 'e');
  MakeTree(box, folder);
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At(folder) + "\n");
  Result watched = box.RunOnTerminal({"-build"}, 80);
  ASSERT_EQ(0u, (line.size() + folder.size()) % 80);
  std::size_t at = watched.out.find(line.substr(0, line.size() - 1) + folder + " ");
  ASSERT_NE(std::string::npos, at) << watched.out;
  EXPECT_TRUE(std::regex_search(watched.out.substr(at + line.size() + folder.size()),
                                std::regex("^[0-9]+ items\b")))
      << watched.out;
  EXPECT_EQ(box.Run({"-build"}).out, Screen(watched.out, 80));
}

TEST(Terminal, NoCountWhereItWouldNotFit) {
  SKIP_ON_WINDOWS("the count comes from the POSIX walk; Wine draws its own console");
  Sandbox box;
  std::string line = "Creating Directory Listing 1 : " + box.At("") + " ";
  // The line then ends six columns before the edge: too few for "30 items".
  std::size_t length = (74 + 80 - line.size() % 80) % 80;
  std::string folder(length > 2 ? length : length + 80, 'n');
  MakeTree(box, folder);
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At(folder) + "\n");
  Result watched = box.RunOnTerminal({"-build"}, 80);
  EXPECT_EQ(std::string::npos, watched.out.find("items")) << watched.out;
  EXPECT_EQ(box.Run({"-build"}).out, Screen(watched.out, 80));
}

}  // namespace

namespace {

TEST(Terminal, ACopyShowsHowItGoesAndTakesTheLineOffAtTheEnd) {
  SKIP_ON_WINDOWS("Wine draws its own console");
  Sandbox box;
  for (int n = 0; n < 5; ++n)
    box.Write("m/" + std::to_string(n) + ".mp3", std::string(5000, 'x'));
  box.Touch("stick/");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  ASSERT_EQ(0, box.Run({"-build"}).status);
  Result watched = box.RunOnTerminal({"-copy", box.At("stick")}, 80);
  EXPECT_EQ(0, watched.status);
  EXPECT_TRUE(std::regex_search(
      watched.out, std::regex("\rCopying 1 of 5 tracks, 5.0 KB of 25.0 KB at ")))
      << watched.out;
  std::string screen = Screen(watched.out, 80);
  EXPECT_EQ(std::string::npos, screen.find("Copying 1")) << screen;
  EXPECT_NE(std::string::npos,
            screen.find("\nCopied 5 tracks (25.0 KB), kept 0, removed 0 - 0 problems\n"))
      << screen;
}

}  // namespace

// The paths file reader on text in memory: what each section takes, when the
// [add] folders are handed on, and what stops the reading.
#include "library/paths_file.h"

#include <gtest/gtest.h>

namespace {

struct Read {
  bool ok = false;
  std::vector<std::string> folders;
  std::vector<long long> lines_read;  // lines read when each folder came
  PathsTables tables;
  std::string err;
};

Read ReadText(const std::string& text, int stop_at_folder = -1) {
  Read read;
  LineReader reader = LineReader::OfText(text);
  auto add = [&](const std::string& folder, std::string* err) {
    read.folders.push_back(folder);
    read.lines_read.push_back(reader.lines());
    if (static_cast<int>(read.folders.size()) != stop_at_folder) return true;
    *err = "stopped at " + folder;
    return false;
  };
  read.ok = ReadPathsFile(&reader, "p.ini", add, &read.tables, &read.err);
  return read;
}

using Lines = std::vector<std::string>;

TEST(PathsFile, SectionsTakeTheirEntriesAndHandFoldersOnAsTheyAreRead) {
  Read read = ReadText(
      "ignored before any header\n"
      "[FILES]\r\n*.mp3\r\nx\n\nab\n"
      "[Add] trailing words\n  D:\\Music \t\nC:\n  [add]\n"
      "[ignore]\n  [add]\nXY\nd:\\old\n"
      "[add]\n/last");
  ASSERT_TRUE(read.ok) << read.err;
  EXPECT_EQ((Lines{"D:\\Music", "[add]", "/last"}), read.folders);
  // Each folder is listed before the next line is read.
  EXPECT_EQ((std::vector<long long>{8, 10, 16}), read.lines_read);
  EXPECT_EQ((Lines{"[add]", "d:\\old"}), read.tables.ignore.Sorted());
  EXPECT_EQ((Lines{"mp3", "ab"}), read.tables.filetypes);
}

TEST(PathsFile, WhatStopsTheReading) {
  Read stopped = ReadText("[add]\n/one\n/two\n/three\n", 2);
  EXPECT_FALSE(stopped.ok);
  EXPECT_EQ("stopped at /two", stopped.err);
  EXPECT_EQ((Lines{"/one", "/two"}), stopped.folders);

  Read binary = ReadText(std::string("[add]\n/one\n\0\n/two\n", 18));
  EXPECT_FALSE(binary.ok);
  EXPECT_EQ("p.ini: line 3 holds a NUL byte, so it does not look like a paths file",
            binary.err);

  std::string many = "[ignore]\n";
  for (std::size_t n = 0; n <= kMaxEntries; ++n)
    many += "/music/" + std::to_string(n) + "\n";
  Read full = ReadText(many);
  EXPECT_FALSE(full.ok);
  EXPECT_EQ("p.ini: line 100002: more than 100000 [ignore] entries", full.err);
}

}  // namespace

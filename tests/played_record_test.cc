// The record of a -fresh round: what is read and what is set aside, an
// addition that a run was cut off in, the lock held from reading to saving,
// and a new round that keeps what the filters leave out.
#include "playlist/played_record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

const char kHeader[] = "songwhim -fresh record\n";

class RecordTest : public testing::Test {
 protected:
  RecordTest()
      : dir_(fs::temp_directory_path() /
             ("songwhim-record-" + std::to_string(std::random_device()()))) {
    fs::create_directories(dir_);
    library_ = (dir_ / "library.txt").string();
  }
  ~RecordTest() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  // A file's text; the Windows program writes CR LF line ends, read as LF.
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string bytes = text.str();
#ifdef _WIN32
    for (std::size_t at; (at = bytes.find("\r\n")) != std::string::npos;)
      bytes.erase(at, 1);
#endif
    return bytes;
  }
  bool Exists(const std::string& name) {
    return fs::exists(dir_ / name);
  }

  // Opens the record, which must open; returns the note.
  std::string Open(PlayedRecord* record) {
    SharedWork work;
    std::string note, err;
    EXPECT_TRUE(record->Open(library_, &work, &note, &err)) << err;
    return note;
  }

  fs::path dir_;
  std::string library_;
};

TEST_F(RecordTest, WhatIsReadAndWhatIsSetAside) {
  struct Case {
    std::string text;
    std::size_t tracks;
    std::string note;  // after "...library.txt.played"
  };
  const std::string aside = " - set aside as ";
  const Case cases[] = {
      {std::string(kHeader) + "/a\n/b\n", 2, ""},
      // As the Windows program and Windows editors write it.
      {"songwhim -fresh record\r\n/a\r\n/b\r\n", 2, ""},
      // A full disk or a kill cut the last line: the round goes on.
      {std::string(kHeader) + "/a\n/b", 1,
       ": its last line is cut short, and is passed over"},
      {"", 0, ""},
      {"songwhim -fresh record", 0, ""},
      {"not a record\n/a\n", 0,
       ": line 1 is not the header of a record of played tracks"},
      {std::string(kHeader) + "/a\n" + std::string("/\0b\n", 4), 0,
       ": line 3 holds a NUL byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Write("library.txt.played", c.text);
    PlayedRecord record;
    std::string note = Open(&record);
    EXPECT_EQ(c.tracks, record.size());
    EXPECT_EQ(c.tracks > 0, record.Played("/a\n"));
    bool set_aside = note.find(aside) != std::string::npos;
    EXPECT_EQ(c.note.empty() ? "" : library_ + ".played" + c.note,
              note.substr(0, set_aside ? note.find(aside) : note.size()));
    EXPECT_EQ(set_aside, Exists("library.txt.played.bad"));
    if (set_aside) {
      EXPECT_EQ(c.text, Read("library.txt.played.bad"));
    }
    fs::remove(dir_ / "library.txt.played.bad");
  }
  // One set aside is never replaced by the next.
  for (const char* name : {"library.txt.played.bad", "library.txt.played.bad.2"}) {
    Write("library.txt.played", std::string("no record ") + name);
    PlayedRecord record;
    EXPECT_NE(std::string::npos, Open(&record).find(aside + library_ + ".played.bad"));
    EXPECT_EQ(std::string("no record ") + name, Read(name));
  }
}

TEST_F(RecordTest, AnAdditionCutOffIsUndoneAndTheLockIsHeldThroughout) {
  Write("library.txt.played", std::string(kHeader) + "/a\n/b");
  {
    PlayedRecord record;
    Open(&record);
#ifndef _WIN32
    // From reading to saving, no other run can take the record's lock.
    pid_t child = fork();
    if (child == 0) {
      int fd = open((library_ + ".played.lock").c_str(), O_RDONLY);
      _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
    std::string err;
    ASSERT_TRUE(record.Save({"/c\n", "/d"}, false, nullptr, &err)) << err;
    // The line cut short goes, so that the first track does not join it.
    EXPECT_EQ(std::string(kHeader) + "/a\n/c\n/d\n", Read("library.txt.played"));
    EXPECT_TRUE(Exists("library.txt.played.undo"));
  }  // Not committed: its playlist never came.
  EXPECT_EQ(std::string(kHeader) + "/a\n", Read("library.txt.played"));
  EXPECT_FALSE(Exists("library.txt.played.undo"));

  // A run killed as it added: the next one undoes it, and the round goes on.
  Write("library.txt.played", std::string(kHeader) + "/a\n/c\n/d");
  Write("library.txt.played.undo", std::string(kHeader) + "26\n");
  {
    PlayedRecord record;
    EXPECT_EQ("", Open(&record));
    EXPECT_EQ(1u, record.size());
    std::string err;
    ASSERT_TRUE(record.Save({"/e\n"}, false, nullptr, &err)) << err;
    record.Commit();
  }
  EXPECT_EQ(std::string(kHeader) + "/a\n/e\n", Read("library.txt.played"));
  EXPECT_FALSE(Exists("library.txt.played.undo"));
  // One killed as it wrote what undoes it had added nothing.
  Write("library.txt.played.undo", "songwhim -fresh rec");
  {
    PlayedRecord record;
    Open(&record);
    EXPECT_EQ(2u, record.size());
  }
  EXPECT_FALSE(Exists("library.txt.played.undo"));
}

TEST_F(RecordTest, ANewRoundKeepsWhatTheFiltersLeaveOut) {
  Write("library.txt.played", std::string(kHeader) + "/jazz/1\n/rock/1\n\n/rock/2\n");
  PlayedRecord record;
  Open(&record);
  std::string err;
  auto keep = [](std::string_view line) {
    return line.find("jazz") == std::string::npos;
  };
  ASSERT_TRUE(record.Save({"/jazz/2\n"}, true, keep, &err)) << err;
  record.Commit();
  EXPECT_EQ(std::string(kHeader) + "/rock/1\n/rock/2\n/jazz/2\n",
            Read("library.txt.played"));
  ASSERT_TRUE(record.Save({"/jazz/3\n"}, true, nullptr, &err)) << err;
  EXPECT_EQ(std::string(kHeader) + "/jazz/3\n", Read("library.txt.played"));
}

}  // namespace

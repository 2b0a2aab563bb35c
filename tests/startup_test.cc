// The banner, the option scan and the choice of mode, seen from outside.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/harness.h"

namespace {

const char kAdvice[] =
    "Path file not found.\n"
    "paths.ini\n"
    "Create path file, then restart.\n"
    "Press Enter to quit...\n"
    "------------------\n";

// A library that makes a quick, valid playlist.
void AddLibrary(const Sandbox& box, const std::string& name = "library.txt") {
  box.Write(name, "/music/one.mp3\n/music/two.mp3\n");
}

// The start of a run's output once the options have been read.
std::string Start(const std::string& options) {
  return kBanner + options + "\n";
}

const char kPlaying[] = "Creating Random Playlist\n20 tracks added.\nPlaying Playlist\n";

TEST(Startup, NoArgumentsWithLibraryMakesAPlaylistOfTwenty) {
  Sandbox box;
  box.InstallOpener();
  AddLibrary(box);
  Result run = box.Run({});
  EXPECT_EQ(Start("") + kPlaying, run.out);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(20u, Lines(box.Read("random.m3u")).size());
}

TEST(Startup, ModesTable) {
  struct Case {
    bool library, paths, build;
    std::string expected_tail;
  };
  const std::string empty_build =
      "--------------------\nCompiling Music Archive\nRemoving Unwanted Paths\n"
      "Archiving Chosen Filetypes\n--------------------\n\n"
      "Library Playlist Complete - 0 tracks counted.\n";
  const std::string build_flag = "Library Builder Mode\n--------------------\n";
  const Case cases[] = {
      {true, false, false, kPlaying},
      {true, true, false, kPlaying},
      {false, true, false, NotFound("library.txt") + empty_build},
      {true, true, true, empty_build},
      {false, true, true, empty_build},
      {false, false, false, NotFound("library.txt") + kAdvice},
      {true, false, true, kAdvice},
      {false, false, true, kAdvice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "library " << c.library << " paths " << c.paths
                                    << " build " << c.build);
    Sandbox box;
    box.InstallOpener();
    if (c.library) AddLibrary(box);
    if (c.paths) box.Write("paths.ini", "[filetypes]\nmp3\n");
    Result run = box.Run(c.build ? std::vector<std::string>{"-build"}
                                 : std::vector<std::string>{});
    EXPECT_EQ(Start(c.build ? build_flag : "") + c.expected_tail, run.out);
    EXPECT_EQ(0, run.status);
  }
}

TEST(Startup, TrackCountOption) {
  struct Case {
    std::vector<std::string> args;
    int tracks;
  };
  const Case cases[] = {
      {{"-TRACKS", "5"}, 5},   {{"-tracks", "15abc"}, 15}, {{"-tracks", "0"}, 20},
      {{"-tracks", "-3"}, 20}, {{"-tracks", ""}, 20},      {{"-tracks", "abc"}, 20},
      {{"-tracks", " +7"}, 7}, {{"-tracks"}, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "(no value)");
    Sandbox box;
    box.InstallOpener();
    AddLibrary(box);
    Result run = box.Run(c.args);
    std::string count = std::to_string(c.tracks);
    EXPECT_EQ(Start("Number of tracks set to " + count + "\n") +
                  "Creating Random Playlist\n" + count +
                  " tracks added.\nPlaying Playlist\n",
              run.out);
    EXPECT_EQ(static_cast<size_t>(c.tracks), Lines(box.Read("random.m3u")).size());
  }
}

TEST(Startup, OptionPrefixesAndValuesSeenAsOptions) {
  Sandbox box;
  box.InstallOpener();
  AddLibrary(box, "y.txt");
  // -tracks5 is -tracks with the next argument as value; -libraryx is
  // -library; -pathsx is nothing at all; "-tracks" as a value is read again.
  Result run = box.Run({"-tracks5", "3", "-libraryx", "y.txt", "-pathsx", "x.ini",
                        "-paths", "-tracks", "2"});
  EXPECT_EQ(Start("Number of tracks set to 3\n"
                  "Using Library set y.txt\n"
                  "Using Path set -tracks\n"
                  "Number of tracks set to 2\n") +
                "Creating Random Playlist\n2 tracks added.\nPlaying Playlist\n",
            run.out);
}

TEST(Startup, PathsMatchesOnlyTheWholeWordInAnyCase) {
  Sandbox box;
  Result run = box.Run({"-build", "-PATHS", "my.ini", "-pathsx", "x.ini"});
  EXPECT_EQ(Start("Library Builder Mode\n--------------------\n"
                  "Using Path set my.ini\n") +
                "Path file not found.\nmy.ini\nCreate path file, then restart.\n"
                "Press Enter to quit...\n------------------\n",
            run.out);
}

TEST(Startup, LibraryValueThatSpellsBuildActsAsBothAndBuildTwicePrintsTwice) {
  Sandbox box;
  Result run = box.Run({"-library", "-build", "-build"});
  EXPECT_EQ(Start("Using Library set -build\n"
                  "Library Builder Mode\n--------------------\n"
                  "Library Builder Mode\n--------------------\n") +
                kAdvice,
            run.out);
}

TEST(Startup, NameOptionAsLastArgumentKeepsTheNameAndSaysSo) {
  Sandbox box;
  box.InstallOpener();
  AddLibrary(box);
  Result run = box.Run({"-paths", "-library"});
  EXPECT_EQ(Start("Using Path set -library\nUsing Library set library.txt\n") + kPlaying,
            run.out);
}

TEST(Startup, LongArgumentsAreTakenWhole) {
  Sandbox box;
  std::string name(3000, 'p');
  Result run = box.Run({"-build", "-paths", name});
  EXPECT_NE(std::string::npos, run.out.find("Using Path set " + name + "\n"));
  EXPECT_NE(std::string::npos, run.out.find("Path file not found.\n" + name + "\n"));
}

TEST(Startup, MissingFilesAdviceWaitsForEnterOrEndOfInput) {
  const std::string expected = Start("") + NotFound("library.txt") + kAdvice;
  for (const char* input : {"\n", "typed ahead\n", static_cast<const char*>(nullptr)}) {
    Sandbox box;
    std::string text = input ? input : "";
    Result run = box.Run({}, input ? &text : nullptr);
    EXPECT_EQ(expected, run.out);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", box.Listing());
  }
}

TEST(Startup, AdvicePromptIsShownBeforeTheWaitAndEnterEndsIt) {
  Sandbox box;
  Running running = box.Start({}, nullptr, /*keep_input_open=*/true);
  // The prompt must come through the pipe while the program waits.
  std::string seen = ReadUntil(running, "Press Enter to quit...\n");
  ASSERT_NE(std::string::npos, seen.find("Press Enter to quit...\n")) << seen;
  // Seen from outside where the system shows it.
  if (InputWaitsVisible()) {
    EXPECT_TRUE(WaitUntilReadingInput(running)) << "did not wait for Enter";
  }
  EXPECT_EQ(0, waitpid(running.pid, nullptr, WNOHANG)) << "did not wait for Enter";
  ASSERT_EQ(1, write(running.in, "\n", 1));
  Result rest = Finish(running);
  EXPECT_EQ("------------------\n", rest.out);
  EXPECT_EQ(0, rest.status);
}

TEST(Startup, HelpPrintsUsageAndTouchesNothing) {
  for (const char* word : {"-help", "--HELP", "-h", "-?", "/?"}) {
    SCOPED_TRACE(word);
    Sandbox box;
    box.InstallOpener();
    AddLibrary(box);
    Result run = box.Run({"-tracks", "3", word});
    EXPECT_EQ(0u, run.out.find(kBanner));
    EXPECT_NE(std::string::npos, run.out.find("Usage: songwhim"));
    EXPECT_EQ(std::string::npos, run.out.find("Number of tracks"));
    EXPECT_EQ("library.txt", box.Listing());
    EXPECT_EQ(0, run.status);
  }
}

}  // namespace

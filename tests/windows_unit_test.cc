// Text between UTF-8 and the code pages of older files and of players, run
// under Windows (or Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/encoding.h"

namespace {

TEST(Encoding, LinesOfOlderFilesBecomeUtf8AndPlaylistsUseTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the Western ANSI code page";
  struct Case {
    std::string file, utf8, playlist;
    bool fits;
  };
  const Case cases[] = {
      {"C:\\Music\\a.mp3\n", "C:\\Music\\a.mp3\n", "C:\\Music\\a.mp3\n", true},
      // é and € in UTF-8, and as an older build wrote them in code page 1252.
      {"caf\xc3\xa9 \xe2\x82\xac\n", "caf\xc3\xa9 \xe2\x82\xac\n", "caf\xe9 \x80\n",
       true},
      {"caf\xe9 \x80\n", "caf\xc3\xa9 \xe2\x82\xac\n", "caf\xe9 \x80\n", true},
      // Cyrillic has no place in 1252; nothing is guessed.
      {"\xd0\x96\n", "\xd0\x96\n", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(c.utf8, FromFileText(c.file));
    std::string playlist;
    EXPECT_EQ(c.fits, ToPlaylistText(c.utf8, &playlist));
    if (c.fits) {
      EXPECT_EQ(c.playlist, playlist);
      EXPECT_EQ(c.utf8, FromPlaylistText(playlist));
    }
  }
}

}  // namespace

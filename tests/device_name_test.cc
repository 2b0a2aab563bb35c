// The names a copy takes on a device: what FAT32, exFAT and NTFS refuse is
// replaced, reserved names and names too long are mended, and two names that
// a device would take for one are told apart.
#include "copy/device_name.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceName, WhatEveryDeviceTakes) {
  const std::string kLong(300, 'x');
  const struct {
    std::string name, device;
  } cases[] = {
      {"01 Song.mp3", "01 Song.mp3"},
      {"What? Why: \"Now\" <a|b> *.mp3", "What_ Why_ _Now_ _a_b_ _.mp3"},
      {std::string("tab\tand\x01.mp3"), "tab_and_.mp3"},
      {"back\\slash", "back_slash"},
      {"Live...", "Live___"},
      {"trailing  ", "trailing__"},
      {"", "_"},
      {"..", "__"},
      {"CON", "_CON"},
      {"con.mp3", "_con.mp3"},
      {"Com1.flac", "_Com1.flac"},
      {"LPT9", "_LPT9"},
      {"COM0.mp3", "COM0.mp3"},
      {"CONCERT.mp3", "CONCERT.mp3"},
      {"Bj\xc3\xb6rk.mp3", "Bj\xc3\xb6rk.mp3"},
      {"lat\xe9n.mp3", "lat_n.mp3"},
      // 255 UTF-16 units at most, the extension kept, cut where a character ends.
      {kLong + ".mp3", std::string(251, 'x') + ".mp3"},
      {std::string(250, 'x') + "\xc3\xa9\xc3\xa9.mp3",
       std::string(250, 'x') + "\xc3\xa9.mp3"},
      {std::string(249, 'x') + "\xf0\x9f\x8e\xb5\xf0\x9f\x8e\xb5.mp3",
       std::string(249, 'x') + "\xf0\x9f\x8e\xb5.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.device, DeviceName(c.name)) << c.name;
  EXPECT_EQ("Artist/What_/01 a_b.mp3", DevicePath("Artist//What?/01 a:b.mp3", "/"));
  EXPECT_EQ("A/B/c.mp3", DevicePath("A\\B/c.mp3", "\\/"));
  EXPECT_EQ("A_B/c.mp3", DevicePath("A\\B/c.mp3", "/"));
}

TEST(DeviceName, NamesADeviceTakesForOneAreToldApart) {
  EXPECT_EQ(NameKey("Bj\xc3\xb6rk/A.mp3"), NameKey("BJO\xcc\x88RK/a.MP3"));
  EXPECT_NE(NameKey("Bjork/a.mp3"), NameKey("Bj\xc3\xb6rk/a.mp3"));
  EXPECT_EQ("a/b (2).mp3", NumberedPath("a/b.mp3", 2));
  EXPECT_EQ("a.b/c (10)", NumberedPath("a.b/c", 10));
  std::string numbered = NumberedPath(std::string(251, 'x') + ".mp3", 3);
  EXPECT_EQ(std::string(247, 'x') + " (3).mp3", numbered);
}

}  // namespace

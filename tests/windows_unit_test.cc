// The recoding of listing lines, run under Windows (or Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/platform-win32.h"

namespace {

// Makes a file named in UTF-16, so the test does not depend on a code page.
class NamedFile {
 public:
  explicit NamedFile(const std::wstring& name) : name_(name) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    made_ = file != INVALID_HANDLE_VALUE;
    if (made_) CloseHandle(file);
  }
  ~NamedFile() { DeleteFileW(name_.c_str()); }
  // Wine in a locale without UTF-8 cannot name such a file on disk.
  bool made() const { return made_; }

 private:
  bool made_ = false;
  std::wstring name_;
};

TEST(AnsiLine, AsciiAndExistingAnsiNamesStayAsTheyAre) {
  EXPECT_EQ("C:\\Music\\a.mp3\n", AnsiLine("C:\\Music\\a.mp3\n"));
  if (GetACP() != 1252) GTEST_SKIP() << "needs the Western ANSI code page";
  NamedFile file(L"m\u00fcsic.mp3");
  if (!file.made()) GTEST_SKIP() << "cannot make a file with that name here";
  EXPECT_EQ("m\xfcsic.mp3\n", AnsiLine("m\xfcsic.mp3\n"));
}

TEST(AnsiLine, OemNamesOfExistingItemsBecomeAnsi) {
  if (GetACP() != 1252 || GetOEMCP() != 437)
    GTEST_SKIP() << "needs code pages 1252 and 437";
  NamedFile file(L"caf\u00e9 \u00fc.mp3");
  if (!file.made()) GTEST_SKIP() << "cannot make a file with that name here";
  // é is 0x82 and ü 0x81 in the OEM code page; 0xe9 and 0xfc in ANSI.
  EXPECT_EQ("caf\xe9 \xfc.mp3\n", AnsiLine("caf\x82 \x81.mp3\n"));
  EXPECT_EQ("caf\xe9 \xfc.mp3", AnsiLine("caf\x82 \x81.mp3"));
  // A name that is no item in either reading is left alone.
  EXPECT_EQ("gone\x82.mp3\n", AnsiLine("gone\x82.mp3\n"));
}

}  // namespace

// Track names in every script reach the player on Windows. The program runs
// as on a real Windows PC: Wine with a console (a pseudo-terminal), under the
// code pages of several countries.
#include <gtest/gtest.h>
#include <iconv.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/harness.h"

namespace {

// The locales, compiled once into a folder of the tests' own.
const std::string& LocaleFolder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "songwhim-locales-XXXXXX").string();
    std::string made = mkdtemp(pattern.data());
    for (const char* locale : {"en_US", "ru_RU", "ja_JP"}) {
      std::string command = std::string("localedef -i ") + locale + " -f UTF-8 '" + made +
                            "/" + locale + ".UTF-8' >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) return std::string();
    }
    return made;
  }();
  return folder;
}

// `text` from the character set `from` to `to`.
std::string Recode(const std::string& text, const char* from, const char* to) {
  iconv_t recoder = iconv_open(to, from);
  if (recoder == reinterpret_cast<iconv_t>(-1)) return "<cannot recode>";
  std::string in = text, out(text.size() * 4 + 4, '\0');
  char* in_at = in.data();
  char* out_at = out.data();
  size_t in_left = in.size(), out_left = out.size();
  size_t done = iconv(recoder, &in_at, &in_left, &out_at, &out_left);
  iconv_close(recoder);
  if (done == static_cast<size_t>(-1)) return "<cannot recode>";
  out.resize(out.size() - out_left);
  return out;
}

// The lines a console shows after `bytes`, drawn the way Wine draws on a
// terminal: text, carriage returns and line feeds, backspaces, and the
// sequences that erase to the line's end and move the cursor along it.
std::vector<std::string> ConsoleLines(const std::string& bytes) {
  std::vector<std::vector<std::string>> rows(1);  // a cell holds one character
  std::size_t column = 0;
  auto put = [&](const std::string& character) {
    std::vector<std::string>& row = rows.back();
    if (row.size() <= column) row.resize(column + 1, " ");
    row[column++] = character;
  };
  for (std::size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 0x1b && i + 1 < bytes.size() && bytes[i + 1] == '[') {
      std::size_t end = bytes.find_first_of("ABCDHJKhlm", i + 2);
      if (end == std::string::npos) break;
      int count = std::atoi(bytes.c_str() + i + 2);
      if (bytes[end] == 'C') column += count > 0 ? count : 1;
      if (bytes[end] == 'D')
        column -= std::min<std::size_t>(column, count > 0 ? count : 1);
      if (bytes[end] == 'K' && rows.back().size() > column) rows.back().resize(column);
      i = end + 1;
    } else if (c == '\r') {
      column = 0, ++i;
    } else if (c == '\n') {
      rows.emplace_back(), column = 0, ++i;
    } else if (c == '\b') {
      column -= column > 0, ++i;
    } else {
      std::size_t length = c < 0x80 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
      put(bytes.substr(i, length));
      i += length;
    }
  }
  std::vector<std::string> lines;
  for (const auto& row : rows) {
    std::string line;
    for (const std::string& cell : row) line += cell;
    lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
  }
  return lines;
}

bool Shows(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The file a Windows path on Wine's drive Z: names here.
std::string Unix(std::string path) {
  if (path.rfind("Z:", 0) == 0) path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

const char* const kTracks[] = {
    "plain.mp3",
    "Bj\xc3\xb6rk - Caf\xc3\xa9.mp3",
    "Bj\xc3\xb6rk/song.mp3",
    "Price \xe2\x82\xac"
    "5 \xe2\x80\x98Quoted\xe2\x80\x99.mp3",
    "\xd0\x97\xd0\xb2\xd0\xb5\xd0\xb7\xd0\xb4\xd0\xb0.mp3",
    "\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe/"
    "\xd0\x93\xd1\x80\xd1\x83\xd0\xbf\xd0\xbf\xd0\xb0.mp3",
    "\xe5\xa4\x9c\xe3\x81\xab\xe9\xa7\x86\xe3\x81\x91\xe3\x82\x8b.mp3",
    "\xe6\x97\xa5\xe6\x9c\xac/\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89.mp3",
    "Party \xf0\x9f\x8e\xb5.mp3",
};
const char kBjork[] = "Bj\xc3\xb6rk";
const char kKino[] = "\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe";
const char kNihon[] = "\xe6\x97\xa5\xe6\x9c\xac";

struct Country {
  const char* locale;
  const char* ansi;    // the ANSI code page, as iconv names it
  const char* folder;  // a folder whose name that code page holds
};

// Runs songwhim on a console and returns what the console shows.
std::vector<std::string> OnConsole(const Sandbox& box,
                                   const std::vector<std::string>& args) {
  Result run = box.RunOnTerminal(args, 300);
  EXPECT_EQ(0, run.status) << run.out;
  return ConsoleLines(run.out);
}

// Makes a playlist of every track and returns its picks as files here. Only
// one playlist file exists, in the encoding its name says.
std::set<std::string> PlayAll(const Sandbox& box, const Country& country,
                              const std::string& expected_file) {
  std::vector<std::string> console = OnConsole(box, {"-shuffle", "-tracks", "100"});
  EXPECT_TRUE(box.Exists(expected_file));
  bool utf8 = expected_file == "random.m3u8";
  EXPECT_FALSE(box.Exists(utf8 ? "random.m3u" : "random.m3u8"));
  EXPECT_EQ(utf8, Shows(console,
                        "Written as random.m3u8, in UTF-8: some names are not in "
                        "the ANSI code page"));
  std::string text = box.Read(expected_file);
  if (!utf8) text = Recode(text, country.ansi, "UTF-8");
  std::set<std::string> picks;
  for (const std::string& line : Lines(text)) {
    EXPECT_TRUE(std::filesystem::exists(Unix(line))) << line;
    picks.insert(Unix(line));
  }
  return picks;
}

TEST(WindowsNames, EveryScriptReachesThePlayerUnderEveryCodePage) {
  if (!OnWindows()) GTEST_SKIP() << "checks the Windows program";
  if (LocaleFolder().empty()) GTEST_SKIP() << "localedef cannot make the locales here";
  const Country countries[] = {{"en_US", "CP1252", kBjork},
                               {"ru_RU", "CP1251", kKino},
                               {"ja_JP", "CP932", kNihon}};
  for (const Country& country : countries) {
    SCOPED_TRACE(country.locale);
    Sandbox box;
    box.SetEnv("LOCPATH", LocaleFolder());
    box.SetEnv("LC_ALL", std::string(country.locale) + ".UTF-8");
    std::set<std::string> all;
    for (const char* track : kTracks) {
      box.Touch(std::string("m/") + track);
      all.insert(box.At(std::string("m/") + track));
    }
    // An ASCII paths file naming the collection.
    box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
    EXPECT_TRUE(Shows(OnConsole(box, {"-build"}),
                      "Library Playlist Complete - 9 tracks counted."));
    EXPECT_EQ(all, PlayAll(box, country, "random.m3u8"));

    // What Notepad saves: UTF-8 with a byte order mark, CR LF line ends.
    std::string bom = "\xef\xbb\xbf[add]\r\n";
    for (const char* folder : {kBjork, kKino, kNihon})
      bom += box.Host(std::string("m/") + folder) + "\r\n";
    box.Write("paths.ini", bom + "[filetypes]\r\nmp3\r\n");
    std::vector<std::string> console = OnConsole(box, {"-build"});
    EXPECT_TRUE(Shows(
        console, "Creating Directory Listing 2 : " + box.Host(std::string("m/") + kKino) +
                     " ... Complete"));
    EXPECT_TRUE(Shows(console, "Library Playlist Complete - 3 tracks counted."));
    EXPECT_EQ(3u, PlayAll(box, country, "random.m3u8").size());

    // A paths file in the ANSI code page, as older editors save it, naming
    // a folder that code page holds: the playlist is random.m3u in it.
    std::string own = box.Host(std::string("m/") + country.folder);
    box.Write("paths.ini",
              Recode("[filetypes]\nmp3\n[add]\n" + own + "\n", "UTF-8", country.ansi));
    OnConsole(box, {"-build"});
    EXPECT_EQ(1u, PlayAll(box, country, "random.m3u").size());

    // An ignore entry in that code page leaves out the folder's track.
    box.Write("paths.ini", Recode("[filetypes]\nmp3\n[add]\n" + box.Host("m") +
                                      "\n[ignore]\n" + own + "\\\n",
                                  "UTF-8", country.ansi));
    EXPECT_TRUE(Shows(OnConsole(box, {"-build"}),
                      "Library Playlist Complete - 8 tracks counted."));
    EXPECT_EQ(std::string::npos, box.Read("library.txt").find(own + "\\"));
  }
}

}  // namespace

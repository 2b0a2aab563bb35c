// The parallel folder walk against a plain depth-first walk written here, on
// generated trees: whatever the number of readers, the listing is the same
// byte for byte.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/output_file.h"
#include "platform/tree_walk.h"

namespace fs = std::filesystem;

namespace {

using Trail = std::vector<std::pair<dev_t, ino_t>>;

// The walk as a user would write it: list a folder's entries by name, then
// each subfolder's contents; follow links; do not enter a folder that is one
// of those above; leave out what cannot be read and names with a line feed.
void ListPlainly(const std::string& folder, Trail* trail, std::string* out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  struct stat info;
  fstat(dirfd(dir), &info);
  auto self = std::make_pair(info.st_dev, info.st_ino);
  if (std::find(trail->begin(), trail->end(), self) != trail->end()) {
    closedir(dir);
    return;
  }
  std::vector<std::pair<std::string, unsigned char>> names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != ".." && name.find('\n') == std::string::npos)
      names.emplace_back(name, entry->d_type);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  // A folder's line ends in a slash.
  std::vector<std::string> folders;
  for (const auto& [name, type] : names) {
    struct stat sub;
    std::string path = folder + "/" + name;
    bool is_folder = type == DT_DIR || (type != DT_REG && stat(path.c_str(), &sub) == 0 &&
                                        S_ISDIR(sub.st_mode));
    if (is_folder) folders.push_back(path);
    *out += path + (is_folder ? "/\n" : "\n");
  }
  trail->push_back(self);
  for (const std::string& path : folders) ListPlainly(path, trail, out);
  trail->pop_back();
}

class WalkTreeTest : public testing::Test {
 protected:
  WalkTreeTest() {
    std::string pattern = (fs::temp_directory_path() / "songwhim-walk-XXXXXX").string();
    root_ = fs::canonical(mkdtemp(pattern.data())).string();
  }
  ~WalkTreeTest() override {
    // rm walks by file descriptor, so paths too long to name go too.
    std::string command =
        "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
  }

  std::string Plain() {
    std::string out;
    Trail trail;
    ListPlainly(root_ + "/t", &trail, &out);
    return out;
  }

  std::string Walked(WalkReaders readers, long long* count = nullptr) {
    std::string name = root_ + "/listing.txt";
    OutputFile out;
    std::string err;
    EXPECT_TRUE(out.Open(name, &err));
    long long written = WalkTree(root_ + "/t", &out, readers);
    EXPECT_TRUE(out.Close(&err));
    if (count) *count = written;
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    fs::remove(name);
    return text.str();
  }

  void ExpectSameAsPlainWalk(std::size_t at_least) {
    std::string expected = Plain();
    ASSERT_GE(
        static_cast<std::size_t>(std::count(expected.begin(), expected.end(), '\n')),
        at_least);
    // Fixed numbers of readers (none: the writer reads), and one that starts
    // with one and adds more.
    for (WalkReaders readers :
         {WalkReaders{0, 0}, WalkReaders{1, 1}, WalkReaders{2, 2}, WalkReaders{16, 16},
          WalkReaders{64, 64}, WalkReaders{1, 64}}) {
      SCOPED_TRACE(testing::Message() << readers.first << " to " << readers.most);
      long long count = 0;
      std::string walked = Walked(readers, &count);
      EXPECT_TRUE(walked == expected)
          << walked.size() << " bytes against " << expected.size();
      EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), count);
    }
  }

  std::string At(const std::string& name) const { return root_ + "/t/" + name; }
  void Folder(const std::string& name) const { fs::create_directories(At(name)); }
  void File(const std::string& name) const {
    fs::create_directories(fs::path(At(name)).parent_path());
    std::ofstream(At(name)) << "x";
  }
  void Link(const std::string& target, const std::string& name) const {
    fs::create_directories(fs::path(At(name)).parent_path());
    ASSERT_EQ(0, symlink(target.c_str(), At(name).c_str()));
  }

  std::string root_;
};

TEST_F(WalkTreeTest, GeneratedTreeWithLinksLoopsAndOddNames) {
  std::mt19937 draws(42);
  const std::vector<std::string> odd = {"with blank",
                                        "latin\xe9\xff",
                                        "-dash",
                                        "Upper",
                                        "lower",
                                        "\x01"
                                        "ctrl"};
  std::vector<std::string> folders = {""};
  for (int n = 0; n < 2500; ++n) {
    std::string parent = folders[draws() % folders.size()];
    std::string name = odd[draws() % odd.size()] + std::to_string(n);
    std::string path = parent.empty() ? name : parent + "/" + name;
    if (draws() % 3 == 0) {
      Folder(path);
      folders.push_back(path);
    } else {
      File(path + (draws() % 2 ? ".mp3" : ".flac"));
    }
  }
  File(folders[20] + "/line\nfeed.mp3");
  File(folders[21] + "/line\nfeed/inner.mp3");
  Link(At(folders[7]), "a link to a folder");
  Link(root_ + "/t", folders[30] + "/back to the top");  // a loop
  Link(At(folders[12]), folders[12] + "/itself");        // a loop of one
  Link("nowhere", "dangling.mp3");
  Link(At(folders[40] + "/gone"), "to nothing");
  // Folders that cannot be opened: too long a path, and (when permissions
  // bind) a locked one.
  Folder("deep");
  int folder = open(At("deep").c_str(), O_RDONLY | O_DIRECTORY);
  for (int n = 0; n < 20; ++n) {
    std::string name(250, static_cast<char>('a' + n));
    ASSERT_EQ(0, mkdirat(folder, name.c_str(), 0700));
    int inner = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(folder);
    folder = inner;
  }
  close(openat(folder, "unreachable.mp3", O_CREAT | O_WRONLY, 0600));
  close(folder);
  Folder("locked/inner");
  File("locked/inner/a.mp3");
  chmod(At("locked").c_str(), 0);
  ExpectSameAsPlainWalk(2500);
}

// Far more subfolders than the readers may run ahead of the writer.
TEST_F(WalkTreeTest, WideAndDeepTrees) {
  for (int n = 0; n < 3000; ++n) File("wide/f" + std::to_string(n) + "/a.mp3");
  std::string chain = "chain";
  for (int n = 0; n < 150; ++n) {
    chain += "/" + std::to_string(n);
    File(chain + "/t.mp3");
  }
  ExpectSameAsPlainWalk(6000);
}

TEST_F(WalkTreeTest, EmptyAndUnreadableRoots) {
  Folder("");
  EXPECT_EQ("", Walked(WalkReaders()));
  fs::remove(At(""));
  EXPECT_EQ("", Walked(WalkReaders()));
}

}  // namespace

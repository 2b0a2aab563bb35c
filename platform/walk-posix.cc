// Readers take folders from a list kept in listing order: when a folder has
// been read, its subfolders go in right after it, which is exactly where a
// depth-first walk would list them. Readers always take the earliest folder
// nobody reads yet, and the writer writes folders from the front of the list
// as they are done, so the listing is that of a plain depth-first walk.
#include "platform/walk-posix.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "source/output_file.h"

namespace {

// How far readers may run ahead of the writer: folders read and not yet
// written, and the bytes of their lines. The folder the writer waits for may
// always be read, so these limits never stall the walk.
constexpr std::size_t kMaxAhead = 512;
constexpr std::size_t kMaxAheadBytes = 16 << 20;

// A folder and the folders above it, nearest first.
struct Identity {
  dev_t dev;
  ino_t ino;
  std::shared_ptr<const Identity> up;
};

struct Folder {
  enum State { kWaiting, kReading, kRead };

  Folder(std::string folder, std::shared_ptr<const Identity> up)
      : path(std::move(folder)), above(std::move(up)) {}

  std::string path;
  std::shared_ptr<const Identity> above;
  State state = kWaiting;
  std::string lines;    // its entries, one full path per line
  long long count = 0;  // lines in `lines`
};

using FolderList = std::list<Folder>;

struct Entry {
  std::string name;
  unsigned char type;
};

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool MayBeFolder(unsigned char type) {
  return type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
}

// Only links and file systems that give no type cost a stat.
bool IsFolder(const std::string& path, unsigned char type) {
  if (type == DT_DIR) return true;
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsAbove(const Identity* folder, const struct stat& info) {
  for (; folder; folder = folder->up.get()) {
    if (folder->dev == info.st_dev && folder->ino == info.st_ino) return true;
  }
  return false;
}

std::vector<Entry> ReadEntries(DIR* dir) {
  std::vector<Entry> entries;
  while (struct dirent* item = readdir(dir)) {
    const char* name = item->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // A line-oriented library cannot hold a name with a line feed.
    if (std::strchr(name, '\n')) continue;
    entries.push_back({name, item->d_type});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

// What reading one folder gives.
struct Contents {
  std::string lines;
  long long count = 0;
  std::vector<std::string> subfolders;  // in listing order
  std::shared_ptr<const Identity> identity;
};

// An unreadable folder, or one that is already on the way down to it (a link
// back up), gives nothing.
Contents ReadFolder(const std::string& path,
                    const std::shared_ptr<const Identity>& above) {
  Contents contents;
  DIR* dir = opendir(path.c_str());
  if (!dir) return contents;
  struct stat info;
  if (fstat(dirfd(dir), &info) != 0 || IsAbove(above.get(), info)) {
    closedir(dir);
    return contents;
  }
  std::vector<Entry> entries = ReadEntries(dir);
  closedir(dir);
  contents.identity =
      std::make_shared<const Identity>(Identity{info.st_dev, info.st_ino, above});
  std::string line;
  for (const Entry& entry : entries) {
    line = Join(path, entry.name);
    if (MayBeFolder(entry.type) && IsFolder(line, entry.type))
      contents.subfolders.push_back(line);
    contents.lines += line;
    contents.lines += '\n';
  }
  contents.count = static_cast<long long>(entries.size());
  return contents;
}

// How often the calling thread has had to wait for the file system (or
// anything else) so far: waits for a network or a disk show as voluntary
// context switches. Where threads do not count them, every read looks as if
// it waited.
long Waits() {
#ifdef RUSAGE_THREAD
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) == 0) return usage.ru_nvcsw;
#endif
  static thread_local long reads = 0;
  return reads += 2;
}

class Walk {
 public:
  Walk(const std::string& root, const WalkReaders& readers)
      : most_(std::max(readers.most, 0)) {
    folders_.emplace_back(root, nullptr);
    std::lock_guard<std::mutex> lock(mutex_);
    while (static_cast<int>(readers_.size()) < std::clamp(readers.first, 0, most_))
      AddReader();
  }

  // The writer's loop: writes folders in order until none is left, then waits
  // for the readers to end.
  long long Write(OutputFile* out, const ListingProgress& progress);

 private:
  void AddReader() {
    try {
      readers_.emplace_back([this] { Read(); });
    } catch (const std::system_error&) {
      // No more threads to be had: the readers there are go on, or, with
      // none at all, the writer reads for itself.
    }
  }
  // A reader's loop: reads folders until the writer is done.
  void Read();
  // Reads `folder` with the lock let go meanwhile.
  void Take(FolderList::iterator folder, std::unique_lock<std::mutex>* lock);
  // The writer reads the first folder itself, when there is no reader.
  void ReadFront(std::unique_lock<std::mutex>* lock);
  // The earliest folder nobody reads yet, when a reader may take it now.
  FolderList::iterator Next();
  void Done(FolderList::iterator folder, Contents* contents, bool waited);

  const int most_;
  std::mutex mutex_;
  std::condition_variable work_;    // a folder to take, or the end
  std::condition_variable writer_;  // the first folder is read
  std::vector<std::thread> readers_;
  FolderList folders_;
  std::size_t ahead_ = 0;  // folders read and not yet written
  std::size_t ahead_bytes_ = 0;
  bool done_ = false;
};

FolderList::iterator Walk::Next() {
  for (auto folder = folders_.begin(); folder != folders_.end(); ++folder) {
    if (folder->state != Folder::kWaiting) continue;
    bool room = ahead_ < kMaxAhead && ahead_bytes_ < kMaxAheadBytes;
    return room || folder == folders_.begin() ? folder : folders_.end();
  }
  return folders_.end();
}

void Walk::Done(FolderList::iterator folder, Contents* contents, bool waited) {
  folder->lines = std::move(contents->lines);
  folder->count = contents->count;
  folder->state = Folder::kRead;
  ++ahead_;
  ahead_bytes_ += folder->lines.size();
  auto after = std::next(folder);
  for (std::string& path : contents->subfolders) {
    folders_.emplace(after, std::move(path), contents->identity);
  }
  if (folder == folders_.begin()) writer_.notify_one();
  // This reader takes the first of them itself.
  if (contents->subfolders.size() > 1) work_.notify_all();
  // Reads that wait go faster side by side; reads that only compute do not.
  if (waited && static_cast<int>(readers_.size()) < most_ && Next() != folders_.end())
    AddReader();
}

void Walk::Take(FolderList::iterator folder, std::unique_lock<std::mutex>* lock) {
  folder->state = Folder::kReading;
  lock->unlock();
  long before = Waits();
  Contents contents = ReadFolder(folder->path, folder->above);
  bool waited = Waits() - before >= 2;
  lock->lock();
  Done(folder, &contents, waited);
}

void Walk::Read() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    FolderList::iterator folder;
    work_.wait(lock, [&] { return done_ || (folder = Next()) != folders_.end(); });
    if (done_) return;
    Take(folder, &lock);
  }
}

void Walk::ReadFront(std::unique_lock<std::mutex>* lock) {
  if (folders_.front().state == Folder::kWaiting) Take(folders_.begin(), lock);
}

long long Walk::Write(OutputFile* out, const ListingProgress& progress) {
  long long written = 0;
  std::vector<Folder> batch;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!folders_.empty()) {
    if (readers_.empty()) ReadFront(&lock);
    writer_.wait(lock, [&] { return folders_.front().state == Folder::kRead; });
    // All the folders that are done at the front, in one go: fewer turns of
    // the lock and of waking up.
    std::size_t bytes = 0;
    while (!folders_.empty() && folders_.front().state == Folder::kRead &&
           bytes < OutputFile::kBufferSize) {
      bytes += folders_.front().lines.size();
      batch.push_back(std::move(folders_.front()));
      folders_.pop_front();
    }
    ahead_ -= batch.size();
    ahead_bytes_ -= bytes;
    // Room for more folders, and the new first one may be waiting.
    work_.notify_all();
    lock.unlock();
    for (const Folder& folder : batch) {
      out->Write(folder.lines);
      written += folder.count;
    }
    batch.clear();
    if (progress && written > 0) progress(written);
    lock.lock();
  }
  done_ = true;
  work_.notify_all();
  std::vector<std::thread> readers = std::move(readers_);
  lock.unlock();
  for (std::thread& reader : readers) reader.join();
  return written;
}

}  // namespace

long long WalkTree(const std::string& root, OutputFile* out, const WalkReaders& readers,
                   const ListingProgress& progress) {
  Walk walk(root, readers);
  return walk.Write(out, progress);
}

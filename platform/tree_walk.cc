// Readers take folders from a list kept in listing order: when a folder has
// been read, its subfolders go in right after it, which is exactly where a
// depth-first walk would list them. Readers always take the earliest folder
// nobody reads yet, and the writer writes folders from the front of the list
// as they are done, so the listing is that of a plain depth-first walk.
#include "platform/tree_walk.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace {

// How far readers may run ahead of the writer: folders read and not yet
// written, and the bytes of their lines. The folder the writer waits for may
// always be read, so these limits never stall the walk.
constexpr std::size_t kMaxAhead = 512;
constexpr std::size_t kMaxAheadBytes = 16 << 20;

// A folder and the folders above it, nearest first.
struct Identity {
  FolderId id;
  std::shared_ptr<const Identity> up;
};

bool IsAbove(const Identity* folder, const FolderId& id) {
  for (; folder; folder = folder->up.get()) {
    if (folder->id == id) return true;
  }
  return false;
}

struct Folder {
  enum State { kWaiting, kReading, kRead };

  Folder(std::string folder, std::shared_ptr<const Identity> up)
      : path(std::move(folder)), above(std::move(up)) {}

  std::string path;
  std::shared_ptr<const Identity> above;
  State state = kWaiting;
  std::string lines;    // its entries, one full path per line
  long long count = 0;  // lines in `lines`
  std::string problem;  // why it could not be read, or ""
};

using FolderList = std::list<Folder>;

// What reading a folder gives the walk.
struct Contents : FolderContents {
  std::shared_ptr<const Identity> identity;
};

// An unreadable folder, or one that is already on the way down to it (a link
// back up), gives nothing.
Contents ReadOne(const std::string& path, const std::shared_ptr<const Identity>& above,
                 bool stamps) {
  Contents contents;
  FolderId seen;
  auto enter = [&](const FolderId& id) {
    seen = id;
    return !IsAbove(above.get(), id);
  };
  if (ReadFolder(path, enter, stamps, &contents))
    contents.identity = std::make_shared<const Identity>(Identity{seen, above});
  return contents;
}

class TreeWalk {
 public:
  TreeWalk(const std::string& root, const WalkReaders& readers, bool stamps)
      : most_(std::max(readers.most, 0)), stamps_(stamps) {
    folders_.emplace_back(root, nullptr);
    std::lock_guard<std::mutex> lock(mutex_);
    // Fewer threads than asked for, or none: the walk goes on with those
    // there are, and with none, the writer reads for itself.
    while (static_cast<int>(readers_.size()) < std::clamp(readers.first, 0, most_) &&
           AddReader()) {
    }
  }

  // The readers are ended and waited for, however the walk ends.
  ~TreeWalk();

  // The writer's loop: writes folders in order until none is left, then waits
  // for the readers to end.
  long long Write(OutputFile* out, const ListingProgress& progress,
                  Unreadable* unreadable);

 private:
  // False when no more threads are to be had, for want of threads or memory.
  bool AddReader() {
    try {
      readers_.emplace_back([this] { Read(); });
      return true;
    } catch (const std::system_error&) {
      return false;
    } catch (const std::bad_alloc&) {
      return false;
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
  const bool stamps_;
  std::mutex mutex_;
  std::condition_variable work_;    // a folder to take, or the end
  std::condition_variable writer_;  // the first folder is read
  std::vector<std::thread> readers_;
  FolderList folders_;
  std::size_t ahead_ = 0;  // folders read and not yet written
  std::size_t ahead_bytes_ = 0;
  bool done_ = false;
  bool out_of_memory_ = false;  // a reader could not hold what it read
};

TreeWalk::~TreeWalk() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_ = true;
  work_.notify_all();
  std::vector<std::thread> readers = std::move(readers_);
  lock.unlock();
  for (std::thread& reader : readers) reader.join();
}

FolderList::iterator TreeWalk::Next() {
  for (auto folder = folders_.begin(); folder != folders_.end(); ++folder) {
    if (folder->state != Folder::kWaiting) continue;
    bool room = ahead_ < kMaxAhead && ahead_bytes_ < kMaxAheadBytes;
    return room || folder == folders_.begin() ? folder : folders_.end();
  }
  return folders_.end();
}

void TreeWalk::Done(FolderList::iterator folder, Contents* contents, bool waited) {
  folder->lines = std::move(contents->lines);
  folder->count = contents->count;
  folder->problem = std::move(contents->problem);
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

void TreeWalk::Take(FolderList::iterator folder, std::unique_lock<std::mutex>* lock) {
  folder->state = Folder::kReading;
  lock->unlock();
  WaitMark mark = MarkWaits();
  Contents contents = ReadOne(folder->path, folder->above, stamps_);
  bool waited = WaitedSince(mark);
  lock->lock();
  Done(folder, &contents, waited);
}

void TreeWalk::Read() {
  std::unique_lock<std::mutex> lock(mutex_);
  try {
    for (;;) {
      FolderList::iterator folder;
      work_.wait(lock, [&] { return done_ || (folder = Next()) != folders_.end(); });
      if (done_) return;
      Take(folder, &lock);
    }
  } catch (const std::bad_alloc&) {
    // The walk cannot be completed; the writer says so.
    if (!lock.owns_lock()) lock.lock();
    out_of_memory_ = true;
    writer_.notify_one();
  }
}

void TreeWalk::ReadFront(std::unique_lock<std::mutex>* lock) {
  if (folders_.front().state == Folder::kWaiting) Take(folders_.begin(), lock);
}

long long TreeWalk::Write(OutputFile* out, const ListingProgress& progress,
                          Unreadable* unreadable) {
  long long written = 0;
  std::vector<Folder> batch;
  std::unique_lock<std::mutex> lock(mutex_);
  // A listing that cannot be written is of no use: a full disk ends the walk.
  while (!folders_.empty() && !out->failed() && !out_of_memory_) {
    if (readers_.empty()) ReadFront(&lock);
    writer_.wait(
        lock, [&] { return folders_.front().state == Folder::kRead || out_of_memory_; });
    if (out_of_memory_) break;
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
      if (folder.problem.empty() || !unreadable) continue;
      if (unreadable->count++ == 0) {
        unreadable->first = folder.path;
        unreadable->why = folder.problem;
      }
    }
    batch.clear();
    if (progress && written > 0) progress(written);
    lock.lock();
  }
  if (out_of_memory_) out->Failed(ENOMEM);
  return written;
}

}  // namespace

bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress& progress, std::string* note, std::string* err,
                bool stamps) {
  // A stale listing of the same name may be a link to anywhere; start afresh.
  RemoveFile(listing);
  OutputFile out;
  if (!out.Open(listing, err)) {
    *err = "Cannot create " + listing + ": " + *err;
    return false;
  }
  std::string root;
  Unreadable unreadable;
  if (WalkRoot(folder, &root, note))
    WalkTree(root, &out, WalkReaders(), progress, &unreadable, stamps);
  if (unreadable.count == 1)
    *note = "cannot read " + unreadable.first + ": " + unreadable.why;
  if (unreadable.count > 1) {
    *note = "cannot read " + std::to_string(unreadable.count) + " folders, the first " +
            unreadable.first + ": " + unreadable.why;
  }
  if (out.Close(err)) return true;
  *err = "Cannot write " + listing + ": " + *err;
  return false;
}

long long WalkTree(const std::string& root, OutputFile* out, const WalkReaders& readers,
                   const ListingProgress& progress, Unreadable* unreadable, bool stamps) {
  TreeWalk walk(root, readers, stamps);
  return walk.Write(out, progress, unreadable);
}

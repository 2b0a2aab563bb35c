#include "copy/device_copy.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "base/text.h"
#include "base/work_files.h"
#include "copy/copy_progress.h"
#include "copy/device_name.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/output_file.h"

namespace {

// The part of a copy being written, for an interrupt to remove. Set before
// the part is, so that a handler never sees half a name.
std::string unfinished;
volatile std::sig_atomic_t writing = 0;

// Room kept free, and room left that no track is tried for: less than any
// track takes.
constexpr long long kCloseEnough = 1 << 20;
constexpr long long kCloseEnoughTime = 3000;

// True when `path` begins with the folder `root` (or is it), letters of
// Windows paths compared without regard to case.
bool Below(const std::string& path, const std::string& root) {
  if (root.empty() || path.size() < root.size()) return false;
#ifdef _WIN32
  if (!SameNoCase(path, root, root.size())) return false;
#else
  if (path.compare(0, root.size(), root) != 0) return false;
#endif
  if (path.size() == root.size()) return true;
  char after = path[root.size()];
  return std::string(kPathSeparators).find(after) != std::string::npos ||
         std::string(kPathSeparators).find(root.back()) != std::string::npos;
}

// The file the library line `track` names.
std::string FileOf(const std::string& track) {
  return std::string(WithoutLineEnd(FromFileText(track)));
}

// What tells two names that a device takes for one.
std::uint64_t Taken(const std::string& name) {
  return HashText(NameKey(name));
}

// The folders `name` lies in, outermost first.
std::vector<std::string> FoldersOf(const std::string& name) {
  std::vector<std::string> folders;
  for (std::size_t slash = name.find('/'); slash != std::string::npos;
       slash = name.find('/', slash + 1))
    folders.push_back(name.substr(0, slash));
  return folders;
}

}  // namespace

bool DeviceCopy::Open(const std::string& folder, const std::vector<std::string>& roots,
                      std::string* err) {
  folder_ = folder;
  roots_ = roots;
  std::string why;
  if (!SpaceOf(folder, &space_, &why)) {
    *err = "Cannot copy to " + folder + ": " + why;
    return false;
  }
  std::string real = RealPath(folder);
  for (const std::string& root : roots) {
    std::string real_root = RealPath(root);
    if (!real_root.empty() && Below(real, real_root)) {
      *err = "Cannot copy to " + folder + ": it lies in the [add] folder " + root +
             ", and the next build would list the copies";
      return false;
    }
  }
  if (!list_.Open(folder, err)) return false;
  for (const std::string& made : list_.folders()) KnowFolders(made + "/");
  for (const auto& [name, entry] : list_.copies()) KnowFolders(name);
  return true;
}

long long DeviceCopy::Rounded(long long size) const {
  long long cluster = std::max(space_.cluster, 1LL);
  return std::max(1LL, (size + cluster - 1) / cluster) * cluster;
}

std::string DeviceCopy::NameFor(const std::string& track) const {
  // Below the outermost [add] folder that holds it; a track in none keeps
  // its folder and its name.
  const std::string* outer = nullptr;
  for (const std::string& root : roots_) {
    if (Below(track, root) && track.size() > root.size() &&
        (!outer || root.size() < outer->size()))
      outer = &root;
  }
  std::string_view relative = track;
  if (outer) {
    relative.remove_prefix(outer->size());
  } else {
    std::size_t last = relative.find_last_of(kPathSeparators);
    std::size_t before = last == 0 || last == std::string_view::npos
                             ? std::string_view::npos
                             : relative.find_last_of(kPathSeparators, last - 1);
    if (before != std::string_view::npos) relative.remove_prefix(before + 1);
  }
  return DevicePath(relative, kPathSeparators);
}

long long DeviceCopy::Room() const {
  // A few clusters stay free for the list and the playlist.
  long long room = space_.free - 16 * space_.cluster - kCloseEnough;
  for (const auto& [name, entry] : list_.copies()) room += Rounded(entry.stamp.size);
  return room;
}

std::vector<std::size_t> DeviceCopy::Fit(std::vector<CopyItem>* items,
                                         const CopyBounds& bounds, CopySummary* summary) {
  // The old copies, by their tracks' keys.
  std::unordered_map<std::uint64_t, std::pair<const std::string*, const CopyEntry*>>
      copies;
  for (const auto& [name, entry] : list_.copies())
    copies[entry.track_key] = {&name, &entry};
  long long room = Room();
  if (bounds.bytes > 0) room = std::min(room, bounds.bytes);
  // Room left that no track is tried for: less than any track takes.
  long long close_enough = std::min(kCloseEnough, room / 50);
  std::vector<std::size_t> chosen;
  std::set<std::string> folders;  // keys of the folders the copies need
  long long used = 0, time = 0;
  int albums = 0;
  for (std::size_t first = 0; first < items->size();) {
    // An album, or a track, at a time.
    std::size_t end = first + 1;
    while (bounds.albums > 0 && end < items->size() &&
           (*items)[end].album == (*items)[first].album)
      ++end;
    long long cost = 0, length = 0;
    std::vector<std::size_t> fitting;
    std::set<std::string> new_folders;
    for (std::size_t n = first; n < end; ++n) {
      CopyItem& item = (*items)[n];
      const char* problem = nullptr;
      std::string file = FileOf(item.track);
      if (item.stamp.size < 0 && !StampOf(file, &item.stamp)) {
        problem = "it cannot be found";
      } else if (bounds.milliseconds > 0 && item.milliseconds <= 0) {
        problem = "its length cannot be read";
      }
      if (problem) {
        Print("Passed over %s: %s\n", file.c_str(), problem);
        ++summary->problems;
        summary->unreadable.push_back(n);
        continue;
      }
      auto copy = copies.find(LineKey(item.track));
      bool kept = copy != copies.end() && copy->second.second->track_stamp == item.stamp;
      item.name = kept ? *copy->second.first : NameFor(item.track);
      cost += Rounded(kept ? copy->second.second->stamp.size : item.stamp.size);
      length += item.milliseconds;
      for (const std::string& folder : FoldersOf(item.name)) {
        std::string key = NameKey(folder);
        if (!folders.count(key) && !new_folders.count(key) && !Exists(list_.At(folder))) {
          new_folders.insert(key);
          cost += space_.cluster;
        }
      }
      fitting.push_back(n);
    }
    first = end;
    bool fits = used + cost <= room &&
                (bounds.milliseconds == 0 || time + length <= bounds.milliseconds);
    if (fitting.empty() || !fits) continue;
    used += cost;
    time += length;
    folders.insert(new_folders.begin(), new_folders.end());
    chosen.insert(chosen.end(), fitting.begin(), fitting.end());
    ++albums;
    if ((bounds.tracks > 0 && static_cast<int>(chosen.size()) >= bounds.tracks) ||
        (bounds.albums > 0 && albums >= bounds.albums) || room - used < close_enough ||
        (bounds.milliseconds > 0 && bounds.milliseconds - time < kCloseEnoughTime))
      break;
  }
  return chosen;
}

void DeviceCopy::RemoveUnfinished() {
  if (writing) std::remove(unfinished.c_str());
}

bool DeviceCopy::WritePlaylist(const std::vector<CopyItem>& items,
                               const std::vector<std::size_t>& order,
                               const std::vector<bool>& there, bool extended,
                               std::string* err) {
  std::string name = list_.At(kDevicePlaylist), part = PartName(name);
  OutputFile out;
  if (!out.Open(part, err)) {
    *err = "Cannot write " + part + ": " + *err;
    return false;
  }
  if (extended) out.Write("#EXTM3U\n");
  for (std::size_t n : order) {
    if (!there[n]) continue;
    if (extended) out.Write(items[n].extinf + "\n");
    out.Write(items[n].name + "\n");
  }
  if (out.Close(err) && RenameOver(part, name, err)) return true;
  RemoveFile(part);
  *err = "Cannot write " + name + ": " + *err;
  return false;
}

bool DeviceCopy::RemoveOld(const std::vector<CopyItem>& items,
                           const std::vector<bool>& there, CopySummary* summary,
                           std::string* err) {
  std::set<std::string> kept;
  for (std::size_t n = 0; n < items.size(); ++n) {
    if (there[n]) kept.insert(items[n].name);
  }
  std::vector<std::string> old;
  for (const auto& [name, entry] : list_.copies()) {
    if (!kept.count(name)) old.push_back(name);
  }
  for (const std::string& name : old) {
    if (!RemoveFile(list_.At(name))) {
      Print("Cannot remove the old copy %s\n", list_.At(name).c_str());
      ++summary->problems;
      continue;
    }
    if (!list_.Removed(name, err)) return false;
    ++summary->removed;
  }
  // The folders made for copies that are gone, innermost first.
  std::vector<std::string> folders(list_.folders().begin(), list_.folders().end());
  std::sort(
      folders.begin(), folders.end(),
      [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& folder : folders) {
    RemoveEmptyFolder(list_.At(folder));
    if (!Exists(list_.At(folder))) list_.FolderGone(folder);
  }
  return true;
}

std::string DeviceCopy::Canonical(const std::string& name) const {
  // Folder by folder: one the device has under another case keeps its own.
  std::string path;
  std::size_t start = 0;
  for (std::size_t slash = name.find('/'); slash != std::string::npos;
       slash = name.find('/', start)) {
    path += name.substr(start, slash - start);
    auto known = folder_names_.find(NameKey(path));
    if (known != folder_names_.end()) path = known->second;
    path += '/';
    start = slash + 1;
  }
  return path + name.substr(start);
}

void DeviceCopy::KnowFolders(const std::string& name) {
  for (const std::string& folder : FoldersOf(name))
    folder_names_.emplace(NameKey(folder), folder);
}

std::string DeviceCopy::FreeName(const std::string& wanted) {
  std::string name = Canonical(wanted), free = name;
  for (int number = 2; taken_.count(Taken(free)) > 0 || Exists(list_.At(free)); ++number)
    free = NumberedPath(name, number);
  return free;
}

CopyOutcome DeviceCopy::CopyAs(const std::string& file, const std::string& name,
                               std::string* why) {
  for (const std::string& folder : FoldersOf(name)) {
    if (Exists(list_.At(folder))) continue;
    bool refused = false;
    if (!MakeFolder(list_.At(folder), &refused, why))
      return refused ? CopyOutcome::kNameRefused : CopyOutcome::kDeviceFailed;
    if (!list_.MadeFolder(folder, why)) return CopyOutcome::kDeviceFailed;
  }
  if (!list_.Starting(name, why)) return CopyOutcome::kDeviceFailed;
  writing = 0;
  unfinished = list_.At(name) + ".part";
  writing = 1;
  CopyOutcome outcome = CopyWhole(file, unfinished, nullptr, why);
  writing = 0;
  return outcome;
}

bool DeviceCopy::CopyOne(CopyItem* item, CopySummary* summary, bool* full,
                         std::string* err) {
  std::string name, why;
  CopyOutcome outcome = CopyOutcome::kNameRefused;
  // A device that takes no name outside ASCII (fusefat's FAT, some players)
  // gets the name in ASCII.
  for (const std::string& wanted : {item->name, AsciiPath(item->name)}) {
    if (outcome != CopyOutcome::kNameRefused || (!name.empty() && wanted == item->name))
      break;
    name = FreeName(wanted);
    outcome = CopyAs(FileOf(item->track), name, &why);
  }
  std::string target = list_.At(name);
  switch (outcome) {
    case CopyOutcome::kSourceFailed:
      Print("Passed over %s: %s\n", FileOf(item->track).c_str(), why.c_str());
      ++summary->problems;
      return true;
    case CopyOutcome::kDeviceFull:
      *full = true;
      return true;
    case CopyOutcome::kNameRefused:  // in ASCII too: something else is wrong
    case CopyOutcome::kDeviceFailed:
      *err = "Cannot write " + target + ": " + why;
      return false;
    case CopyOutcome::kCopied:
      break;
  }
  FileStamp stamp;
  if (!RenameOver(unfinished, target, &why) || !StampOf(target, &stamp)) {
    RemoveFile(unfinished);
    *err = "Cannot write " + target + ": " + why;
    return false;
  }
  taken_.insert(Taken(name));
  KnowFolders(name);
  item->name = name;
  ++summary->copied;
  summary->bytes += stamp.size;
  return list_.Copied(CopyRecord{name, stamp, item->stamp, item->track}, err);
}

bool DeviceCopy::Carry(std::vector<CopyItem>* all, const std::vector<std::size_t>& order,
                       bool extended, CopySummary* summary, std::string* err) {
  // Names change where another file has taken one.
  std::vector<CopyItem>& items = *all;
  std::vector<bool> there(items.size());
  std::vector<std::size_t> to_copy;
  long long bytes = 0;
  for (std::size_t n : order) {
    auto copy = list_.copies().find(items[n].name);
    there[n] = copy != list_.copies().end() &&
               copy->second.track_key == LineKey(items[n].track) &&
               copy->second.track_stamp == items[n].stamp;
    if (there[n]) {
      ++summary->kept;
      taken_.insert(Taken(items[n].name));
      summary->on_device.push_back(n);
    } else {
      to_copy.push_back(n);
      bytes += items[n].stamp.size;
    }
  }
  // The playlist names only what stays before anything goes, and each copy
  // as soon as it is there.
  if (!WritePlaylist(items, order, there, extended, err) ||
      !RemoveOld(items, there, summary, err))
    return false;
  // Each new copy is added at the playlist's end, and the playlist is put
  // in its order once they are all there.
  OutputFile added;
  std::string playlist = list_.At(kDevicePlaylist);
  if (!added.OpenAtEnd(playlist, err)) {
    *err = "Cannot write " + playlist + ": " + *err;
    return false;
  }
  CopyProgress progress(static_cast<int>(to_copy.size()), bytes);
  bool full = false;
  for (std::size_t n : to_copy) {
    int copied = summary->copied;
    if (!CopyOne(&items[n], summary, &full, err)) return false;
    if (full) break;
    if (summary->copied == copied) continue;
    there[n] = true;
    summary->on_device.push_back(n);
    progress.Done(summary->copied, summary->bytes);
    if (extended) added.Write(items[n].extinf + "\n");
    added.Write(items[n].name + "\n");
    added.Flush();
  }
  progress.Erase();
  if (!added.Close(err)) {
    *err = "Cannot write " + playlist + ": " + *err;
    return false;
  }
  if (full) {
    Print("%s is full: %d tracks were not copied\n", folder_.c_str(),
          static_cast<int>(to_copy.size()) - summary->copied);
  }
  return WritePlaylist(items, order, there, extended, err) && list_.Close(err);
}

#include "copy/copy_list.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "base/line_reader.h"
#include "base/text.h"
#include "base/work_files.h"
#include "platform/device_files.h"
#include "platform/files.h"

namespace {

constexpr char kHeader[] = "songwhim copies 1";

std::vector<std::string_view> Fields(std::string_view line, std::size_t most) {
  std::vector<std::string_view> fields;
  while (fields.size() + 1 < most) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) break;
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  fields.push_back(line);
  return fields;
}

bool Number(std::string_view text, long long* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::string Stamp(const FileStamp& stamp) {
  return std::to_string(stamp.size) + "\t" + std::to_string(stamp.time);
}

// True when the copy is as it was made. FAT keeps times to two seconds, in
// local time: a change of time zone or of daylight saving time moves them by
// quarters of an hour, which no edit of the user's does.
bool Unchanged(const FileStamp& now, const FileStamp& made) {
  if (now.size != made.size) return false;
  constexpr long long kSlack = 2'000'000'000LL, kQuarter = 900'000'000'000LL;
  long long apart = now.time > made.time ? now.time - made.time : made.time - now.time;
  long long off = apart % kQuarter;
  return apart <= 26 * 4 * kQuarter && (off <= kSlack || kQuarter - off <= kSlack);
}

}  // namespace

namespace {

// What a line of the list says: its kind and the name it is of, or false.
bool KindAndName(std::string_view line, std::string_view* kind, std::string_view* name) {
  if (line.empty() || line.back() != '\n') return false;  // cut short: never done
  std::vector<std::string_view> fields = Fields(WithoutLineEnd(line), 7);
  *kind = fields[0];
  if (*kind == "copy" && fields.size() == 7) {
    *name = fields[5];
    return true;
  }
  if (fields.size() != 2) return false;
  *name = fields[1];
  return *kind == "part" || *kind == "gone" || *kind == "folder";
}

}  // namespace

void CopyList::Read(std::FILE* file) {
  LineReader reader(file);
  std::string_view line, kind, name;
  if (!reader.NextView(&line) || WithoutLineEnd(line) != kHeader) return;
  std::set<std::string> parts;
  while (reader.NextView(&line)) {
    if (!KindAndName(line, &kind, &name)) continue;
    std::string key(name);
    if (kind == "copy") {
      std::vector<std::string_view> fields = Fields(WithoutLineEnd(line), 7);
      CopyEntry entry{{}, {}, LineKey(fields[6])};
      if (Number(fields[1], &entry.stamp.size) && Number(fields[2], &entry.stamp.time) &&
          Number(fields[3], &entry.track_stamp.size) &&
          Number(fields[4], &entry.track_stamp.time))
        copies_[key] = entry;
      parts.erase(key);
    } else if (kind == "part") {
      parts.insert(key);
    } else if (kind == "gone") {
      copies_.erase(key);
    } else {
      folders_.insert(key);
    }
  }
  for (const std::string& part : parts) RemoveFile(At(part) + ".part");
  for (auto copy = copies_.begin(); copy != copies_.end();) {
    FileStamp now;
    bool ours = StampOf(At(copy->first), &now) && Unchanged(now, copy->second.stamp);
    if (!ours) forgotten_.insert(copy->first);
    copy = ours ? std::next(copy) : copies_.erase(copy);
  }
  for (auto folder = folders_.begin(); folder != folders_.end();)
    folder = Exists(At(*folder)) ? std::next(folder) : folders_.erase(folder);
}

void CopyList::Compact(std::FILE* file, OutputFile* out) const {
  // The line that says last what became of each name, by a hash of it.
  std::unordered_map<std::uint64_t, long long> last;
  std::string_view line, kind, name;
  for (int pass = 0; pass < 2; ++pass) {
    std::rewind(file);
    LineReader reader(file);
    if (!reader.NextView(&line) || WithoutLineEnd(line) != kHeader) return;
    for (long long at = 0; reader.NextView(&line); ++at) {
      if (!KindAndName(line, &kind, &name) || (kind != "copy" && kind != "gone"))
        continue;
      std::uint64_t key = HashText(name);
      if (pass == 0) {
        last[key] = at;
      } else if (kind == "copy" && last[key] == at &&
                 !forgotten_.count(std::string(name))) {
        out->Write(line.data(), line.size());
      }
    }
  }
}

std::string CopyList::At(const std::string& name) const {
  std::string path = name;
  std::replace(path.begin(), path.end(), '/', kPathSeparators[0]);
  bool split = !folder_.empty() && std::strchr(kPathSeparators, folder_.back());
  return folder_ + (split ? "" : std::string(1, kPathSeparators[0])) + path;
}

bool CopyList::Open(const std::string& folder, std::string* err) {
  folder_ = folder;
  file_ = At(kCopyListName);
  if (Exists(file_)) {
    std::FILE* file = nullptr;
    if (!OpenForReading(file_, &file, err)) {
      *err = "Cannot read " + file_ + ": " + *err;
      return false;
    }
    Read(file);
    std::fclose(file);
  }
  // Written anew at once: what a run cut off left is taken up, and the
  // folder is shown to be one that can be written in.
  if (!Close(err)) return false;
  if (journal_.OpenAtEnd(file_, err)) return true;
  *err = "Cannot write " + file_ + ": " + *err;
  return false;
}

bool CopyList::Add(const std::string& line, std::string* err) {
  journal_.Write(line + "\n");
  journal_.Flush();
  if (!journal_.failed()) return true;
  *err = "Cannot write " + file_ + ": " + std::strerror(journal_.error());
  return false;
}

bool CopyList::Starting(const std::string& name, std::string* err) {
  return Add("part\t" + name, err);
}

bool CopyList::Copied(const CopyRecord& record, std::string* err) {
  return Add("copy\t" + Stamp(record.stamp) + "\t" + Stamp(record.track_stamp) + "\t" +
                 record.name + "\t" + record.track,
             err);
}

bool CopyList::Removed(const std::string& name, std::string* err) {
  copies_.erase(name);
  return Add("gone\t" + name, err);
}

bool CopyList::MadeFolder(const std::string& name, std::string* err) {
  folders_.insert(name);
  return Add("folder\t" + name, err);
}

bool CopyList::Close(std::string* err) {
  std::string written;
  if (journal_.get() && !journal_.Close(&written)) {
    *err = "Cannot write " + file_ + ": " + written;
    return false;
  }
  std::string part = PartName(file_);
  OutputFile out;
  if (!out.Open(part, err)) {
    *err = "Cannot write in " + folder_ + ": " + *err;
    return false;
  }
  out.Write(std::string(kHeader) + "\n");
  for (const std::string& folder : folders_) out.Write("folder\t" + folder + "\n");
  std::FILE* file = Exists(file_) ? OpenFile(file_, "r") : nullptr;
  if (file) {
    Compact(file, &out);
    std::fclose(file);
  }
  if (out.Close(err) && RenameOver(part, file_, err)) {
    forgotten_.clear();
    return true;
  }
  RemoveFile(part);
  *err = "Cannot write " + file_ + ": " + *err;
  return false;
}

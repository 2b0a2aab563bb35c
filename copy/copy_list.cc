#include "copy/copy_list.h"

#include <algorithm>
#include <charconv>
#include <cstring>
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

void CopyList::Read(std::FILE* file) {
  LineReader reader(file);
  std::string_view line;
  if (!reader.NextView(&line) || WithoutLineEnd(line) != kHeader) return;
  std::set<std::string> parts;
  while (reader.NextView(&line)) {
    // A last line cut short was never done.
    if (line.empty() || line.back() != '\n') break;
    std::vector<std::string_view> fields = Fields(WithoutLineEnd(line), 7);
    std::string name(fields.size() > 1 ? fields[fields.size() == 7 ? 5 : 1] : "");
    if (fields[0] == "copy" && fields.size() == 7) {
      CopyRecord record{name, {}, {}, std::string(fields[6])};
      if (Number(fields[1], &record.stamp.size) &&
          Number(fields[2], &record.stamp.time) &&
          Number(fields[3], &record.track_stamp.size) &&
          Number(fields[4], &record.track_stamp.time))
        copies_[name] = record;
      parts.erase(name);
    } else if (fields[0] == "part" && fields.size() == 2) {
      parts.insert(name);
    } else if (fields[0] == "gone" && fields.size() == 2) {
      copies_.erase(name);
    } else if (fields[0] == "folder" && fields.size() == 2) {
      folders_.insert(name);
    }
  }
  for (const std::string& name : parts) RemoveFile(At(name) + ".part");
  for (auto record = copies_.begin(); record != copies_.end();) {
    FileStamp now;
    bool ours = StampOf(At(record->first), &now) && Unchanged(now, record->second.stamp);
    record = ours ? std::next(record) : copies_.erase(record);
  }
  for (auto folder = folders_.begin(); folder != folders_.end();)
    folder = Exists(At(*folder)) ? std::next(folder) : folders_.erase(folder);
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
  copies_[record.name] = record;
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
  for (const auto& [name, record] : copies_) {
    out.Write("copy\t" + Stamp(record.stamp) + "\t" + Stamp(record.track_stamp) + "\t" +
              name + "\t" + record.track + "\n");
  }
  if (out.Close(err) && RenameOver(part, file_, err)) return true;
  RemoveFile(part);
  *err = "Cannot write " + file_ + ": " + *err;
  return false;
}

// The list a device keeps of the copies songwhim made on it, kCopyListName
// in the folder copied to: each copy's name there, its size and time as it
// was made, and the track it is a copy of, so that a later copy knows its
// own copies and never touches any other file. A journal: a line is added
// as each thing is done on the device, so that a run cut off at any point
// leaves a list of just what is there, and the list is written anew, whole,
// when a run ends.
//   songwhim copies 1
//   copy TAB size TAB time TAB track's size TAB track's time TAB name TAB track
//   part TAB name          (a copy of that name is being written, as NAME.part)
//   gone TAB name          (the copy of that name was removed)
//   folder TAB name        (songwhim made that folder)
// Names are below the folder, their parts split by '/'; the track, its
// library line, comes last, so it may hold anything.
#ifndef SONGWHIM_COPY_COPY_LIST_H_
#define SONGWHIM_COPY_COPY_LIST_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "base/tag_index.h"
#include "platform/output_file.h"

constexpr char kCopyListName[] = "songwhim.copies";

struct CopyRecord {
  std::string name;       // on the device
  FileStamp stamp;        // of the copy, as it was made
  FileStamp track_stamp;  // of the track's file then
  std::string track;      // the library line, without its line end
};

// What the list holds of a copy while a run goes on: no more than a refresh
// needs, so that a device of a hundred thousand copies costs little memory.
struct CopyEntry {
  FileStamp stamp;
  FileStamp track_stamp;
  std::uint64_t track_key;  // LineKey of the library line
};

class CopyList {
 public:
  // Reads the list in `folder`, when there is one. A copy that is gone, or
  // is no longer as it was made (the user's now), is forgotten; a part of a
  // copy that a run cut off was writing is removed. False, with `err`
  // saying why, when the list cannot be read or written.
  bool Open(const std::string& folder, std::string* err);

  // The copies there when it was opened, less those removed since, by name,
  // and the folders songwhim made that are there.
  const std::map<std::string, CopyEntry>& copies() const { return copies_; }
  const std::set<std::string>& folders() const { return folders_; }

  // Each adds its line, written out before it returns; false, with `err`,
  // when it could not be.
  bool Starting(const std::string& name, std::string* err);
  bool Copied(const CopyRecord& record, std::string* err);
  bool Removed(const std::string& name, std::string* err);
  bool MadeFolder(const std::string& name, std::string* err);
  // Forgets a folder that is gone.
  void FolderGone(const std::string& name) { folders_.erase(name); }

  // Writes the list anew, from what its lines say now, and closes it.
  bool Close(std::string* err);

  // The file `name` on the device, its parts split as the system splits them.
  std::string At(const std::string& name) const;

 private:
  bool Add(const std::string& line, std::string* err);
  void Read(std::FILE* file);
  // Writes to `out` the lines of the list `file` that still say something:
  // the last line of each copy, when it is a copy's, and the folders there.
  void Compact(std::FILE* file, OutputFile* out) const;

  std::string folder_;
  std::string file_;
  OutputFile journal_;
  std::map<std::string, CopyEntry> copies_;
  std::set<std::string> folders_;
  std::set<std::string> forgotten_;  // copies changed since they were made
};

#endif  // SONGWHIM_COPY_COPY_LIST_H_

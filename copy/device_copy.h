// Picked tracks copied onto a device (a USB stick, an SD card, a phone's
// folder): those that fit are copied into the folder given, each under its
// path below its [add] folder with names every device takes, beside a
// playlist of the copies, kDevicePlaylist, whose paths are relative to the
// folder. A later copy to the same folder keeps the copies it picks again,
// removes the copies it made before that it does not, and never touches any
// other file (copy_list.h). Each copy is written beside its name and renamed
// once whole, and after each step the list of copies and the playlist name
// just the copies that are there, so that a run cut off anywhere, by a kill
// or a full or lost device, leaves no part of a track and loses nothing.
#ifndef SONGWHIM_COPY_DEVICE_COPY_H_
#define SONGWHIM_COPY_DEVICE_COPY_H_

#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/tag_index.h"
#include "copy/copy_list.h"
#include "platform/device_files.h"

constexpr char kDevicePlaylist[] = "songwhim.m3u";

// A track that may go on the device.
struct CopyItem {
  std::string track;           // its library line, without its line end
  FileStamp stamp;             // its file's, when the index tells it; found by Fit
  long long milliseconds = 0;  // its length, with -minutes
  std::string extinf;          // its #EXTINF line, with -minutes
  std::size_t album = 0;       // which album it is of, with -albums
  std::string name;            // where it goes on the device; set by Fit
};

// What ends the picks besides the room on the device (0 for none).
struct CopyBounds {
  long long bytes = 0;
  int tracks = 0;
  int albums = 0;  // the items are albums, that go on whole or not at all
  long long milliseconds = 0;
};

struct CopySummary {
  int copied = 0, kept = 0, removed = 0, problems = 0;
  long long bytes = 0;                  // of the copies made
  std::vector<std::size_t> on_device;   // the items copied or kept
  std::vector<std::size_t> unreadable;  // passed over: their file could not be read
};

class DeviceCopy {
 public:
  // Opens `folder` to copy to, for tracks below `roots` (the [add] folders
  // as the listings name them). False, with `err` saying why, when it is no
  // folder that can be written in, lies in an [add] folder (the next build
  // would list the copies), or holds a list of copies that cannot be read.
  bool Open(const std::string& folder, const std::vector<std::string>& roots,
            std::string* err);

  // The room copies may take: what the device has free, and what this
  // folder's own copies take.
  long long Room() const;

  // Which of `items`, tried in order, go on the device: each one while it
  // fits in the room (the device's, with what its own old copies take, and
  // `bounds`), an album whole; one that does not fit is passed over while
  // a smaller one still may. Finds the sizes the items lack; one whose file
  // cannot be found is passed over, noted and counted.
  std::vector<std::size_t> Fit(std::vector<CopyItem>* items, const CopyBounds& bounds,
                               CopySummary* summary);

  // Puts the items `order` (as Fit chose them, in the playlist's order) on
  // the device, with an extended playlist when `extended`, and says what it
  // did. False, with `err` saying why, when the device failed (a full one
  // ends the copying early, and is no failure).
  bool Carry(std::vector<CopyItem>* items, const std::vector<std::size_t>& order,
             bool extended, CopySummary* summary, std::string* err);

  // Removes the part of a copy an interrupted run was writing. Safe in a
  // signal handler.
  static void RemoveUnfinished();

 private:
  std::string NameFor(const std::string& track) const;
  long long Rounded(long long size) const;
  bool WritePlaylist(const std::vector<CopyItem>& items,
                     const std::vector<std::size_t>& order,
                     const std::vector<bool>& there, bool extended, std::string* err);
  bool RemoveOld(const std::vector<CopyItem>& items, const std::vector<bool>& there,
                 CopySummary* summary, std::string* err);
  bool CopyOne(CopyItem* item, CopySummary* summary, bool* full, std::string* err);
  // Copies `file` as `name`, with the folders it lies in.
  CopyOutcome CopyAs(const std::string& file, const std::string& name, std::string* why);
  // `wanted`, or a name made from it that no copy or file has yet.
  std::string FreeName(const std::string& wanted);
  // `name` with the folders the device has already under another case.
  std::string Canonical(const std::string& name) const;
  void KnowFolders(const std::string& name);

  std::string folder_;
  std::vector<std::string> roots_;
  DeviceSpace space_;
  CopyList list_;
  // Hashes of the name keys of the copies this run keeps or makes.
  std::unordered_set<std::uint64_t> taken_;
  std::map<std::string, std::string> folder_names_;  // the folders known, by key
};

#endif  // SONGWHIM_COPY_DEVICE_COPY_H_

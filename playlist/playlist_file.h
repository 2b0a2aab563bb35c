// The playlist file being written: one line per pick, in the order of
// picking, each ended by a line feed.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_

#include <string>
#include <string_view>

#include "platform/output_file.h"

class PlaylistFile {
 public:
  // Creates or empties the playlist. False, with `err` saying why, when it
  // cannot.
  bool Open(std::string* err);

  // Adds the library line `line` (its line feed, if any, included).
  void Add(std::string_view line);

  // Picks added so far.
  int added() const { return added_; }
  // True once a write has failed: there is no use in picking more.
  bool failed() const { return file_.failed(); }

  // Closes the file. False, with `err` saying why, when a write failed.
  bool Close(std::string* err);
  // Closes and removes the file: a playlist that must not stay behind.
  void Discard();

  // The file's name.
  const std::string& name() const { return name_; }

 private:
  OutputFile file_;
  std::string name_;
  int added_ = 0;
};

#endif  // SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_

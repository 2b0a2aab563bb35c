// The playlist file being written: one line per pick, in the order of
// picking, each ended by a line feed. Players read a .m3u playlist in their
// platform's code page (the ANSI code page on Windows), so the playlist is
// random.m3u in that code page while every pick fits it, and becomes
// random.m3u8, in UTF-8, at the first pick that does not. It is written
// beside itself (random.m3u.part) and put in place only once complete, so a
// run that fails leaves the last playlist as it was. A playlist that is a
// link stays one, as the library does.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_

#include <string>
#include <string_view>

#include "platform/output_file.h"

class PlaylistFile {
 public:
  // Starts the playlist. False, with `err` saying why, when it cannot.
  bool Open(std::string* err);

  // Adds the library line `line` (its line feed, if any, included).
  void Add(std::string_view line);
  // Adds a line that is no track, such as a directive of an extended M3U.
  void AddDirective(std::string_view text);

  // Picks added so far.
  int added() const { return added_; }
  // True once a write has failed: there is no use in picking more.
  bool failed() const { return file_.failed(); }
  // True when the playlist had to become UTF-8.
  bool utf8() const { return utf8_; }

  // Closes the file. False, with `err` saying why, when a write failed.
  bool Close(std::string* err);
  // Puts the closed playlist in place of the last one, and removes a
  // playlist of the other kind left by an earlier run. False, with `err`
  // saying why, when it cannot.
  bool Commit(std::string* err);
  // Closes and removes what was written: the last playlist stays.
  void Discard();

  // Removes what an interrupted run was writing. Safe in a signal handler.
  static void RemoveUnfinished();

  // The file's name.
  const std::string& name() const { return name_; }

 private:
  // Starts writing the playlist `name`.
  bool Start(const char* name, std::string* err);
  // Writes `line` (UTF-8, ending in a line feed) as the playlist holds it.
  void Put(const std::string& line);
  // Rewrites what was written so far as random.m3u8 and goes on there.
  void BecomeUtf8();

  OutputFile file_;
  std::string name_;
  std::string target_;   // the file `name_` leads to
  std::string part_;     // what is written, until Commit
  bool direct_ = false;  // `target_` is no plain file, and is written itself
  std::string text_;     // the pick being written
  bool utf8_ = false;
  int added_ = 0;
};

#endif  // SONGWHIM_PLAYLIST_PLAYLIST_FILE_H_

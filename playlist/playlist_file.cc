#include "playlist/playlist_file.h"

#include "base/work_files.h"
#include "platform/files.h"

bool PlaylistFile::Open(std::string* err) {
  name_ = kPlaylistFile;
  if (file_.Open(name_, err)) return true;
  *err = "Cannot create " + name_ + ": " + *err;
  return false;
}

void PlaylistFile::Add(std::string_view line) {
  file_.Write(line.data(), line.size());
  // A last line without its line feed would run into the next pick.
  if (line.empty() || line.back() != '\n') file_.Write("\n", 1);
  ++added_;
}

bool PlaylistFile::Close(std::string* err) {
  if (file_.Close(err)) return true;
  *err = "Cannot write " + name_ + ": " + *err;
  return false;
}

void PlaylistFile::Discard() {
  std::string ignored;
  file_.Close(&ignored);
  RemoveFile(name_);
}

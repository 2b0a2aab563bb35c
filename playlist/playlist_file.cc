#include "playlist/playlist_file.h"

#include <cerrno>
#include <cstdio>

#include "base/line_reader.h"
#include "base/work_files.h"
#include "platform/encoding.h"
#include "platform/files.h"

bool PlaylistFile::Open(std::string* err) {
  name_ = kPlaylistFile;
  if (file_.Open(name_, err)) return true;
  *err = "Cannot create " + name_ + ": " + *err;
  return false;
}

void PlaylistFile::Add(std::string_view line) {
  // A last line without its line feed would run into the next pick.
  std::string pick = FromFileText(line);
  if (pick.empty() || pick.back() != '\n') pick += '\n';
  Put(pick);
  ++added_;
}

void PlaylistFile::AddDirective(std::string_view text) {
  Put(std::string(text) + "\n");
}

void PlaylistFile::Put(const std::string& line) {
  if (!utf8_ && !ToPlaylistText(line, &text_)) BecomeUtf8();
  file_.Write(utf8_ ? line : text_);
}

void PlaylistFile::BecomeUtf8() {
  std::string err;
  if (!file_.Close(&err)) return;
  std::FILE* written = OpenFile(name_, "r");
  if (!written || !file_.Open(kPlaylistUtf8File, &err)) {
    if (written) std::fclose(written);
    return file_.Failed(errno);
  }
  LineReader reader(written);
  std::string_view line;
  while (reader.NextView(&line)) file_.Write(FromPlaylistText(line));
  std::fclose(written);
  if (reader.status() != LineReader::kOk) file_.Failed(EIO);
  RemoveFile(name_);
  name_ = kPlaylistUtf8File;
  utf8_ = true;
}

bool PlaylistFile::Close(std::string* err) {
  if (!file_.Close(err)) {
    *err = "Cannot write " + name_ + ": " + *err;
    return false;
  }
  if (PlaylistMayBeUtf8()) RemoveFile(utf8_ ? kPlaylistFile : kPlaylistUtf8File);
  return true;
}

void PlaylistFile::Discard() {
  std::string ignored;
  file_.Close(&ignored);
  RemoveFile(name_);
}

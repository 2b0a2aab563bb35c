#include "playlist/playlist_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "base/line_reader.h"
#include "base/work_files.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace {

// The file an interrupted run was writing, for the signal handler, which
// may not allocate: empty while none is, or when its name is too long.
constexpr std::size_t kMostName = 4096;
char unfinished[kMostName];
volatile std::sig_atomic_t writing = 0;

void Unfinished(const std::string& part) {
  writing = 0;
  if (part.size() >= kMostName) return;
  std::memcpy(unfinished, part.c_str(), part.size() + 1);
  writing = 1;
}

}  // namespace

bool PlaylistFile::Start(const char* name, std::string* err) {
  name_ = name;
  // A link stays a link: the file it leads to is replaced in its own folder.
  // What is no plain file (a device, a folder) is written to, or refused, as
  // it is: a rename would put a file in its place.
  std::string file = FollowLinks(name_);
  long long size = 0;
  direct_ = Exists(file) && !IsPlainFile(file, &size);
  target_ = file;
  part_ = direct_ ? file : PartName(file);
  // A stale file of the same name may be a link to anywhere: start afresh.
  if (!direct_) RemoveFile(part_);
  if (!direct_) Unfinished(part_);
  if (file_.Open(part_, err)) return true;
  writing = 0;
  *err = "Cannot create " + (direct_ ? name_ : part_) + ": " + *err;
  return false;
}

bool PlaylistFile::Open(std::string* err) {
  return Start(kPlaylistFile, err);
}

void PlaylistFile::Add(std::string_view line) {
  // A last line without its line feed would run into the next pick.
  std::string pick = FromFileText(line);
  if (!pick.empty() && pick.back() == '\n') pick.pop_back();
  Put(ToPlaylistLine(pick) + "\n");
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
  std::FILE* written = OpenFile(part_, "r");
  std::string first = part_;
  bool direct = direct_;
  if (!written || !Start(kPlaylistUtf8File, &err)) {
    if (written) std::fclose(written);
    return file_.Failed(errno);
  }
  LineReader reader(written);
  std::string_view line;
  while (reader.NextView(&line)) file_.Write(FromPlaylistText(line));
  std::fclose(written);
  if (reader.status() != LineReader::kOk) file_.Failed(EIO);
  if (!direct) RemoveFile(first);
  utf8_ = true;
}

bool PlaylistFile::Close(std::string* err) {
  if (file_.Close(err)) return true;
  *err = "Cannot write " + name_ + ": " + *err;
  return false;
}

namespace {

// Writes the bytes of `from` over `to`, in place.
bool CopyOver(const std::string& from, const std::string& to, std::string* err) {
  std::FILE* in = OpenFile(from, "rb");
  std::FILE* out = in ? OpenFile(to, "wb") : nullptr;
  char block[1 << 16];
  bool copied = out != nullptr;
  for (std::size_t got;
       copied && in && (got = std::fread(block, 1, sizeof block, in)) > 0;)
    copied = std::fwrite(block, 1, got, out) == got;
  copied = copied && !std::ferror(in) && std::fflush(out) == 0;
  int error = errno;
  if (out && std::fclose(out) != 0 && copied) {
    copied = false;
    error = errno;
  }
  if (in) std::fclose(in);
  if (!copied) *err = std::strerror(error != 0 ? error : EIO);
  return copied;
}

}  // namespace

bool PlaylistFile::Commit(std::string* err) {
  // Where the last playlist cannot be replaced (a player holds it open, on
  // Windows), it is written over in place, as it was before.
  if (!direct_ && !RenameOver(part_, target_, err)) {
    std::string ignored;
    if (!CopyOver(part_, target_, err)) {
      *err = "Cannot write " + name_ + ": " + *err;
      Discard();
      return false;
    }
    RemoveFile(part_);
  }
  writing = 0;
  if (PlaylistMayBeUtf8()) RemoveFile(utf8_ ? kPlaylistFile : kPlaylistUtf8File);
  return true;
}

void PlaylistFile::Discard() {
  std::string ignored;
  file_.Close(&ignored);
  writing = 0;
  // What is no plain file was written as it is, and goes as it did.
  RemoveFile(direct_ ? name_ : part_);
}

void PlaylistFile::RemoveUnfinished() {
  if (writing) std::remove(unfinished);
}

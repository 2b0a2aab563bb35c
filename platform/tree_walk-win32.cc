// Walking folders on Windows: through the wide API at any length, with no
// command interpreter (so no name is ever read as a command, and a share's
// path works as the working folder), a folder's entries in the order the file
// system gives them, as `dir /s /b` lists them.
#include <windows.h>

#include "platform/file_stamp-win32.h"
#include "platform/tree_walk.h"
#include "platform/unicode-win32.h"

namespace {

// The folder's identity, from a handle that reads nothing of it.
bool IdOf(const std::wstring& folder, FolderId* id) {
  HANDLE handle =
      CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return false;
  id->volume = info.dwVolumeSerialNumber;
  id->file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::string Join(const std::string& folder, const std::string& name) {
  bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
  return separated ? folder + name : folder + "\\" + name;
}

}  // namespace

// Names Windows cannot give a file (a quote, a wildcard) are refused before
// any call sees them.
bool WalkRoot(const std::string& folder, std::string* root, std::string* note) {
  if (folder.find_first_of(std::string("\"*?<>|\0\r\n", 9)) != std::string::npos) {
    *note = "not a usable folder name";
    return false;
  }
  std::wstring full = FullPath(Widen(folder));
  DWORD attributes = GetFileAttributesW(LongPath(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    *note = missing ? "folder not found" : "cannot read folder: " + SystemMessage(error);
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *note = "not a folder";
    return false;
  }
  *root = Narrow(full);
  return true;
}

namespace {

// The stamp a find gives, as StampOf gives it, or none.
FileStamp StampOf(const WIN32_FIND_DATAW& found) {
  FileStamp stamp;
  if (!StampOfInfo(found, &stamp)) return FileStamp();
  return stamp;
}

}  // namespace

bool ReadFolder(const std::string& path,
                const std::function<bool(const FolderId&)>& enter, bool stamps,
                FolderContents* contents) {
  std::wstring folder = LongPath(Widen(path));
  FolderId id;
  if (!IdOf(folder, &id)) {
    contents->problem = SystemMessage(GetLastError());
    return false;
  }
  if (!enter(id)) return false;
  if (folder.back() != L'\\') folder += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search =
      FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    // A folder with nothing in it, not even "." (a drive's root).
    if (error == ERROR_FILE_NOT_FOUND) return true;
    contents->problem = SystemMessage(error);
    return false;
  }
  do {
    std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::string line = Join(path, Narrow(name));
    bool folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder) contents->subfolders.push_back(line);
    if (stamps) AppendStamp(folder ? FileStamp() : StampOf(found), &contents->lines);
    contents->lines += line;
    if (folder) contents->lines += kFolderMark;
    contents->lines += '\n';
    ++contents->count;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

// A read that waited on a network spent time off the processor. The time a
// thread has run is counted in clock ticks here, so only a millisecond off it
// and more than half the time counts as a wait.
WaitMark MarkWaits() {
  WaitMark mark;
  mark.wall = std::chrono::steady_clock::now();
  FILETIME created, ended, kernel, user;
  if (GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) {
    auto ticks = [](const FILETIME& time) {
      return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    mark.cpu_ns = (ticks(kernel) + ticks(user)) * 100;
  }
  return mark;
}

bool WaitedSince(const WaitMark& mark) {
  WaitMark now = MarkWaits();
  auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(now.wall - mark.wall);
  long long off = wall.count() - (now.cpu_ns - mark.cpu_ns);
  return off > 1000000 && off * 2 > wall.count();
}

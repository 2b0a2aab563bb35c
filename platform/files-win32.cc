// Files on Windows, named in UTF-8 and opened through the wide API, so that
// every name works whatever the code page.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/file_stamp-win32.h"
#include "platform/files.h"
#include "platform/unicode-win32.h"

namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

}  // namespace

std::FILE* OpenFile(const std::string& name, const char* mode) {
  std::wstring wide_name = Widen(name), wide_mode = Widen(mode);
  // Another program that has the file open for a moment (a player reading
  // the last playlist, a virus scanner) keeps it from being opened: wait that
  // out for a few seconds, as Windows programs do.
  for (int attempt = 0;; ++attempt) {
    std::FILE* file = _wfopen(wide_name.c_str(), wide_mode.c_str());
    if (file || attempt == 100 || GetLastError() != ERROR_SHARING_VIOLATION) return file;
    Sleep(50);
  }
}

bool OpenForReading(const std::string& name, std::FILE** file, std::string* err) {
  DWORD attributes = GetFileAttributesW(Widen(name).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *err = std::strerror(EISDIR);
    return false;
  }
  *file = OpenFile(name, "r");
  if (*file) return true;
  *err = std::strerror(errno);
  return false;
}

bool Exists(const std::string& name) {
  return GetFileAttributesW(Widen(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsPlainFile(const std::string& name, long long* size) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(LongPath(FullPath(Widen(name))).c_str(),
                            GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return false;
  *size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

bool StampOf(const std::string& name, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  return GetFileAttributesExW(LongPath(FullPath(Widen(name))).c_str(),
                              GetFileExInfoStandard, &info) &&
         StampOfInfo(info, stamp);
}

bool SeekFile(std::FILE* file, long long offset) {
  return _fseeki64(file, offset, SEEK_SET) == 0;
}

std::size_t ReadFileAt(std::FILE* file, long long offset, char* buffer,
                       std::size_t size) {
  return SeekFile(file, offset) ? std::fread(buffer, 1, size, file) : 0;
}

bool InWorkingFolder(const std::string& name) {
  std::wstring full = FullPath(Widen(name));
  std::size_t cut = full.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return false;
  std::wstring here = FullPath(L".");
  if (!here.empty() && here.back() != L'\\') here += L'\\';
  return CompareStringOrdinal(full.c_str(), static_cast<int>(cut + 1), here.c_str(),
                              static_cast<int>(here.size()), TRUE) == CSTR_EQUAL;
}

bool RemoveFile(const std::string& name) {
  return DeleteFileW(Widen(name).c_str()) != 0;
}

bool TruncateFile(const std::string& name, long long size, std::string* err) {
  HANDLE file = CreateFileW(Widen(name).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  bool cut = file != INVALID_HANDLE_VALUE &&
             SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  DWORD error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!cut) *err = std::strerror(ErrnoOf(error));
  return cut;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* err) {
  std::wstring wide_from = Widen(from), wide_to = Widen(to);
  // A playlist run that has the old library open keeps it from being replaced
  // for the few milliseconds it reads; wait that out.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING))
      return true;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    Sleep(100);
  }
  *err = std::strerror(ErrnoOf(GetLastError()));
  return false;
}

bool KeepAside(const std::string& name, const std::string& aside, std::string* err) {
  std::wstring wide_name = Widen(name), wide_aside = Widen(aside);
  DeleteFileW(wide_aside.c_str());
  if (CreateHardLinkW(wide_aside.c_str(), wide_name.c_str(), nullptr)) return true;
  return RenameOver(name, aside, err);
}

std::string_view TextLineEnd() {
  return "\r\n";
}

bool IsSoleName(const std::string& name) {
  HANDLE file =
      CreateFileW(LongPath(FullPath(Widen(name))).c_str(), 0,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool sole =
      GetFileInformationByHandle(file, &info) &&
      !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                                 FILE_ATTRIBUTE_REPARSE_POINT)) &&
      info.nNumberOfLinks == 1;
  CloseHandle(file);
  return sole;
}

// The console's handler runs on a thread of its own, where anything may be
// called.
bool OverwriteStart(const char* name, const char* bytes, std::size_t size) {
  HANDLE file = CreateFileW(LongPath(FullPath(Widen(name))).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool whole = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
  return CloseHandle(file) && whole;
}

// Links on Windows (symbolic links and junctions) are replaced as the files
// they are; the system follows them when the library is read.
std::string FollowLinks(const std::string& name) {
  return name;
}

void AppendFile(std::FILE* from, OutputFile* to, Appended* appended) {
  AppendStream(from, to, appended);
}

bool MoveInsteadOfCopy(const std::string&, const std::string&) {
  return false;
}

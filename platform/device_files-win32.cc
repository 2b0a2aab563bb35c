// Devices on Windows, through the wide API at any length of path: a drive
// (E:\), a share or a folder. The copy is the system's own, and the file is
// flushed to its device before it is named.
#include <windows.h>

#include <algorithm>

#include "platform/device_files.h"
#include "platform/unicode-win32.h"

const char kPathSeparators[] = "\\/";

namespace {

std::wstring Wide(const std::string& path) {
  return LongPath(FullPath(Widen(path)));
}

bool IsFull(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// What a file system that takes a name for none says when it is made: some
// say no more than that access is denied (FAT through a FUSE server).
bool NameRefused(DWORD error) {
  return error == ERROR_INVALID_NAME || error == ERROR_FILENAME_EXCED_RANGE ||
         error == ERROR_ACCESS_DENIED;
}

// The root of the volume that holds `path`: a drive's, or a share's.
std::wstring VolumeOf(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1];
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return path;
  return root;
}

}  // namespace

bool SpaceOf(const std::string& folder, DeviceSpace* space, std::string* err) {
  std::wstring path = Wide(folder);
  DWORD attributes = GetFileAttributesW(path.c_str());
  ULARGE_INTEGER free_bytes;
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !GetDiskFreeSpaceExW(path.c_str(), &free_bytes, nullptr, nullptr)) {
    *err = SystemMessage(GetLastError());
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *err = SystemMessage(ERROR_DIRECTORY);
    return false;
  }
  space->free = static_cast<long long>(free_bytes.QuadPart);
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  std::wstring root = VolumeOf(FullPath(Widen(folder)));
  if (GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free_clusters, &clusters))
    space->cluster = std::max<long long>(static_cast<long long>(sectors) * bytes, 512);
  return true;
}

std::string RealPath(const std::string& path) {
  HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::wstring result(32768, L'\0');
  DWORD length =
      GetFinalPathNameByHandleW(file, result.data(), 32767, FILE_NAME_NORMALIZED);
  CloseHandle(file);
  if (length == 0 || length >= 32767) return std::string();
  result.resize(length);
  // Without the prefix of long paths, as the listings name folders.
  if (result.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    result = L"\\\\" + result.substr(8);
  } else if (result.compare(0, 4, L"\\\\?\\") == 0) {
    result = result.substr(4);
  }
  return Narrow(result);
}

bool MakeFolder(const std::string& path, bool* refused, std::string* err) {
  std::wstring wide = Wide(path);
  if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
  DWORD error = GetLastError();
  *refused = NameRefused(error);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return true;
  *err = SystemMessage(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error);
  return false;
}

void RemoveEmptyFolder(const std::string& path) {
  RemoveDirectoryW(Wide(path).c_str());
}

namespace {

struct Progress {
  const std::function<void(long long)>* copied;
};

DWORD CALLBACK Told(LARGE_INTEGER, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER,
                    DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  const Progress* progress = static_cast<const Progress*>(data);
  if (*progress->copied) (*progress->copied)(static_cast<long long>(done.QuadPart));
  return PROGRESS_CONTINUE;
}

}  // namespace

CopyOutcome CopyWhole(const std::string& from, const std::string& to,
                      const std::function<void(long long)>& copied, std::string* err) {
  std::wstring source = Wide(from), target = Wide(to);
  // Whether the source can be read is told before the copy, which says
  // only that it failed.
  HANDLE check = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (check == INVALID_HANDLE_VALUE) {
    *err = SystemMessage(GetLastError());
    return CopyOutcome::kSourceFailed;
  }
  CloseHandle(check);
  Progress progress{&copied};
  if (!CopyFileExW(source.c_str(), target.c_str(), Told, &progress, nullptr,
                   COPY_FILE_FAIL_IF_EXISTS)) {
    DWORD error = GetLastError();
    DeleteFileW(target.c_str());
    *err = SystemMessage(error);
    if (NameRefused(error)) return CopyOutcome::kNameRefused;
    return IsFull(error) ? CopyOutcome::kDeviceFull : CopyOutcome::kDeviceFailed;
  }
  HANDLE written =
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  bool flushed = written != INVALID_HANDLE_VALUE && FlushFileBuffers(written);
  DWORD error = GetLastError();
  if (written != INVALID_HANDLE_VALUE) CloseHandle(written);
  if (flushed) return CopyOutcome::kCopied;
  DeleteFileW(target.c_str());
  *err = SystemMessage(error);
  return IsFull(error) ? CopyOutcome::kDeviceFull : CopyOutcome::kDeviceFailed;
}

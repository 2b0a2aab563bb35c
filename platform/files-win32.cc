// Files on Windows.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

bool OpenForReading(const std::string& name, std::FILE** file, std::string* err) {
  DWORD attributes = GetFileAttributesA(name.c_str());
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
  return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool InWorkingFolder(const std::string& name) {
  char full[MAX_PATH], here[MAX_PATH];
  char* base = nullptr;
  if (!GetFullPathNameA(name.c_str(), MAX_PATH, full, &base) || !base ||
      !GetCurrentDirectoryA(MAX_PATH, here))
    return false;
  std::string folder(full, base - full);
  std::string working = here;
  if (working.empty() || working.back() != '\\') working += '\\';
  return lstrcmpiA(folder.c_str(), working.c_str()) == 0;
}

bool RemoveFile(const std::string& name) {
  return std::remove(name.c_str()) == 0;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* err) {
  // A playlist run that has the old library open keeps it from being replaced
  // for the few milliseconds it reads; wait that out.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    Sleep(100);
  }
  *err = std::strerror(GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO);
  return false;
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

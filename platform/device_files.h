// What a copy to a device (a USB stick, an SD card, a phone's folder) asks
// of the system: the room there is, folders, and files copied whole and
// written out to the device before they are named. Names are UTF-8. One
// file per platform implements it.
#ifndef SONGWHIM_PLATFORM_DEVICE_FILES_H_
#define SONGWHIM_PLATFORM_DEVICE_FILES_H_

#include <functional>
#include <string>

// The characters that split the parts of a path here.
extern const char kPathSeparators[];

// The room on the file system that holds a folder.
struct DeviceSpace {
  long long free = 0;        // bytes that files may still take
  long long cluster = 4096;  // what a file takes at least, and a multiple of
};
// False, with `err` saying why as the system puts it, when `folder` is no
// folder this process may write in, or its room cannot be told.
bool SpaceOf(const std::string& folder, DeviceSpace* space, std::string* err);

// `path` in full with every link followed, or "" when it names nothing.
std::string RealPath(const std::string& path);

// Makes the folder `path`, whose parent is there; true when it is there.
// `refused` says when it failed for its name, which the file system takes
// for none (one of characters it does not know).
bool MakeFolder(const std::string& path, bool* refused, std::string* err);
// Removes the folder `path` when it holds nothing.
void RemoveEmptyFolder(const std::string& path);

enum class CopyOutcome {
  kCopied,
  kSourceFailed,
  kNameRefused,
  kDeviceFull,
  kDeviceFailed
};

// Copies the plain file `from` to `to`, which must not be there yet, inside
// the kernel where it can, and has the system write it out to its device
// before returning. `copied` hears how many bytes have gone so far. On any
// failure `to` is removed again, and `err` says why, as the system puts it;
// kNameRefused says the file system takes `to` for no name.
CopyOutcome CopyWhole(const std::string& from, const std::string& to,
                      const std::function<void(long long bytes)>& copied,
                      std::string* err);

#endif  // SONGWHIM_PLATFORM_DEVICE_FILES_H_

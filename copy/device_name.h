// The names a copy has on a device: what FAT32, exFAT and NTFS all take,
// made from a track's path below its [add] folder. A pure function of the
// path, so that a refresh finds the copies it made by their names.
#ifndef SONGWHIM_COPY_DEVICE_NAME_H_
#define SONGWHIM_COPY_DEVICE_NAME_H_

#include <string>
#include <string_view>

// `name` (one part of a path) as every such file system takes it: UTF-8
// that is not well formed, control characters and <>:"/\|?* become '_', so
// do dots and blanks at its end; a reserved name (CON, PRN, AUX, NUL, COM1
// to COM9, LPT1 to LPT9, with any extension) gets a '_' before it; and a
// name of more than 255 UTF-16 units is cut where a character ends, before
// its extension, which it keeps.
std::string DeviceName(std::string_view name);

// `relative` (a path below an [add] folder, its parts split by any of
// `separators`) with each part a DeviceName, split by '/'. Empty parts go.
std::string DevicePath(std::string_view relative, std::string_view separators);

// `path` (a DevicePath) in ASCII alone, for a device that takes no other
// names: letters without their marks, and '_' for what is not ASCII then.
std::string AsciiPath(std::string_view path);

// What two names that a device takes for one have alike: any case in any
// script, and either normalization form (FAT, exFAT and NTFS compare names
// without regard to case).
std::string NameKey(std::string_view path);

// `path` made another name by a number before its extension, for a copy
// whose name is taken: "a/b.mp3" with 2 is "a/b (2).mp3".
std::string NumberedPath(std::string_view path, int number);

#endif  // SONGWHIM_COPY_DEVICE_NAME_H_

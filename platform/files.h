// Files by name: opening, renaming and removing them, and copying one onto
// the end of another. Names are UTF-8 on every platform. One file per
// platform implements it.
#ifndef SONGWHIM_PLATFORM_FILES_H_
#define SONGWHIM_PLATFORM_FILES_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "base/tag_index.h"
#include "platform/output_file.h"

// Opens `name` as the C library's fopen does with `mode` (text mode). Returns
// null with errno set.
std::FILE* OpenFile(const std::string& name, const char* mode);

// Opens `name` for reading (text mode) when it is something a read comes to
// the end of: pipes, sockets, folders and terminals are refused, since reading
// one would wait for ever or fail, and opening never waits. On failure `err`
// says why, as the system puts it ("Permission denied", "Is a pipe").
bool OpenForReading(const std::string& name, std::FILE** file, std::string* err);

// True when `name` names a file or folder, through any links, even one that
// cannot be read.
bool Exists(const std::string& name);

// True when `name` names a plain file (through any links), whose size in
// bytes goes to `size`.
bool IsPlainFile(const std::string& name, long long* size);

// The size and modification time of the file `name`, through any links.
// False when it is no plain file.
bool StampOf(const std::string& name, FileStamp* stamp);

// Moves the read position of `file` to `offset` bytes from its start, past
// what a long can say on some platforms.
bool SeekFile(std::FILE* file, long long offset);

// Reads up to `size` bytes of `file` at `offset` into `buffer`, for a file
// read without the C library's buffer: where the system reads at an offset,
// without a seek first. Returns the bytes read, fewer only at the file's end
// or on a failure.
std::size_t ReadFileAt(std::FILE* file, long long offset, char* buffer, std::size_t size);

// True when `name` lies in the working folder, by whatever path it is given.
bool InWorkingFolder(const std::string& name);

// Removes the file `name`; false when it could not.
bool RemoveFile(const std::string& name);

// Cuts the file `name` back to its first `size` bytes. On failure `err` says
// why, as the system puts it.
bool TruncateFile(const std::string& name, long long size, std::string* err);

// Renames `from` to `to`, replacing `to` if it exists. On failure `err` says
// why, as the system puts it.
bool RenameOver(const std::string& from, const std::string& to, std::string* err);

// Makes `aside` a second name of the file `name` (a hard link), so that
// `name` can be replaced and then put back; where the file system has no
// such links, moves `name` to `aside`. An `aside` that was there is
// replaced. On failure `err` says why, as the system puts it.
bool KeepAside(const std::string& name, const std::string& aside, std::string* err);

// How a line written in text mode ends on this system: "\r\n" on Windows,
// "\n" elsewhere.
std::string_view TextLineEnd();

// True when `name` is a plain file of its own: no link, and no other name
// of the same file (a hard link), so that a change to it changes no other.
bool IsSoleName(const std::string& name);

// Writes the `size` bytes at `bytes` over the start of the file `name`,
// which keeps its length. False when it cannot. Safe to call from a signal
// handler.
bool OverwriteStart(const char* name, const char* bytes, std::size_t size);

// The file a symbolic link `name` finally leads to (the name itself when it is
// no link), so that what replaces the file lands where the link points.
std::string FollowLinks(const std::string& name);

// Appends the rest of `from` to `to` in large blocks, inside the kernel where
// it can; a failed write shows in `to`.
void AppendFile(std::FILE* from, OutputFile* to, Appended* appended);

// Renames `from` over `to` when that gives just what appending `from` to the
// empty file `to` would, without the copy: both are plain files of their own
// on one file system, and `from` ends in a line feed. Returns false, having
// changed nothing, when it cannot.
bool MoveInsteadOfCopy(const std::string& from, const std::string& to);

#endif  // SONGWHIM_PLATFORM_FILES_H_

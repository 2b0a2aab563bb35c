// A file being written through a large buffer of our own. The C library's
// default buffer is a few KiB, and glibc ignores setvbuf's size when no buffer
// is given, so a listing of hundreds of megabytes would cost one system call
// every 4 KiB.
#ifndef SONGWHIM_PLATFORM_OUTPUT_FILE_H_
#define SONGWHIM_PLATFORM_OUTPUT_FILE_H_

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class OutputFile {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;

  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates or empties `name` in text mode (or, with `append`, writes on at
  // its end). On failure `err` says why, as the system puts it.
  bool Open(const std::string& name, std::string* err, bool append = false);
  // Writes on at the end of the file `name`, which is there, without the
  // system's append mode, which some file systems refuse (fusefat's FAT).
  bool OpenAtEnd(const std::string& name, std::string* err);

  // Writes byte for byte; the first failure is kept for Close.
  void Write(const char* data, std::size_t size);
  void Write(const std::string& text) { Write(text.data(), text.size()); }

  // Writes out what is buffered (before the file is handed to anyone else).
  void Flush();

  // Closes the file. False, with `err` saying why, when any write failed.
  bool Close(std::string* err);

  std::FILE* get() const { return file_; }
  // True once a write has failed.
  bool failed() const { return error_ != 0; }
  // errno of the first failure, or 0.
  int error() const { return error_; }
  // Keeps `error` (an errno) as the failure of a write made by other means.
  void Failed(int error);

 private:
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  int error_ = 0;
};

// What appending one file to another did.
struct Appended {
  long long bytes = 0;  // bytes copied
  char last = '\n';     // the last byte copied
  int read_error = 0;   // errno of a failed read, or 0
};

// Appends the rest of `from` to `to` through large blocks of memory. A failed
// write shows in `to`.
void AppendStream(std::FILE* from, OutputFile* to, Appended* appended);

#endif  // SONGWHIM_PLATFORM_OUTPUT_FILE_H_

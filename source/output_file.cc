#include "source/output_file.h"

#include <cerrno>

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

bool OutputFile::Open(const std::string& name, bool append) {
  file_ = std::fopen(name.c_str(), append ? "a" : "w");
  if (!file_) return false;
  buffer_.reset(new char[kBufferSize]);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
  return true;
}

void OutputFile::Failed(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
}

void OutputFile::Write(const char* data, std::size_t size) {
  if (!file_) return Failed(EBADF);
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) Failed(errno);
}

void OutputFile::Flush() {
  if (!file_) return Failed(EBADF);
  if (std::fflush(file_) != 0) Failed(errno);
}

int OutputFile::Close() {
  if (!file_) return error_;
  // Flushed first: some C runtimes lose an error of the flush inside fclose.
  Flush();
  if (std::ferror(file_)) Failed(errno);
  if (std::fclose(file_) != 0) Failed(errno);
  file_ = nullptr;
  return error_;
}

void AppendStream(std::FILE* from, OutputFile* to, Appended* appended) {
  std::unique_ptr<char[]> block(new char[OutputFile::kBufferSize]);
  while (to->error() == 0) {
    std::size_t got = std::fread(block.get(), 1, OutputFile::kBufferSize, from);
    if (got == 0) break;
    to->Write(block.get(), got);
    appended->bytes += static_cast<long long>(got);
    appended->last = block[got - 1];
  }
  if (std::ferror(from)) appended->read_error = errno != 0 ? errno : EIO;
}

#include "platform/output_file.h"

#include <cerrno>
#include <cstring>

#include "platform/files.h"

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

bool OutputFile::Open(const std::string& name, std::string* err, bool append) {
  file_ = OpenFile(name, append ? "a" : "w");
  if (!file_) {
    *err = std::strerror(errno);
    return false;
  }
  buffer_.reset(new char[kBufferSize]);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
  return true;
}

bool OutputFile::OpenAtEnd(const std::string& name, std::string* err) {
  file_ = OpenFile(name, "r+");
  if (!file_ || std::fseek(file_, 0, SEEK_END) != 0) {
    *err = std::strerror(errno);
    if (file_) std::fclose(file_);
    file_ = nullptr;
    return false;
  }
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

bool OutputFile::Close(std::string* err) {
  if (file_) {
    // Flushed first: some C runtimes lose an error of the flush inside fclose.
    Flush();
    if (std::ferror(file_)) Failed(errno);
    if (std::fclose(file_) != 0) Failed(errno);
    file_ = nullptr;
  }
  if (error_ != 0) *err = std::strerror(error_);
  return error_ == 0;
}

void AppendStream(std::FILE* from, OutputFile* to, Appended* appended) {
  std::unique_ptr<char[]> block(new char[OutputFile::kBufferSize]);
  while (!to->failed()) {
    std::size_t got = std::fread(block.get(), 1, OutputFile::kBufferSize, from);
    if (got == 0) break;
    to->Write(block.get(), got);
    appended->bytes += static_cast<long long>(got);
    appended->last = block[got - 1];
  }
  if (std::ferror(from)) appended->read_error = errno != 0 ? errno : EIO;
}

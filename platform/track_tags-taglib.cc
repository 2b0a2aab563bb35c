// Track lengths and tags through TagLib, which knows the audio formats.
#include <audioproperties.h>
#include <fileref.h>
#include <mpegfile.h>
#include <mpegheader.h>
#include <mpegproperties.h>
#include <tdebuglistener.h>
#include <tfilestream.h>
#include <tiostream.h>
#include <tpropertymap.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/track_tags.h"
#ifdef _WIN32
#include "platform/unicode-win32.h"
#endif

namespace {

// TagLib tells of damaged files on standard error; the run counts them
// instead.
class Quiet : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

std::string First(const TagLib::PropertyMap& properties, const char* key) {
  auto values = properties.find(key);
  if (values == properties.end() || values->second.isEmpty()) return std::string();
  return values->second.front().to8Bit(true);
}

// The number a tag begins with: the year of "1975-03-01", the track of "3/12".
int LeadingNumber(const std::string& text) {
  int number = 0;
  for (std::size_t n = 0; n < text.size() && n < 9 && text[n] >= '0' && text[n] <= '9';
       ++n)
    number = number * 10 + (text[n] - '0');
  return number;
}

// Larger than any audio file a player lists: such a file could only cost a
// long read of something else. TagLib's offsets are longs, 32 bits on Windows.
constexpr long long kLargestTrack = (8LL << 30) < LONG_MAX ? (8LL << 30) : LONG_MAX;

// The most TagLib may read of one file: far more than the tags and headers
// of any audio file hold, pictures included; and in as many reads at most
// as its scans for audio (a kilobyte a read, at some 20 MB/s) make in a
// fraction of a second, far more than a file that holds audio needs.
constexpr long long kMostRead = 64LL << 20;
constexpr long kMostReads = 4096;

// Bytes that may stand between two frames of an MP3 whose frames are
// counted: more, and it is too damaged to be timed.
constexpr long kMostJunk = 1 << 20;

// Frames are counted only in files up to this size, an MP3 of seven hours:
// counting means a read of the whole file.
constexpr long long kLargestCounted = 1LL << 30;

// A file as TagLib reads it: from a window of the file read in one go,
// which grows while the reads go on in order, so that TagLib's many small
// reads and seeks cost few system calls (dear ones on some machines). Once
// kMostRead bytes have been read, or the reads allowed are used up, every
// read comes back empty, as at the end of the file.
class WindowedStream : public TagLib::IOStream {
 public:
  explicit WindowedStream(TagLib::FileStream* file)
      : file_(file), length_(file->length()) {}

  TagLib::FileName name() const override { return file_->name(); }
  TagLib::ByteVector readBlock(unsigned long length) override {
    if (static_cast<long long>(length) > kMostRead - read_ || reads_ == 0) {
      read_ = kMostRead;
      return TagLib::ByteVector();
    }
    read_ += static_cast<long long>(length);
    if (reads_ > 0) --reads_;
    TagLib::ByteVector block;
    while (block.size() < length && (InWindow() || Fill())) {
      unsigned int at = static_cast<unsigned int>(position_ - start_);
      unsigned int take =
          std::min<unsigned int>(length - block.size(), window_.size() - at);
      block.append(window_.mid(at, take));
      position_ += take;
    }
    return block;
  }
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return file_->isOpen(); }
  void seek(long offset, Position p) override {
    long from = p == Beginning ? 0 : p == Current ? position_ : length_;
    position_ = std::max(0L, from + offset);
  }
  void clear() override { file_->clear(); }
  long tell() const override { return position_; }
  long length() override { return length_; }
  void truncate(long) override {}

  // Allows `reads` more reads, or with -1 any number, and bytes up to
  // kMostRead from now.
  void Allow(long reads) {
    reads_ = reads;
    read_ = 0;
  }

  // Where the first byte `byte` stands from `from` on, within `most` bytes,
  // or -1.
  long Find(char byte, long from, long most) {
    for (position_ = from; position_ < from + most && (InWindow() || Fill());) {
      long at = position_ - start_;
      long end = std::min<long>(window_.size(), at + (from + most - position_));
      const char* data = window_.data();
      const void* found = std::memchr(data + at, byte, end - at);
      if (found) return start_ + (static_cast<const char*>(found) - data);
      position_ = start_ + end;
    }
    return -1;
  }

 private:
  static constexpr unsigned int kFirstWindow = 16 << 10;
  static constexpr unsigned int kLargestWindow = 1 << 20;

  bool InWindow() const {
    return position_ >= start_ && position_ < start_ + static_cast<long>(window_.size());
  }
  // Reads the window at the position: twice as large as the last one when
  // it goes on from it, else small again.
  bool Fill() {
    bool on = position_ == start_ + static_cast<long>(window_.size());
    size_ = on ? std::min(2 * size_, kLargestWindow) : kFirstWindow;
    if (position_ >= length_) return false;
    file_->seek(position_);
    window_ = file_->readBlock(size_);
    start_ = position_;
    return !window_.isEmpty();
  }

  TagLib::FileStream* file_;
  long length_;
  long position_ = 0;
  long start_ = 0;  // where the window starts
  unsigned int size_ = kFirstWindow;
  TagLib::ByteVector window_;
  long long read_ = 0;
  long reads_ = kMostReads;
};

// The frame at or after `from`, within kMostJunk bytes, or -1: a frame sync
// whose frame is followed by another.
long NextFrame(TagLib::MPEG::File* file, WindowedStream* stream, long from) {
  for (long end = from + kMostJunk; from < end;) {
    long at = stream->Find('\xff', from, end - from);
    if (at < 0) return -1;
    if (TagLib::MPEG::Header(file, at, /*checkLength=*/true).isValid()) return at;
    from = at + 1;
  }
  return -1;
}

// The length of an MP3 that has no header to tell it (a VBR file from an
// encoder that writes none), from its frames: TagLib would time the whole
// file at its first frame's bit rate, which may be a tenth of the average.
// 0 when it cannot be counted.
long long CountedLength(TagLib::MPEG::File* file, WindowedStream* stream) {
  stream->Allow(kMostReads);
  long offset = file->firstFrameOffset();
  long last = file->lastFrameOffset();
  stream->Allow(-1);
  long long samples = 0;
  int rate = 0;
  while (offset >= 0 && offset <= last) {
    TagLib::MPEG::Header header(file, offset, /*checkLength=*/false);
    if (!header.isValid() || header.frameLength() <= 0) {
      // Something that is no frame: go on at the next one, if it is near.
      offset = NextFrame(file, stream, offset + 1);
      if (offset < 0) return 0;
      continue;
    }
    samples += header.samplesPerFrame();
    rate = header.sampleRate();
    offset += header.frameLength();
  }
  return rate > 0 ? samples * 1000 / rate : 0;
}

// The length TagLib gives, or where it would guess, the one counted.
long long LengthOf(const TagLib::FileRef& file, long long size, WindowedStream* stream) {
  auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file.file());
  if (!mpeg || !mpeg->audioProperties() || mpeg->audioProperties()->xingHeader())
    return file.audioProperties()->lengthInMilliseconds();
  return size <= kLargestCounted ? CountedLength(mpeg, stream) : 0;
}

}  // namespace

bool CanReadTrackTags() {
  return true;
}

bool ReadTrackTags(const std::string& name, TrackTags* tags, long long size) {
  // Set once, before any thread reads.
  static Quiet quiet;
  static const bool quieted = (TagLib::setDebugListener(&quiet), true);
  (void)quieted;
  if (size < 0 && !IsPlainFile(name, &size)) return false;
  if (size > kLargestTrack) return false;
    // Opened for reading only: TagLib would ask to write, too.
#ifdef _WIN32
  std::wstring wide = LongPath(FullPath(Widen(name)));
  TagLib::FileStream stream(wide.c_str(), /*openReadOnly=*/true);
#else
  TagLib::FileStream stream(name.c_str(), /*openReadOnly=*/true);
#endif
  if (!stream.isOpen()) return false;
  WindowedStream windowed(&stream);
  TagLib::FileRef file(&windowed, true, TagLib::AudioProperties::Fast);
  if (file.isNull() || !file.audioProperties()) return false;
  tags->milliseconds = LengthOf(file, size, &windowed);
  if (tags->milliseconds <= 0) return false;
  // The property map joins the file's tags: a WAV file's tag() is its ID3v2
  // tag alone, while players show its INFO chunk as well.
  TagLib::PropertyMap properties = file.file()->properties();
  tags->artist = First(properties, "ARTIST");
  tags->album_artist = First(properties, "ALBUMARTIST");
  tags->album = First(properties, "ALBUM");
  tags->title = First(properties, "TITLE");
  tags->genre = First(properties, "GENRE");
  tags->year = LeadingNumber(First(properties, "DATE"));
  tags->track = LeadingNumber(First(properties, "TRACKNUMBER"));
  return true;
}

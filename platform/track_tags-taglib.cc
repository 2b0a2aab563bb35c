// Track lengths and tags through TagLib, which knows the audio formats.
#include <audioproperties.h>
#include <fileref.h>
#include <mpegfile.h>
#include <mpegheader.h>
#include <mpegproperties.h>
#include <oggfile.h>
#include <oggpageheader.h>
#include <opusfile.h>
#include <tdebuglistener.h>
#include <tiostream.h>
#include <tpropertymap.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
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

// Every value of the tag `key`, joined as an index field holds them; no
// more of them than the field holds.
std::string Values(const TagLib::PropertyMap& properties, const char* key) {
  std::string joined;
  auto values = properties.find(key);
  if (values == properties.end()) return joined;
  for (const TagLib::String& value : values->second) {
    if (joined.size() > kMaxTagField) break;
    std::string text = value.to8Bit(true);
    if (text.empty()) continue;
    if (!joined.empty()) joined += kValueSeparator;
    joined += text;
  }
  return joined;
}

// The number a tag begins with, after any blanks: the year of "1975-03-01"
// and of " 1975 ", the track of "3/12".
int LeadingNumber(const std::string& text) {
  std::size_t n = text.find_first_not_of(" \t");
  int number = 0;
  for (int digits = 0; n < text.size() && digits < 9 && text[n] >= '0' && text[n] <= '9';
       ++n, ++digits)
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
// reads and seeks cost few system calls (dear ones on some machines). The
// file is read without the C library's buffer, whose every seek reads anew,
// and its length is the one the caller found: a window costs one read at
// its offset (where the system has such reads; a seek and a read where it
// has not), and a file an open, its windows and a close. Once the bytes
// allowed have been read (kMostRead, unless counting frames allows more), or
// the reads allowed are used up, every read comes back empty, as at the end
// of the file.
class WindowedStream : public TagLib::IOStream {
 public:
  WindowedStream(std::FILE* file, TagLib::FileName name, long long length)
      : file_(file), name_(name), length_(static_cast<long>(length)) {
    std::setvbuf(file, nullptr, _IONBF, 0);
  }

  TagLib::FileName name() const override { return name_; }
  TagLib::ByteVector readBlock(unsigned long length) override {
    if (static_cast<long long>(length) > most_ - read_ || reads_ == 0) {
      read_ = most_;
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
  bool isOpen() const override { return true; }
  void seek(long offset, Position p) override {
    long from = p == Beginning ? 0 : p == Current ? position_ : length_;
    position_ = std::max(0L, from + offset);
  }
  void clear() override { std::clearerr(file_); }
  long tell() const override { return position_; }
  long length() override { return length_; }
  void truncate(long) override {}

  // Allows `reads` more reads, or with -1 any number, and `bytes` more
  // bytes.
  void Allow(long reads, long long bytes = kMostRead) {
    reads_ = reads;
    read_ = 0;
    most_ = bytes;
  }
  // False once a read of the file failed. The bounds are no failure: an
  // unchanged file is read the same way again.
  bool complete() const { return !cut_short_; }

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
    window_.resize(static_cast<unsigned int>(std::min<long>(size_, length_ - position_)));
    std::size_t got = ReadFileAt(file_, position_, window_.data(), window_.size());
    window_.resize(static_cast<unsigned int>(got));
    // Less than the file holds there: the read failed.
    if (static_cast<long>(window_.size()) < std::min<long>(size_, length_ - position_))
      cut_short_ = true;
    start_ = position_;
    return !window_.isEmpty();
  }

  std::FILE* file_;
  TagLib::FileName name_;
  long length_;
  long position_ = 0;
  long start_ = 0;  // where the window starts
  unsigned int size_ = kFirstWindow;
  TagLib::ByteVector window_;
  long long read_ = 0;
  long long most_ = kMostRead;
  long reads_ = kMostReads;
  bool cut_short_ = false;
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
  // Counting reads the whole file, a few bytes of each frame.
  stream->Allow(-1, kLargestCounted);
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

// Where an Ogg stream's last page may begin: a page holds at most 65 307
// bytes, and the last one may hold no end of a packet (and so no position).
constexpr long kOggTail = 2 * 65307;

// The granule position of the last page of the Ogg stream `serial`, looked
// for from the end of the file, or -1. TagLib's own search misses a page
// whose "OggS" straddles two of its reads, and times the file by an earlier
// page (as 0 ms, when that holds only headers).
long long LastGranule(WindowedStream* stream, unsigned int serial) {
  long length = stream->length();
  long from = std::max(0L, length - kOggTail);
  stream->Allow(kMostReads);
  stream->seek(from, TagLib::IOStream::Beginning);
  TagLib::ByteVector tail = stream->readBlock(static_cast<unsigned long>(length - from));
  const char* data = tail.data();
  for (long at = static_cast<long>(tail.size()) - 27; at >= 0; --at) {
    if (std::memcmp(data + at, "OggS", 4) != 0 || data[at + 4] != 0) continue;
    unsigned int page = static_cast<unsigned int>(at);
    unsigned int segments = static_cast<unsigned char>(data[at + 26]);
    unsigned long size = 27 + segments;
    if (page + size > tail.size()) continue;
    for (unsigned int n = 0; n < segments; ++n)
      size += static_cast<unsigned char>(data[at + 27 + n]);
    long long granule = tail.toLongLong(page + 6, false);
    if (page + size <= tail.size() && tail.toUInt(page + 14, false) == serial &&
        granule >= 0)
      return granule;
  }
  return -1;
}

// The length of an Ogg stream from its first and last granule positions.
// 0 when they cannot tell it.
long long OggLength(TagLib::Ogg::File* file, const TagLib::AudioProperties& audio,
                    WindowedStream* stream) {
  const TagLib::Ogg::PageHeader* first = file->firstPageHeader();
  if (!first) return 0;
  long long start = first->absoluteGranularPosition();
  long long end = LastGranule(stream, first->streamSerialNumber());
  long long rate = audio.sampleRate(), skip = 0;
  if (dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
    // Opus counts 48 kHz samples, and the decoder drops the first few.
    rate = 48000;
    TagLib::ByteVector head = file->packet(0);
    if (head.size() >= 12) skip = head.toUShort(10, false);
  }
  if (start < 0 || end < 0 || rate <= 0 || end - start - skip <= 0) return 0;
  long long frames = end - start - skip;
  return frames / rate * 1000 + (frames % rate * 1000 + rate / 2) / rate;
}

// The length TagLib gives; for an Ogg stream, the one its last page gives;
// or where TagLib would guess, the one counted. 0 when it cannot be told.
long long LengthOf(const TagLib::FileRef& file, long long size, WindowedStream* stream) {
  const TagLib::AudioProperties* audio = file.audioProperties();
  if (!audio) return 0;
  if (auto* ogg = dynamic_cast<TagLib::Ogg::File*>(file.file())) {
    long long length = OggLength(ogg, *audio, stream);
    return length > 0 ? length : audio->lengthInMilliseconds();
  }
  auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file.file());
  if (!mpeg || !mpeg->audioProperties() || mpeg->audioProperties()->xingHeader())
    return audio->lengthInMilliseconds();
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
  tags->complete = false;
  if (size < 0 && !IsPlainFile(name, &size)) return false;
  tags->complete = true;
  if (size > kLargestTrack) return false;
    // Opened for reading only: TagLib would ask to write, too.
#ifdef _WIN32
  std::wstring wide = LongPath(FullPath(Widen(name)));
  std::FILE* stream = _wfopen(wide.c_str(), L"rb");
  TagLib::FileName file_name(wide.c_str());
#else
  std::FILE* stream = std::fopen(name.c_str(), "rb");
  TagLib::FileName file_name(name.c_str());
#endif
  if (!stream) {
    tags->complete = false;
    return false;
  }
  // Closed however the reading ends.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(stream, std::fclose);
  WindowedStream windowed(stream, file_name, size);
  TagLib::FileRef file(&windowed, true, TagLib::AudioProperties::Fast);
  tags->complete = windowed.complete();
  // Audio has a sample rate, even where its length is not known (a FLAC
  // file written through a pipe); what has neither is no audio TagLib knows.
  const TagLib::AudioProperties* audio = file.isNull() ? nullptr : file.audioProperties();
  if (!audio || (audio->sampleRate() <= 0 && audio->lengthInMilliseconds() <= 0))
    return false;
  // The property map joins the file's tags: a WAV file's tag() is its ID3v2
  // tag alone, while players show its INFO chunk as well.
  TagLib::PropertyMap properties = file.file()->properties();
  tags->artist = Values(properties, "ARTIST");
  tags->album_artist = Values(properties, "ALBUMARTIST");
  if (tags->album_artist.empty()) tags->album_artist = Values(properties, "ALBUM ARTIST");
  tags->album = Values(properties, "ALBUM");
  tags->title = Values(properties, "TITLE");
  tags->genre = Values(properties, "GENRE");
  tags->year = LeadingNumber(Values(properties, "DATE"));
  tags->track = LeadingNumber(Values(properties, "TRACKNUMBER"));
  tags->milliseconds = std::max(0LL, LengthOf(file, size, &windowed));
  return true;
}

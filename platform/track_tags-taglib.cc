// Track lengths and tags through TagLib, which knows the audio formats.
#include <audioproperties.h>
#include <fileref.h>
#include <tdebuglistener.h>
#include <tfilestream.h>
#include <tpropertymap.h>

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

// Larger than any audio file a player lists: such a file could only cost a
// long read of something else.
constexpr long long kLargestTrack = 8LL << 30;

}  // namespace

bool CanReadTrackTags() {
  return true;
}

bool ReadTrackTags(const std::string& name, TrackTags* tags) {
  // Set once, before any thread reads.
  static Quiet quiet;
  static const bool quieted = (TagLib::setDebugListener(&quiet), true);
  (void)quieted;
  long long size = 0;
  if (!IsPlainFile(name, &size) || size > kLargestTrack) return false;
    // Opened for reading only: TagLib would ask to write, too.
#ifdef _WIN32
  std::wstring wide = LongPath(FullPath(Widen(name)));
  TagLib::FileStream stream(wide.c_str(), /*openReadOnly=*/true);
#else
  TagLib::FileStream stream(name.c_str(), /*openReadOnly=*/true);
#endif
  if (!stream.isOpen()) return false;
  TagLib::FileRef file(&stream, true, TagLib::AudioProperties::Fast);
  if (file.isNull() || !file.audioProperties()) return false;
  tags->milliseconds = file.audioProperties()->lengthInMilliseconds();
  if (tags->milliseconds <= 0) return false;
  // The property map joins the file's tags: a WAV file's tag() is its ID3v2
  // tag alone, while players show its INFO chunk as well.
  TagLib::PropertyMap properties = file.file()->properties();
  tags->artist = First(properties, "ARTIST");
  tags->title = First(properties, "TITLE");
  return true;
}

// A build without TagLib knows no track's length.
#include "platform/track_tags.h"

bool CanReadTrackTags() {
  return false;
}

bool ReadTrackTags(const std::string&, TrackTags* tags, long long) {
  // Not read: a build that can read it would.
  tags->complete = false;
  return false;
}

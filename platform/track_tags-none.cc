// A build without TagLib knows no track's length.
#include "platform/track_tags.h"

bool CanReadTrackTags() {
  return false;
}

bool ReadTrackTags(const std::string&, TrackTags*, long long) {
  return false;
}

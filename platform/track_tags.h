// A track's length and the tags a player shows, read from the audio file
// itself with TagLib, where the build has it (track_tags-taglib.cc); a build
// without it cannot tell (track_tags-none.cc).
#ifndef SONGWHIM_PLATFORM_TRACK_TAGS_H_
#define SONGWHIM_PLATFORM_TRACK_TAGS_H_

#include <string>

#include "base/tag_index.h"

// True when this build can read tracks' lengths.
bool CanReadTrackTags();

// Reads the length and tags of the audio file `name`. Only a plain file is
// opened, never a pipe or a device that could keep the reading waiting, and
// none larger than any audio file. False when it is no such file, or no
// audio file whose length can be told.
// A caller that has just found `name` to be a plain file of `size` bytes
// gives it, and the file is not looked at again.
bool ReadTrackTags(const std::string& name, TrackTags* tags, long long size = -1);

#endif  // SONGWHIM_PLATFORM_TRACK_TAGS_H_

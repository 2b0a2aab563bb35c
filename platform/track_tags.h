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
// audio file TagLib knows; when its length cannot be told, its tags are
// read all the same, with a length of 0. `tags->complete` is false when the
// file could not all be read (it could not be opened, or a read failed), so
// that reading it again may tell more; a file that is no audio, or whose
// reading the bounds on what is read stopped, is as complete as it will be.
// A caller that has just found `name` to be a plain file of `size` bytes
// gives it, and the file is not looked at again.
bool ReadTrackTags(const std::string& name, TrackTags* tags, long long size = -1);

#endif  // SONGWHIM_PLATFORM_TRACK_TAGS_H_

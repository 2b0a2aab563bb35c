// Audio files made byte by byte for the tests, with exactly the tags and
// lengths a test needs: the headers TagLib reads, and no audio to decode.
#ifndef SONGWHIM_TESTS_AUDIO_FILES_H_
#define SONGWHIM_TESTS_AUDIO_FILES_H_

#include <string>
#include <vector>

// A FLAC file of `milliseconds` at 48 kHz (0: of a length its header does
// not tell, as a file written through a pipe is) with the Vorbis comments
// `comments` ("ARTIST=...", one value each; a key may come again).
std::string Flac(long long milliseconds, const std::vector<std::string>& comments);

// An Ogg Vorbis file whose last page ends at `samples` (44.1 kHz) and holds
// `audio` bytes, after the three header packets; the comments as above.
std::string OggVorbis(long long samples, const std::vector<std::string>& comments,
                      std::size_t audio);

// An MP3 of MPEG-1 layer III frames at 44.1 kHz with no header that tells
// its length: one frame of 32 kbit/s, then `frames` of 320 kbit/s, silent.
// Timed from its first frame, as TagLib times such a file, it would last
// ten times as long as it does.
std::string VbrMp3WithoutHeader(int frames);

#endif  // SONGWHIM_TESTS_AUDIO_FILES_H_

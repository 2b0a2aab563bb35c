#include "tests/audio_files.h"

#include <cstdint>

namespace {

// `value` in `bytes` bytes, least significant first.
std::string Little(std::uint64_t value, int bytes) {
  std::string text;
  for (int n = 0; n < bytes; ++n) text += static_cast<char>((value >> (8 * n)) & 0xff);
  return text;
}

std::string Big(std::uint64_t value, int bytes) {
  std::string text;
  for (int n = bytes - 1; n >= 0; --n)
    text += static_cast<char>((value >> (8 * n)) & 0xff);
  return text;
}

// A Vorbis comment block: a vendor, then each comment after its length.
std::string Comments(const std::vector<std::string>& comments) {
  std::string block = Little(8, 4) + "songwhim" + Little(comments.size(), 4);
  for (const std::string& comment : comments)
    block += Little(comment.size(), 4) + comment;
  return block;
}

std::uint32_t OggCrc(const std::string& page) {
  std::uint32_t crc = 0;
  for (unsigned char byte : page) {
    crc ^= static_cast<std::uint32_t>(byte) << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
  }
  return crc;
}

// An Ogg page of the packets `packets`, each ending on it.
std::string OggPage(const std::vector<std::string>& packets, std::uint64_t granule,
                    int sequence, char flags) {
  std::string lacing, data;
  for (const std::string& packet : packets) {
    std::size_t left = packet.size();
    for (; left >= 255; left -= 255) lacing += '\xff';
    lacing += static_cast<char>(left);
    data += packet;
  }
  std::string page = std::string("OggS") + '\0' + flags + Little(granule, 8) +
                     Little(0x5a5a, 4) + Little(sequence, 4) + Little(0, 4) +
                     static_cast<char>(lacing.size()) + lacing + data;
  std::string crc = Little(OggCrc(page), 4);
  return page.replace(22, 4, crc);
}

}  // namespace

std::string Flac(long long milliseconds, const std::vector<std::string>& comments) {
  // 48 kHz, two channels, 16 bits, and the samples in all (0: not told).
  std::uint64_t samples = static_cast<std::uint64_t>(milliseconds) * 48;
  std::uint64_t format = (48000ULL << 44) | (1ULL << 41) | (15ULL << 36) | samples;
  std::string info = Big(4096, 2) + Big(4096, 2) + Big(0, 3) + Big(0, 3) +
                     Big(format, 8) + std::string(16, '\0');
  std::string tags = Comments(comments);
  return "fLaC" + std::string(1, '\0') + Big(info.size(), 3) + info + '\x84' +
         Big(tags.size(), 3) + tags;
}

std::string OggVorbis(long long samples, const std::vector<std::string>& comments,
                      std::size_t audio) {
  std::string identification = "\x01vorbis" + Little(0, 4) + '\x02' + Little(44100, 4) +
                               Little(0, 4) + Little(128000, 4) + Little(0, 4) + '\xb8' +
                               '\x01';
  std::string comment = "\x03vorbis" + Comments(comments) + '\x01';
  std::string setup = "\x05vorbis" + std::string(40, '\x01');
  return OggPage({identification}, 0, 0, '\x02') + OggPage({comment, setup}, 0, 1, 0) +
         OggPage({std::string(audio, '\x55')}, static_cast<std::uint64_t>(samples), 2,
                 '\x04');
}

std::string VbrMp3WithoutHeader(int frames) {
  auto frame = [](unsigned char bitrate_index, int bitrate) {
    std::string data(144 * bitrate / 44100, '\0');
    data[0] = '\xff';
    data[1] = '\xfb';                                 // MPEG-1, layer III, no CRC
    data[2] = static_cast<char>(bitrate_index << 4);  // 44.1 kHz, no padding
    data[3] = '\xc4';                                 // mono
    return data;
  };
  std::string mp3 = frame(1, 32000);
  for (int n = 0; n < frames; ++n) mp3 += frame(14, 320000);
  return mp3;
}

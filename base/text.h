// Text helpers every layer leans on: the case-insensitive prefix comparison of
// options, headers, file types and ignore entries.
#ifndef SONGWHIM_BASE_TEXT_H_
#define SONGWHIM_BASE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Compares at most `n` characters, ASCII letters without regard to case, and
// stops early when both texts end together. A text ends at its last byte or at
// a NUL byte, so a keyword compared over more than its length matches only
// itself, and over exactly its length matches anything that begins with it.
bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n);

// `line` without the line feed and carriage returns at its end.
std::string_view WithoutLineEnd(std::string_view line);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF). Plain ASCII is.
bool IsUtf8(std::string_view text);

// The ASCII letter `c` in lower case; any other byte as it is.
inline char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Eight bytes at once with FoldCase applied to each: every byte from 'A' to
// 'Z' gains 0x20, and no other byte changes.
inline std::uint64_t FoldCase8(std::uint64_t word) {
  constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
  std::uint64_t low = word & (0x7f * kEachByte);
  std::uint64_t above_z = low + (0x7f - 'Z') * kEachByte;
  std::uint64_t from_a = low + (0x80 - 'A') * kEachByte;
  std::uint64_t upper = ~word & (from_a ^ above_z) & (0x80 * kEachByte);
  return word | (upper >> 2);
}

// Mixes every bit of `value` into every bit of the result, reversibly.
inline std::uint64_t MixBits(std::uint64_t value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdULL;
  value ^= value >> 33;
  value *= 0xc4ceb9fe1a85ec53ULL;
  value ^= value >> 33;
  return value;
}

// A 64-bit hash of `text`, eight bytes at a time.
std::uint64_t HashText(std::string_view text);

// `text` with FoldCase applied to each byte, into `folded`.
void FoldInto(std::string_view text, std::string* folded);

// The key of a line of the library (or of a file that names tracks a line
// each): the hash of its text without its line end, never 0. Equal tracks
// have equal keys, whatever their line ends.
std::uint64_t LineKey(std::string_view line);

// True when `line` holds nothing but blanks, tabs and its line end: a line
// of a library edited by hand that names no track.
bool IsBlankLine(std::string_view line);

#endif  // SONGWHIM_BASE_TEXT_H_

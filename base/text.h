// Text helpers every layer leans on: the case-insensitive prefix comparison of
// options, headers, file types and ignore entries.
#ifndef SONGWHIM_BASE_TEXT_H_
#define SONGWHIM_BASE_TEXT_H_

#include <cstddef>
#include <string_view>

// Compares at most `n` characters, ASCII letters without regard to case, and
// stops early when both texts end together. A text ends at its last byte or at
// a NUL byte, so a keyword compared over more than its length matches only
// itself, and over exactly its length matches anything that begins with it.
bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF). Plain ASCII is.
bool IsUtf8(std::string_view text);

// The ASCII letter `c` in lower case; any other byte as it is.
inline char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

#endif  // SONGWHIM_BASE_TEXT_H_

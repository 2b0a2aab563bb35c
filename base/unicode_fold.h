// Text in the form -only and -skip compare it in, from utf8proc's Unicode
// data: canonically decomposed (NFD, so that "é" typed as one character and
// "e" with a combining accent are the same), case folded in every script
// ("ß" is "ss", "Ё" is "ё"), and each letter's marks in canonical order.
// Hangul syllables stay whole, decomposed or not, so that a syllable never
// matches part of another.
#ifndef SONGWHIM_BASE_UNICODE_FOLD_H_
#define SONGWHIM_BASE_UNICODE_FOLD_H_

#include <string>
#include <string_view>

// Folds the well-formed UTF-8 `text` into `folded`, one code point each.
void FoldUnicode(std::string_view text, std::u32string* folded);

// True when `c` is a mark that goes with the letter before it (an accent,
// a cedilla, a diaeresis: canonical combining class above 0).
bool IsCombiningMark(char32_t c);

#endif  // SONGWHIM_BASE_UNICODE_FOLD_H_

// Text in the form -only and -skip compare it in, from utf8proc's Unicode
// data: canonically decomposed (NFD, so that "é" typed as one character and
// "e" with a combining accent are the same), case folded in every script
// ("ß" is "ss", "Ё" is "ё"), and each letter's marks in canonical order.
// Hangul syllables stay whole, decomposed or not, so that a syllable never
// matches part of another.
#ifndef SONGWHIM_BASE_UNICODE_FOLD_H_
#define SONGWHIM_BASE_UNICODE_FOLD_H_

#include <functional>
#include <string>
#include <string_view>

// Folds the well-formed UTF-8 `text` into `folded`, one code point each.
void FoldUnicode(std::string_view text, std::u32string* folded);

// True when `c` is a mark that goes with the letter before it (an accent,
// a cedilla, a diaeresis: canonical combining class above 0).
bool IsCombiningMark(char32_t c);

// Calls `each` with every code point outside ASCII that folds into other
// code points, and what it folds into: what a search must look for besides
// the folded letters themselves. About 3 000 of them, found in a
// millisecond or so.
void EveryFolding(
    const std::function<void(char32_t c, const std::u32string& folded)>& each);

// The well-formed UTF-8 `text` decomposed, without its marks, case kept:
// "Björk" is "Bjork".
std::string WithoutMarks(std::string_view text);

// The code point `c` in UTF-8.
std::string Utf8(char32_t c);
// The code point at `*at` of well-formed UTF-8, stepping past it.
char32_t DecodeUtf8(std::string_view text, std::size_t* at);

// Hangul: the leading consonant a syllable begins with, and the syllable
// without its trailing one; `c` itself when it is no syllable.
char32_t LeadingConsonant(char32_t c);
char32_t OpenSyllable(char32_t c);

#endif  // SONGWHIM_BASE_UNICODE_FOLD_H_

// A text that -only or -skip looks for, compared the way a person reads it:
// case is ignored in every script, a text in either normalization form
// (NFC, as keyboards type it, or NFD, as macOS names files) is the same
// text, and a letter given without marks also finds that letter with marks
// ("bjork" finds "Björk", "celine" finds "Céline"), while a letter given
// with marks finds only that letter ("peña" does not find "pena"), as
// smart-case search does for case. A text, or a line looked in, that is not
// UTF-8 is compared as bytes, ASCII letters without regard to case.
#ifndef SONGWHIM_BASE_TEXT_PATTERN_H_
#define SONGWHIM_BASE_TEXT_PATTERN_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TextPattern {
 public:
  explicit TextPattern(std::string_view text);

  // True when `text` (a line or a field) holds the pattern somewhere.
  bool In(std::string_view text) const;

  // Where in `text`, some whole lines, a line that may hold the pattern
  // may be: a place in the first such line, or npos when none can. Lets a
  // search pass over most lines as fast as memchr reads.
  std::size_t Candidate(std::string_view text) const;

  // Chooses the byte looked for first by how often each byte stands in
  // some of the text looked in (`counts`, by byte value).
  void Tune(const std::vector<long>& counts);

 private:
  // The pattern as bytes, ASCII letters in lower case, and the byte looked
  // for first: one that is no letter, where it has one, so that one search
  // finds every place the text may start.
  struct Bytes {
    explicit Bytes(std::string_view text);
    std::size_t Find(std::string_view text) const;
    void Tune(const std::vector<long>& counts);

    std::string folded;
    std::size_t anchor = 0;
    bool letters_only = true;
  };

  bool UnicodeIn(std::string_view text) const;

  Bytes raw_;              // the text as given, for what is not UTF-8
  bool utf8_;              // the text is UTF-8
  std::u32string folded_;  // its folded form, when it is
  bool ascii_;             // that form is all ASCII, so that ASCII text can hold it
  Bytes ascii_bytes_;      // that form as bytes, when it is
};

#endif  // SONGWHIM_BASE_TEXT_PATTERN_H_

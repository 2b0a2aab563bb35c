// A text that -only or -skip looks for, compared the way a person reads it:
// case is ignored in every script, a text in either normalization form
// (NFC, as keyboards type it, or NFD, as macOS names files) is the same
// text, and a letter given without marks also finds that letter with marks
// ("bjork" finds "Björk", "celine" finds "Céline"), while a letter given
// with marks finds only that letter ("peña" does not find "pena"), as
// smart-case search does for case. A text, or a line looked in, that is not
// UTF-8 is compared as bytes, ASCII letters without regard to case.
//
// A search never folds what it passes over: one letter of the text (the
// anchor, the rarest by what the lines hold) can stand in a line only in a
// few ways (its cases, and the letters and marks that fold into it), and a
// search looks for those with memchr; only a line that holds one is folded,
// and only around it.
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
  // may be: a place in the first such line, or npos when none can. A line
  // that holds it is never passed over; most that do not are.
  std::size_t Candidate(std::string_view text) const;

  // Chooses the anchor by how often each byte stands in some of the text
  // looked in (`counts`, by byte value).
  void Tune(const std::vector<long>& counts);

 private:
  // The pattern as bytes, ASCII letters in lower case, and the byte looked
  // for first: one that is no letter, where it has one, so that one search
  // finds every place the text may start.
  struct Bytes {
    explicit Bytes(std::string_view text);
    std::size_t Find(std::string_view text) const;

    std::string folded;
    std::size_t anchor = 0;
    bool letters_only = true;
  };

  // A form of a letter: what it may stand as in a line.
  struct Form {
    std::string bytes;
    bool whole = true;    // the whole letter, not a part of it (a mark)
    std::size_t key = 0;  // where the byte looked for stands in it
  };
  // A letter of the folded pattern.
  struct Letter {
    std::size_t at = 0;       // where it begins in `folded_`
    std::vector<Form> forms;  // every line that holds it holds one
    bool anchors = true;      // it may be the anchor
    char plain = 0;           // the letter, when it is ASCII without marks
  };

  void FindLetters();
  void ChooseAnchor(const std::vector<long>& counts);
  // Where the first form of the anchor in `text` from `from` begins, or
  // npos. With `verify`, an ASCII form in ASCII text counts only where the
  // text holds the pattern there, as the bytes say.
  std::size_t FindForm(std::string_view text, std::size_t from, bool verify,
                       std::size_t* length = nullptr) const;
  // False when the ASCII next to the whole form at `at` of `length` bytes
  // tells that the pattern is not there.
  bool NeighboursAgree(std::string_view text, std::size_t at, std::size_t length) const;
  // True when the text around the form at `at` holds the pattern.
  bool HoldsAround(std::string_view text, std::size_t at) const;
  // True when `text`, folded, holds the pattern.
  bool FoldedHolds(std::string_view text) const;

  Bytes raw_;              // the text as given, for what is not UTF-8
  bool utf8_;              // the text is UTF-8
  std::u32string folded_;  // its folded form, when it is
  bool ascii_;             // that form is all ASCII, so that ASCII text can hold it
  Bytes ascii_bytes_;      // that form as bytes, when it is
  std::vector<Letter> letters_;
  std::size_t anchor_;       // a letter, or npos: every byte outside ASCII is looked for
  std::vector<Form> forms_;  // the anchor's
  std::string searched_;     // the bytes the forms are found by, each once
};

#endif  // SONGWHIM_BASE_TEXT_PATTERN_H_

#include "base/text_pattern.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/text.h"
#include "base/unicode_fold.h"

namespace {

bool IsLetter(char c) {
  return FoldCase(c) != c || (c >= 'a' && c <= 'z');
}

// How rarely a byte stands in a path, roughly: separators, blanks and dots
// are everywhere, letters are common, anything else is rarer.
int Rareness(char c) {
  if (IsLetter(c)) return 0;
  if (c == '/' || c == '\\' || c == ' ' || c == '.') return 1;
  return 2;
}

// True when `text` at `at` holds `folded`, letters compared in lower case.
bool HoldsAt(std::string_view text, std::size_t at, const std::string& folded) {
  if (at + folded.size() > text.size()) return false;
  for (std::size_t n = 0; n < folded.size(); ++n) {
    if (FoldCase(text[at + n]) != folded[n]) return false;
  }
  return true;
}

// The next `c` in [from, end), or `end`.
const char* Next(const char* from, const char* end, char c) {
  const void* found = from < end ? std::memchr(from, c, end - from) : nullptr;
  return found ? static_cast<const char*>(found) : end;
}

// Where the first byte outside ASCII stands in `text`, or npos; eight bytes
// at a time.
std::size_t FirstWide(std::string_view text) {
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    if (word & 0x8080808080808080ULL) break;
  }
  for (; at < text.size(); ++at) {
    if (static_cast<unsigned char>(text[at]) >= 0x80) return at;
  }
  return std::string_view::npos;
}

bool AllAscii(const std::u32string& text) {
  for (char32_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// True when `pattern` matches `text` from `at`: each code point the same,
// and after a letter the pattern gives marks for, the same marks; after one
// it gives none for, any.
bool MatchesAt(const std::u32string& text, std::size_t at,
               const std::u32string& pattern) {
  std::size_t k = at;
  for (std::size_t j = 0; j < pattern.size();) {
    if (k >= text.size() || text[k] != pattern[j]) return false;
    bool mark = IsCombiningMark(pattern[j]);
    ++j;
    ++k;
    if (mark) continue;
    if (j < pattern.size() && IsCombiningMark(pattern[j])) {
      for (; j < pattern.size() && IsCombiningMark(pattern[j]); ++j, ++k) {
        if (k >= text.size() || text[k] != pattern[j]) return false;
      }
      if (k < text.size() && IsCombiningMark(text[k])) return false;
    } else {
      while (k < text.size() && IsCombiningMark(text[k])) ++k;
    }
  }
  return true;
}

}  // namespace

TextPattern::Bytes::Bytes(std::string_view text) {
  FoldInto(text, &folded);
  for (std::size_t n = 1; n < folded.size(); ++n) {
    if (Rareness(folded[n]) > Rareness(folded[anchor])) anchor = n;
  }
  letters_only = folded.empty() || IsLetter(folded[anchor]);
}

std::size_t TextPattern::Bytes::Find(std::string_view text) const {
  constexpr std::size_t kNone = std::string_view::npos;
  if (folded.empty()) return 0;
  if (folded.size() > text.size()) return kNone;
  // The byte looked for first, in both cases when it is a letter: each
  // search runs through the text as fast as memchr does.
  char lower = folded[anchor];
  char upper = letters_only ? static_cast<char>(lower - 'a' + 'A') : lower;
  const char* end = text.data() + text.size() - (folded.size() - anchor - 1);
  const char* start = text.data() + anchor;
  const char* next_lower = Next(start, end, lower);
  const char* next_upper = upper == lower ? end : Next(start, end, upper);
  while (next_lower < end || next_upper < end) {
    const char* found = std::min(next_lower, next_upper);
    std::size_t at = found - text.data() - anchor;
    if (HoldsAt(text, at, folded)) return at;
    if (found == next_lower) next_lower = Next(found + 1, end, lower);
    if (found == next_upper) next_upper = Next(found + 1, end, upper);
  }
  return kNone;
}

namespace {

std::u32string FoldedIfUtf8(std::string_view text, bool utf8) {
  std::u32string folded;
  if (utf8) FoldUnicode(text, &folded);
  return folded;
}

std::string AsBytes(const std::u32string& ascii) {
  return std::string(ascii.begin(), ascii.end());
}

// Every code point that folds into others, and what into, gathered once.
const std::vector<std::pair<char32_t, std::u32string>>& Foldings() {
  static const auto* foldings = [] {
    auto* all = new std::vector<std::pair<char32_t, std::u32string>>;
    EveryFolding([all](char32_t c, const std::u32string& folded) {
      all->emplace_back(c, folded);
    });
    return all;
  }();
  return *foldings;
}

// True when each mark of `marks` is one of `allowed`, as often.
bool AmongMarks(std::u32string marks, std::u32string allowed) {
  for (char32_t mark : marks) {
    std::size_t at = allowed.find(mark);
    if (at == std::u32string::npos) return false;
    allowed.erase(at, 1);
  }
  return true;
}

// How often a byte stands in a line, before any line was seen: separators,
// blanks and dots everywhere, letters often, anything else rarely.
std::vector<long> GuessedCounts() {
  std::vector<long> counts(256, 10);
  for (int c = 0; c < 128; ++c) counts[c] = IsLetter(static_cast<char>(c)) ? 50 : 5;
  for (char c : {'/', '\\', ' ', '.'}) counts[static_cast<unsigned char>(c)] = 500;
  return counts;
}

// The most bytes a search looks for at once.
constexpr std::size_t kMostSearched = 16;

}  // namespace

TextPattern::TextPattern(std::string_view text)
    : raw_(text),
      utf8_(IsUtf8(text)),
      folded_(FoldedIfUtf8(text, utf8_)),
      ascii_(utf8_ && AllAscii(folded_)),
      ascii_bytes_(ascii_ ? AsBytes(folded_) : std::string()),
      anchor_(std::string::npos) {
  if (!utf8_ || folded_.empty()) return;
  FindLetters();
  ChooseAnchor(GuessedCounts());
}

void TextPattern::FindLetters() {
  for (std::size_t at = 0; at < folded_.size();) {
    Letter letter;
    letter.at = at;
    char32_t base = folded_[at];
    // Marks before any letter go with a letter of the line looked in: they
    // cannot be looked for on their own.
    letter.anchors = !IsCombiningMark(base);
    if (letter.anchors) ++at;
    std::size_t marks_at = at;
    while (at < folded_.size() && IsCombiningMark(folded_[at])) ++at;
    std::u32string marks = folded_.substr(marks_at, at - marks_at);
    if (!letter.anchors) {
      letters_.push_back(std::move(letter));
      continue;
    }
    // An ASCII letter without marks stands as itself in either case; with
    // marks, a line that holds it decomposed holds its marks.
    auto add = [&letter](char32_t c, bool whole) {
      letter.forms.push_back(Form{Utf8(c), whole, 0});
    };
    if (base < 0x80 && marks.empty()) {
      letter.plain = static_cast<char>(base);
      add(base, true);
      if (base >= 'a' && base <= 'z') add(base - 'a' + 'A', true);
    } else if (base < 0x80) {
      // Marks stand as themselves, or as marks that fold into them.
      for (char32_t mark : marks) {
        add(mark, false);
        for (const auto& [c, folding] : Foldings()) {
          if (IsCombiningMark(folding[0]) && folding.find(mark) != std::u32string::npos)
            add(c, false);
        }
      }
    } else {
      add(base, true);
      // A Hangul syllable decomposed begins with its leading consonant.
      if (LeadingConsonant(base) != base) add(LeadingConsonant(base), false);
      if (OpenSyllable(base) != base) add(OpenSyllable(base), false);
    }
    // Then every letter that folds into this one, with no marks but these.
    for (const auto& [c, folding] : Foldings()) {
      if (folding[0] != base) continue;
      std::size_t end = 1;
      while (end < folding.size() && IsCombiningMark(folding[end])) ++end;
      // One that folds into more letters ("ß" into "ss") is not this one
      // alone.
      if (marks.empty() || AmongMarks(folding.substr(1, end - 1), marks))
        add(c, end == folding.size());
    }
    // In a text outside ASCII, a letter that may stand as ASCII is no
    // anchor: ASCII text cannot hold the text.
    if (!ascii_ && base < 0x80 && marks.empty()) letter.anchors = false;
    letters_.push_back(std::move(letter));
  }
}

void TextPattern::ChooseAnchor(const std::vector<long>& counts) {
  // Each byte looked for costs a pass of memchr, worth as much as some 256th
  // of the bytes seen in hits, and each byte that stands in the text a hit.
  long total = 0;
  for (long count : counts) total += count;
  const double pass = static_cast<double>(total) / 256 + 1;
  double best = -1;
  for (std::size_t n = 0; n < letters_.size(); ++n) {
    if (!letters_[n].anchors) continue;
    // Each form is found by one of its bytes, chosen so that few bytes, and
    // rare ones, find them all: the byte that finds the most forms yet
    // unfound for what it costs, then the next.
    std::vector<Form> forms = letters_[n].forms;
    std::vector<bool> found(forms.size());
    std::string searched;
    double cost = 0;
    for (;;) {
      long finds[256] = {};
      for (std::size_t f = 0; f < forms.size(); ++f) {
        if (found[f]) continue;
        std::string seen;
        for (char c : forms[f].bytes) {
          if (seen.find(c) == std::string::npos) ++finds[static_cast<unsigned char>(c)];
          seen += c;
        }
      }
      int chosen = -1;
      double value = 0;
      for (int c = 0; c < 256; ++c) {
        double worth = finds[c] / (static_cast<double>(counts[c]) + pass);
        if (finds[c] > 0 && worth > value) {
          chosen = c;
          value = worth;
        }
      }
      if (chosen < 0) break;
      searched += static_cast<char>(chosen);
      cost += static_cast<double>(counts[chosen]) + pass;
      for (std::size_t f = 0; f < forms.size(); ++f) {
        std::size_t key = forms[f].bytes.find(static_cast<char>(chosen));
        if (found[f] || key == std::string::npos) continue;
        forms[f].key = key;
        found[f] = true;
      }
    }
    if (searched.size() > kMostSearched || (best >= 0 && cost >= best)) continue;
    best = cost;
    anchor_ = n;
    forms_ = std::move(forms);
    searched_ = std::move(searched);
  }
}

void TextPattern::Tune(const std::vector<long>& counts) {
  if (anchor_ != std::string::npos) ChooseAnchor(counts);
}

std::size_t TextPattern::FindForm(std::string_view text, std::size_t from, bool verify,
                                  std::size_t* length) const {
  constexpr std::size_t kNone = std::string_view::npos;
  if (from > text.size()) return kNone;
  if (anchor_ == kNone) {
    std::size_t wide = FirstWide(text.substr(from));
    return wide == kNone ? kNone : from + wide;
  }
  const char* end = text.data() + text.size();
  std::array<const char*, kMostSearched> next;
  for (std::size_t n = 0; n < searched_.size(); ++n)
    next[n] = Next(text.data() + from, end, searched_[n]);
  const std::string& pattern = ascii_bytes_.folded;
  std::size_t anchor_at = letters_[anchor_].at;
  for (;;) {
    std::size_t first = 0;
    for (std::size_t n = 1; n < searched_.size(); ++n)
      first = next[n] < next[first] ? n : first;
    if (next[first] == end) return kNone;
    std::size_t found = next[first] - text.data();
    next[first] = Next(next[first] + 1, end, searched_[first]);
    // An ASCII byte is a form of its own, and the letter itself.
    if (static_cast<unsigned char>(searched_[first]) < 0x80) {
      if (length) *length = 1;
      if (!verify || !ascii_) return found;
      // A text in ASCII takes a byte a letter at least, in any form: where
      // it does not fit it is not there; and where the line is ASCII, its
      // bytes stand for its letters one by one, and tell.
      if (found < anchor_at || found - anchor_at + pattern.size() > text.size()) continue;
      std::size_t start = found - anchor_at, n = 0;
      while (n < pattern.size() && static_cast<unsigned char>(text[start + n]) < 0x80 &&
             FoldCase(text[start + n]) == pattern[n])
        ++n;
      if (n == pattern.size()) return start;
      // Bytes outside ASCII before the anchor leave its letters elsewhere.
      std::size_t wide = n < anchor_at ? FirstWide(text.substr(start + n, anchor_at - n))
                                       : std::string_view::npos;
      if (wide != kNone || static_cast<unsigned char>(text[start + n]) >= 0x80)
        return found;
      continue;
    }
    for (const Form& form : forms_) {
      if (form.bytes[form.key] != searched_[first] || found < from + form.key) continue;
      std::size_t at = found - form.key;
      if (text.compare(at, form.bytes.size(), form.bytes) != 0) continue;
      if (length) *length = form.whole ? form.bytes.size() : 0;
      return at;
    }
  }
}

bool TextPattern::NeighboursAgree(std::string_view text, std::size_t at,
                                  std::size_t length) const {
  // A letter takes a byte at least; one that is ASCII stands alone, as the
  // letter it is.
  std::size_t k = at + length;
  for (std::size_t n = anchor_ + 1; n < letters_.size() && letters_[n].plain; ++n, ++k) {
    if (k >= text.size()) return false;
    if (static_cast<unsigned char>(text[k]) >= 0x80) break;
    if (FoldCase(text[k]) != letters_[n].plain) return false;
  }
  k = at;
  for (std::size_t n = anchor_; n-- > 0 && letters_[n].plain; --k) {
    if (k == 0) return false;
    if (static_cast<unsigned char>(text[k - 1]) >= 0x80) break;
    if (FoldCase(text[k - 1]) != letters_[n].plain) return false;
  }
  return true;
}

bool TextPattern::HoldsAround(std::string_view text, std::size_t at) const {
  // Letters before the anchor and after it, each of at most three code
  // points (a decomposed Hangul syllable) and its marks, and one to spare.
  std::size_t before = 3 * (anchor_ + 1), after = 3 * (letters_.size() - anchor_) + 1;
  std::size_t start = at;
  while (start > 0 && before > 0) {
    std::size_t previous = start - 1;
    while (previous > 0 && (static_cast<unsigned char>(text[previous]) & 0xc0) == 0x80)
      --previous;
    std::size_t read = previous;
    if (!IsCombiningMark(DecodeUtf8(text, &read))) --before;
    start = previous;
  }
  std::size_t end = at;
  while (end < text.size()) {
    std::size_t read = end;
    if (!IsCombiningMark(DecodeUtf8(text, &read)) && after-- == 0) break;
    end = read;
  }
  return FoldedHolds(text.substr(start, end - start));
}

bool TextPattern::FoldedHolds(std::string_view text) const {
  // Each thread that filters has its own.
  thread_local std::u32string folded;
  FoldUnicode(text, &folded);
  for (std::size_t n = folded.find(folded_[0]); n != std::u32string::npos;
       n = folded.find(folded_[0], n + 1)) {
    if (MatchesAt(folded, n, folded_)) return true;
  }
  return false;
}

bool TextPattern::In(std::string_view text) const {
  constexpr std::size_t kNone = std::string_view::npos;
  if (!utf8_) return raw_.Find(text) != kNone;
  if (FirstWide(text) == kNone) return ascii_ && ascii_bytes_.Find(text) != kNone;
  if (!IsUtf8(text)) return raw_.Find(text) != kNone;
  if (folded_.empty()) return true;
  // Found as ASCII, it is found: marks after its letters do not count.
  if (ascii_ && ascii_bytes_.Find(text) != kNone) return true;
  if (anchor_ == kNone) return FoldedHolds(text);
  std::size_t length = 0;
  for (std::size_t at = FindForm(text, 0, false, &length); at != kNone;
       at = FindForm(text, at + 1, false, &length)) {
    if ((length == 0 || NeighboursAgree(text, at, length)) && HoldsAround(text, at))
      return true;
  }
  return false;
}

std::size_t TextPattern::Candidate(std::string_view text) const {
  if (!utf8_) return raw_.Find(text);
  if (folded_.empty()) return 0;
  // In parts that grow, so that a byte that stands nowhere near costs no
  // search to the end of the text each time; each part goes on where the
  // last one ended, but for a form or the text that may lie across.
  std::size_t overlap = 4 * folded_.size() + 8;
  for (std::size_t from = 0, size = 4096;; size *= 2) {
    std::size_t found = FindForm(text.substr(0, size), from, true);
    if (found != std::string_view::npos || size >= text.size()) return found;
    from = size > overlap ? size - overlap : 0;
  }
}

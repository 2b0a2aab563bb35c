// Which library lines a playlist may pick from, by -only and -skip: a line
// must hold one of the -only texts, when there are any, and none of the -skip
// texts. ASCII letters are compared without regard to case.
#ifndef SONGWHIM_PLAYLIST_TRACK_FILTER_H_
#define SONGWHIM_PLAYLIST_TRACK_FILTER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TrackFilter {
 public:
  TrackFilter(const std::vector<std::string>& only, const std::vector<std::string>& skip);

  // True when some line may be left out.
  bool active() const { return !only_.empty() || !skip_.empty(); }

  // True when the library line `line` may be picked.
  bool Lets(std::string_view line) const;

  // True when only lines holding a text may be picked, so that Find can pass
  // over all the others.
  bool narrows() const { return !only_.empty(); }
  // Where in `text` the first place is that holds an -only text, or npos.
  std::size_t Find(std::string_view text) const;
  // Chooses what Find looks for first by how often each byte stands in
  // `sample`, some of the library's text.
  void Tune(std::string_view sample);

 private:
  // A text to look for, and the byte of it to look for first: one that is no
  // letter, where it has one, so that one search in the line finds every
  // place the text may start.
  struct Text {
    explicit Text(const std::string& text);
    // Looks for the byte of it that is rarest by `counts` first.
    void Tune(const std::vector<long>& counts);
    bool In(std::string_view line) const { return Find(line) != std::string_view::npos; }
    std::size_t Find(std::string_view text) const;

    std::string folded;  // letters in lower case
    std::size_t anchor;  // where the byte looked for first stands in it
    bool letters_only;
  };
  static bool AnyIn(const std::vector<Text>& texts, std::string_view line);

  std::vector<Text> only_;
  std::vector<Text> skip_;
};

#endif  // SONGWHIM_PLAYLIST_TRACK_FILTER_H_

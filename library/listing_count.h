// A live count of the items listed so far, shown on a terminal after
// "Creating Directory Listing N : FOLDER " while a big tree is walked (or of
// the tracks whose tags have been read), and erased before "... Complete" so
// the finished screen reads as without it.
#ifndef SONGWHIM_LIBRARY_LISTING_COUNT_H_
#define SONGWHIM_LIBRARY_LISTING_COUNT_H_

#include <chrono>
#include <string>

class ListingCount {
 public:
  // `line` is what the console line holds so far, and `unit` what is
  // counted. Nothing is shown unless standard output is a terminal and the
  // count fits on the line's end.
  explicit ListingCount(const std::string& line, const char* unit = "items");

  // Shows `items`, the first time at once and then a few times a second.
  void Show(long long items);
  // Takes the count off the line again.
  void Erase();

 private:
  const char* unit_;
  int room_ = 0;           // columns left on the line; 0 shows nothing
  std::size_t shown_ = 0;  // characters of the count on the line now
  std::chrono::steady_clock::time_point last_;
};

#endif  // SONGWHIM_LIBRARY_LISTING_COUNT_H_

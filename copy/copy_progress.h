// How a copy goes, on a terminal: a line of the tracks and bytes copied, the
// rate and the time left, written over as the copy goes and taken off at its
// end. Nothing shows where no one watches.
#ifndef SONGWHIM_COPY_COPY_PROGRESS_H_
#define SONGWHIM_COPY_COPY_PROGRESS_H_

#include <chrono>
#include <string>

// `bytes` as people read sizes of files: "512.0 KB", "7.9 GB" (decimal).
std::string SizeText(long long bytes);

class CopyProgress {
 public:
  // For a copy of `tracks` tracks of `bytes` bytes in all.
  CopyProgress(int tracks, long long bytes);
  ~CopyProgress() { Erase(); }

  // So many tracks, of so many bytes, are copied.
  void Done(int tracks, long long bytes);
  void Erase();

 private:
  int tracks_;
  long long bytes_;
  bool shown_ = false;
  std::size_t width_ = 0;  // of the line shown
  int room_ = 0;           // columns it may take
  std::chrono::steady_clock::time_point started_, last_;
};

#endif  // SONGWHIM_COPY_COPY_PROGRESS_H_

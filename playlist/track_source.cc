#include "playlist/track_source.h"

#include <algorithm>

#include "base/state.h"
#include "base/tag_index.h"
#include "base/work_files.h"
#include "platform/files.h"
#include "playlist/track.h"

TrackSource::~TrackSource() {
  reader_.reset();
  if (index_) std::fclose(index_);
}

bool TrackSource::OpenIndex(bool wide, std::string* problem) {
  name_ = TagsName(FollowLinks(Library));
  std::string err;
  if (!Exists(name_)) {
    *problem = "there is no tag index " + name_;
    return false;
  }
  if (!OpenForReading(name_, &index_, &err)) {
    *problem = "cannot read " + name_ + ": " + err;
    return false;
  }
  reader_ = std::make_unique<LineReader>(index_, kMaxIndexLine, wide);
  std::string_view header;
  FileStamp made_for, library;
  bool read = reader_->NextView(&header);
  if (read && IsEarlierIndexHeader(header)) {
    *problem = name_ + " was written by an earlier version of songwhim";
  } else if (!read || !ReadIndexHeader(header, &written_, &made_for)) {
    *problem = name_ + " is no tag index";
  } else if (!StampOf(Library, &library) || !(library == made_for)) {
    *problem = name_ + " is not the index of " + Library + " as it is now";
  } else {
    reader_->SumFrom(&sum_);
    return true;
  }
  reader_.reset();
  std::fclose(index_);
  index_ = nullptr;
  return false;
}

bool TrackSource::Open(std::FILE* library, const std::string& needs, bool can, bool wide,
                       std::string* note, std::string* err) {
  std::string problem;
  if ((!needs.empty() || can) && OpenIndex(wide, &problem)) return true;
  if (!needs.empty()) {
    *err = needs + " asks the tag index, but " + problem +
           ": run songwhim -build -tags first - no playlist made";
    return false;
  }
  if (can && Exists(name_))
    *note = problem + ", so it is not used (run songwhim -build -tags)";
  reader_ = std::make_unique<LineReader>(library, kMaxLine, wide);
  return true;
}

bool TrackSource::LinesAt(const std::vector<long long>& positions,
                          std::vector<std::string>* lines, std::string* problem) {
  std::vector<std::size_t> order(positions.size());
  for (std::size_t n = 0; n < order.size(); ++n) order[n] = n;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return positions[a] < positions[b]; });
  long long at = 0;  // index lines read past the header
  std::string line;
  for (std::size_t n : order) {
    if (positions[n] > at) {
      reader_->PassOver(positions[n] - at - 1);
      if (!reader_->Next(&line)) {
        *problem = name_ + " is not the index of " + Library + " as it is now";
        return false;
      }
      at = positions[n];
    }
    // The index line must name the track the library line does.
    if (Track(line, true).line() != (*lines)[n]) {
      *problem = name_ + " is not the index of " + Library + " as it is now";
      return false;
    }
    (*lines)[n] = line;
  }
  while (reader_->PassOver(1 << 20) > 0) {
  }
  if (reader_->status() != LineReader::kOk) *problem = name_ + ": " + reader_->Problem();
  return reader_->status() == LineReader::kOk && Whole(problem);
}

bool TrackSource::Whole(std::string* problem) const {
  if (!index_ || sum_.value() == written_) return true;
  *problem = name_ + " was changed since it was written";
  return false;
}

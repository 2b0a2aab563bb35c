#include "library/index_build.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/line_reader.h"
#include "base/tag_index.h"
#include "base/text.h"
#include "library/old_index.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/parallel_reads.h"
#include "platform/track_tags.h"

namespace {

// Tracks worked on side by side, then written in order.
constexpr std::size_t kBatch = 1024;

struct Item {
  std::string_view path;  // the library line without its line end
  long long reuse = -1;   // where the last index holds its line, or -1
  std::string line;       // its new line otherwise
  bool opened = false;
  bool unreadable = false;      // no tags could be read
  bool unknown_length = false;  // tags, but no length
};

// Stats the track's file and, unless the last index knows it, reads it. A
// line of a file that could not all be read has no stamp, so that the next
// build reads it again.
void Learn(const OldIndex& last, Item* item) {
  std::string file = FromFileText(item->path);
  FileStamp stamp;
  if (!StampOf(file, &stamp)) {
    item->unreadable = true;
    item->line = IndexLine(FileStamp(), nullptr, item->path);
    return;
  }
  item->reuse = last.Find(item->path, stamp);
  if (item->reuse >= 0) return;
  TrackTags tags;
  item->opened = true;
  bool read = ReadTrackTags(file, &tags, stamp.size);
  // A file that changed meanwhile (a copy under way) is read again too.
  FileStamp after;
  bool whole = tags.complete && StampOf(file, &after) && after == stamp;
  item->unreadable = !read;
  item->unknown_length = read && tags.milliseconds <= 0;
  item->line = IndexLine(whole ? stamp : FileStamp(), read ? &tags : nullptr, item->path);
}

// Adds lines to the index.
void Put(std::string_view lines, OutputFile* out, Checksum* sum) {
  out->Write(lines.data(), lines.size());
  sum->Add(lines.data(), lines.size());
}

void Count(const Item& item, IndexCount* counted) {
  ++counted->tracks;
  counted->reused += item.reuse >= 0;
  counted->opened += item.opened;
  counted->unreadable += item.unreadable;
  counted->unknown_length += item.unknown_length;
}

// Counts what a line taken over from the last index lacks.
void CountReused(const OldIndex& last, Item* item) {
  if (last.HasLength(item->reuse)) return;
  item->unknown_length = last.HasTags(item->reuse);
  item->unreadable = !item->unknown_length;
}

// Writes one item's line. Should the last index have changed meanwhile,
// the file is read.
void WriteItem(OldIndex* last, Item* item, OutputFile* out, Checksum* sum,
               IndexCount* counted) {
  if (item->reuse >= 0) {
    item->line = last->LineAt(item->reuse);
    IndexFields fields;
    if (item->line.empty() || !SplitIndexLine(item->line, &fields)) {
      item->reuse = -1;
      Learn(OldIndex(), item);
    } else {
      CountReused(*last, item);
    }
  }
  Put(item->line, out, sum);
  Count(*item, counted);
}

// How many items from `first` on take over lines that follow one another in
// the last index.
std::size_t RunOfReused(const std::vector<Item>& batch, std::size_t first,
                        std::size_t count) {
  std::size_t end = first;
  while (end < count && batch[end].reuse >= 0 &&
         batch[end].reuse == batch[first].reuse + static_cast<long long>(end - first))
    ++end;
  return end - first;
}

// Writes the batch's lines in order: a run of lines taken over as they
// stand is copied whole.
void WriteBatch(OldIndex* last, std::vector<Item>* batch, std::size_t count,
                OutputFile* out, Checksum* sum, IndexCount* counted) {
  for (std::size_t n = 0; n < count;) {
    std::size_t run = RunOfReused(*batch, n, count);
    std::string_view lines = run > 1 ? last->LinesAt((*batch)[n].reuse, run) : "";
    if (lines.empty()) {
      WriteItem(last, &(*batch)[n++], out, sum, counted);
      continue;
    }
    Put(lines, out, sum);
    for (std::size_t end = n + run; n < end; ++n) {
      CountReused(*last, &(*batch)[n]);
      Count((*batch)[n], counted);
    }
  }
}

}  // namespace

bool WriteIndex(const std::string& library, OldIndex* last,
                const std::vector<std::uint32_t>& unchanged, const std::string& output,
                const ListingProgress& progress, IndexCount* count, std::string* err) {
  FileStamp stamp;
  std::FILE* file = nullptr;
  if (!StampOf(library, &stamp) || !OpenForReading(library, &file, err)) {
    *err = "Cannot read " + library + ": " + (err->empty() ? "not a plain file" : *err);
    return false;
  }
  OutputFile out;
  RemoveFile(output);
  if (!out.Open(output, err)) {
    std::fclose(file);
    *err = "Cannot create " + output + ": " + *err;
    return false;
  }
  std::size_t checksum_at = 0;
  out.Write(IndexHeader(stamp, &checksum_at));
  Checksum sum;
  // Threads only for a refresh that has files to read.
  std::unique_ptr<ParallelReads> readers;
  std::vector<Item> batch(kBatch);
  std::vector<std::size_t> to_read;
  std::string paths;  // the batch's library lines, which its items point into
  LineReader lines(file);
  std::string_view line;
  for (std::size_t track = 0;;) {
    std::size_t size = 0;
    to_read.clear();
    paths.clear();
    for (; size < kBatch && lines.NextView(&line); ++size, ++track) {
      Item& item = batch[size];
      item = Item();
      item.path = WithoutLineEnd(line);
      if (track < unchanged.size())
        item.reuse = static_cast<long long>(unchanged[track]) - 1;
      if (item.reuse < 0) to_read.push_back(size);
      paths += item.path;
    }
    for (std::size_t n = 0, at = 0; n < size; at += batch[n++].path.size())
      batch[n].path = std::string_view(paths).substr(at, batch[n].path.size());
    if (size == 0 || out.failed()) break;
    if (!to_read.empty()) {
      if (!readers) readers = std::make_unique<ParallelReads>();
      readers->Run(to_read.size(),
                   [&](std::size_t n) { Learn(*last, &batch[to_read[n]]); });
    }
    WriteBatch(last, &batch, size, &out, &sum, count);
    if (progress) progress(count->tracks);
  }
  std::fclose(file);
  if (lines.status() != LineReader::kOk) out.Failed(lines.failed() ? lines.error() : EIO);
  // The checksum of what follows the header goes in its place there.
  out.Flush();
  if (!out.failed() && !SeekFile(out.get(), static_cast<long long>(checksum_at)))
    out.Failed(errno);
  out.Write(ChecksumText(sum.value()));
  if (out.Close(err)) return true;
  RemoveFile(output);
  *err = "Cannot write " + output + ": " + *err;
  return false;
}

IndexCount CountUnchanged(const OldIndex& last) {
  IndexCount count;
  for (std::size_t n = 0; n < last.size(); ++n) {
    Item item;
    item.reuse = static_cast<long long>(n);
    CountReused(last, &item);
    Count(item, &count);
  }
  return count;
}

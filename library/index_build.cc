#include "library/index_build.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/line_reader.h"
#include "base/tag_index.h"
#include "base/text.h"
#include "library/old_index.h"
#include "library/parallel_reads.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/track_tags.h"

namespace {

// Tracks worked on side by side, then written in order.
constexpr std::size_t kBatch = 1024;

struct Item {
  std::string path;      // the library line without its line end
  long long reuse = -1;  // where the last index holds its line, or -1
  std::string line;      // its new line otherwise
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

// True when the line holds some tag.
bool HasTags(const IndexFields& fields) {
  for (IndexField field : {kArtist, kAlbumArtist, kAlbum, kTitle, kGenre, kYear, kTrack})
    if (!fields[field].empty()) return true;
  return false;
}

// Writes the batch's lines in order.
void WriteBatch(OldIndex* last, std::vector<Item>* batch, std::size_t count,
                OutputFile* out, Checksum* sum, IndexCount* counted) {
  for (std::size_t n = 0; n < count; ++n) {
    Item& item = (*batch)[n];
    if (item.reuse >= 0) {
      item.line = last->LineAt(item.reuse);
      // Should the last index have changed meanwhile, the file is read.
      IndexFields fields;
      if (item.line.empty() || !SplitIndexLine(item.line, &fields)) {
        item.reuse = -1;
        Learn(OldIndex(), &item);
      } else if (fields.Number(kLength) == 0) {
        item.unknown_length = HasTags(fields);
        item.unreadable = !item.unknown_length;
      }
    }
    out->Write(item.line);
    sum->Add(item.line.data(), item.line.size());
    ++counted->tracks;
    counted->reused += item.reuse >= 0;
    counted->opened += item.opened;
    counted->unreadable += item.unreadable;
    counted->unknown_length += item.unknown_length;
  }
}

}  // namespace

bool WriteIndex(const std::string& library, long long tracks, const std::string& last,
                const std::string& output, const ListingProgress& progress,
                IndexCount* count, std::string* note, std::string* err) {
  FileStamp stamp;
  std::FILE* file = nullptr;
  if (!StampOf(library, &stamp) || !OpenForReading(library, &file, err)) {
    *err = "Cannot read " + library + ": " + (err->empty() ? "not a plain file" : *err);
    return false;
  }
  OldIndex old;
  old.Open(last, static_cast<std::size_t>(2 * tracks + 1024), note);
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
  ParallelReads readers;
  std::vector<Item> batch(kBatch);
  LineReader lines(file);
  std::string_view line;
  for (;;) {
    std::size_t size = 0;
    while (size < kBatch && lines.NextView(&line)) {
      batch[size] = Item();
      batch[size++].path = std::string(WithoutLineEnd(line));
    }
    if (size == 0 || out.failed()) break;
    readers.Run(size, [&](std::size_t n) { Learn(old, &batch[n]); });
    WriteBatch(&old, &batch, size, &out, &sum, count);
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

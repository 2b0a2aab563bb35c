#include "playlist/fair_pick.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "playlist/distinct_draw.h"
#include "playlist/even_draw.h"

namespace {

// Two draws of `Sampler`'s kind, for the tracks not picked yet in this round
// and for the others.
template <typename Item, template <typename> class Sampler>
struct Draw {
  Draw(int many, std::mt19937_64* random)
      : size(many > 0 ? static_cast<std::size_t>(many) : 0),
        fresh(size, random),
        played(size, random) {}

  Sampler<Item>& For(bool was_played) { return was_played ? played : fresh; }
  bool Wants(bool was_played, std::uint64_t key, std::uint64_t artist) {
    return For(was_played).Wants(key, artist);
  }
  void Take(bool was_played, std::uint64_t key, std::uint64_t artist, Item item) {
    For(was_played).Take(key, artist, std::move(item));
  }

  // The picks: fresh tracks first, then, if too few were left, a new round's.
  // The fresh draw holds every fresh track when it is not full.
  std::vector<Item> Picks(bool* new_round, std::size_t* first, bool* all = nullptr) {
    *new_round = !fresh.full() && played.kept() > 0;
    if (all) *all = !fresh.full() && played.kept() <= size - fresh.kept();
    std::vector<Item> picks = fresh.Picks();
    *first = picks.size();
    if (*new_round) {
      std::vector<Item> more = played.Picks();
      std::size_t wanted = std::min(more.size(), size - picks.size());
      std::move(more.begin(), more.begin() + wanted, std::back_inserter(picks));
    }
    return picks;
  }

  std::size_t size;
  Sampler<Item> fresh, played;
};

// The record says nothing of a library it holds more tracks than: it grew
// from an earlier library, and this round starts anew.
bool Outgrown(const PickSource& source) {
  if (!source.played) return false;
  long long lines = source.library->lines() - (source.indexed ? 1 : 0);
  return static_cast<long long>(source.played->size()) > lines;
}

// Lines looked up in the record side by side, so that the record's answers
// come in together rather than one wait at a time.
constexpr std::size_t kBatch = 32;

// What became of a library line.
enum Seen : std::uint8_t { kLeftOut, kFresh, kPlayed };

// A batch of library lines, their keys (and artists') and what became of
// them.
struct Batch {
  std::vector<std::string_view> lines = std::vector<std::string_view>(kWideBatch);
  std::vector<std::uint64_t> keys = std::vector<std::uint64_t>(kWideBatch);
  std::vector<std::uint64_t> artists = std::vector<std::uint64_t>(kWideBatch);
  std::vector<Seen> seen = std::vector<Seen>(kWideBatch);
  std::size_t count = 0;
};

// True when a pick may take `line`: it names a track the filters let through.
bool Lets(const PickSource& source, std::string_view line) {
  return !IsBlankLine(line) && source.filter->Lets(Track(line, source.indexed));
}

// The key of the track `line` names.
std::uint64_t KeyOf(const PickSource& source, std::string_view line) {
  return LineKey(source.indexed ? Track(line, true).line() : line);
}

// The key of its artist, when the draw asks who a track is by.
std::uint64_t ArtistOf(const PickSource& source, std::string_view line) {
  return source.artists ? source.artists->KeyOf(Track(line, source.indexed)) : 0;
}

// Sees lines [begin, end) of `batch`.
void See(const PickSource& source, std::size_t begin, std::size_t end, Batch* batch) {
  for (std::size_t first = begin; first < end; first += kBatch) {
    std::size_t last = std::min(first + kBatch, end);
    for (std::size_t n = first; n < last; ++n) {
      bool lets = Lets(source, batch->lines[n]);
      batch->keys[n] = lets ? KeyOf(source, batch->lines[n]) : 0;
      if (lets) batch->artists[n] = ArtistOf(source, batch->lines[n]);
      if (lets && source.played) source.played->Prefetch(batch->keys[n]);
    }
    for (std::size_t n = first; n < last; ++n) {
      std::uint64_t key = batch->keys[n];
      batch->seen[n] = key == 0                                      ? kLeftOut
                       : source.played && source.played->Played(key) ? kPlayed
                                                                     : kFresh;
    }
  }
}

// Offers each line the filters let through with its key, and says whether
// the record (if any) holds it. While the helper works out one batch's keys
// and looks them up, this thread offers the batch before it and reads the
// batch after it.
template <typename Offer>
void ReadAgainstRecord(const PickSource& source, const Offer& offer) {
  Batch batches[2];
  auto offer_all = [&](const Batch& batch) {
    for (std::size_t n = 0; n < batch.count; ++n) {
      if (batch.seen[n] != kLeftOut)
        offer(batch.lines[n], batch.keys[n], batch.artists[n], batch.seen[n] == kPlayed);
    }
  };
  SharedWork alone;  // when the caller has none to share
  SharedWork* work = source.work ? source.work : &alone;
  int now = 0;
  batches[now].count = source.library->NextBatch(batches[now].lines.data(), kWideBatch);
  while (batches[now].count > 0) {
    Batch& batch = batches[now];
    Batch& other = batches[1 - now];
    SharedWork::Work see = [&](std::size_t begin, std::size_t end) {
      See(source, begin, end, &batch);
    };
    work->Begin(batch.count, see);
    offer_all(other);
    other.count = source.library->NextBatch(other.lines.data(), kWideBatch);
    work->Finish();
    now = 1 - now;
  }
  offer_all(batches[1 - now]);
}

// Offers each line the filters let through, with its key. Lines that hold no
// -only text need not even be handed out.
template <typename Offer>
void Read(const PickSource& source, const Offer& offer) {
  TrackFilter& filter = *source.filter;
  bool tuned = false;
  LineReader::Finder find = [&](std::string_view text) {
    if (!tuned) filter.Tune(text);
    tuned = true;
    return filter.Find(text);
  };
  std::string_view line;
  while (filter.narrows() && source.library->NextWhere(find, &line)) {
    if (Lets(source, line))
      offer(line, KeyOf(source, line), ArtistOf(source, line), false);
  }
  // Lines handed out a batch at a time cost less than one by one.
  std::string_view lines[kBatch];
  while (!filter.narrows()) {
    std::size_t count = source.library->NextBatch(lines, kBatch);
    if (count == 0) break;
    for (std::size_t n = 0; n < count; ++n) {
      if (Lets(source, lines[n]))
        offer(lines[n], KeyOf(source, lines[n]), ArtistOf(source, lines[n]), false);
    }
  }
}

template <template <typename> class Sampler>
FairPicks PickTracksBy(const PickSource& source, int many) {
  FairPicks picks;
  Draw<std::string, Sampler> draw(many, source.random);
  auto offer = [&](std::string_view line, std::uint64_t key, std::uint64_t artist,
                   bool played) {
    ++picks.let;
    if (source.let_keys) source.let_keys->insert(key);
    // Only a line that is kept is copied.
    if (draw.Wants(played, key, artist))
      draw.Take(played, key, artist, std::string(line));
  };
  // The index's long lines, and the record's look-ups, are worth sharing.
  if (source.played || (source.indexed && !source.filter->narrows())) {
    ReadAgainstRecord(source, offer);
  } else {
    Read(source, offer);
  }
  picks.tracks = draw.Picks(&picks.new_round, &picks.fresh, &picks.all);
  picks.outgrown = Outgrown(source);
  return picks;
}

template <template <typename> class Sampler>
FairPicks PickAlbumsBy(const PickSource& source, int many) {
  FairPicks picks;
  using Album = std::vector<std::string>;
  Draw<Album, Sampler> draw(many, source.random);
  // The album being read: its folder's key, its artist's, its kept tracks,
  // and whether any was played. A folder the library lists twice is one
  // album.
  std::string folder;
  std::uint64_t key = 0, artist = 0;
  Album album;
  bool kept = false, played = false, gathering = false;
  auto finish = [&] {
    if (kept && draw.Wants(played, key, artist))
      draw.Take(played, key, artist, std::move(album));
    album.clear();
    kept = played = false;
  };
  std::string_view line;
  while (source.library->NextView(&line)) {
    if (IsBlankLine(line)) continue;
    Track track(line, source.indexed);
    std::string_view here = Artists::FolderOf(track.line());
    if (here != folder || key == 0) {
      finish();
      folder.assign(here.data(), here.size());
      key = LineKey(folder);
      artist = ArtistOf(source, line);
      gathering = draw.Wants(false, key, artist) ||
                  (source.played && draw.Wants(true, key, artist));
    }
    if (!source.filter->Lets(track)) continue;
    ++picks.let;
    if (source.let_keys) source.let_keys->insert(LineKey(track.line()));
    kept = true;
    played = played || (source.played && source.played->Played(track.line()));
    if (gathering) album.emplace_back(line);
  }
  finish();
  std::size_t fresh_albums = 0;
  std::vector<Album> albums = draw.Picks(&picks.new_round, &fresh_albums);
  picks.outgrown = Outgrown(source);
  // Fresh albums and a new round's come in one random order.
  if (picks.new_round || source.artists)
    std::shuffle(albums.begin(), albums.end(), *source.random);
  for (Album& tracks : albums) {
    picks.albums.push_back(picks.tracks.size());
    std::move(tracks.begin(), tracks.end(), std::back_inserter(picks.tracks));
  }
  picks.fresh = picks.tracks.size();
  return picks;
}

}  // namespace

FairPicks PickTracks(const PickSource& source, int many) {
  return source.artists ? PickTracksBy<EvenDraw>(source, many)
                        : PickTracksBy<DistinctDraw>(source, many);
}

FairPicks PickAlbums(const PickSource& source, int many) {
  return source.artists ? PickAlbumsBy<EvenDraw>(source, many)
                        : PickAlbumsBy<DistinctDraw>(source, many);
}

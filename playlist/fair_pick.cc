#include "playlist/fair_pick.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "playlist/reservoir.h"

namespace {

// Two reservoirs, for the items not picked yet in this round and for the
// others, and how many of each came.
template <typename Item>
struct Draw {
  Draw(int many, std::mt19937_64* random)
      : size(many > 0 ? static_cast<std::size_t>(many) : 0),
        fresh(size, random),
        played(size, random) {}

  Reservoir<Item>& For(bool was_played) { return was_played ? played : fresh; }
  bool Wants(bool was_played) { return For(was_played).gap() == 0; }
  // Counts `item` and keeps it if its reservoir wants it.
  void Offer(bool was_played, Item* item) {
    ++(was_played ? played_count : fresh_count);
    Reservoir<Item>& reservoir = For(was_played);
    if (reservoir.gap() > 0) return reservoir.Pass(1);
    reservoir.Take(std::move(*item));
  }

  // The picks: fresh items first, then, if too few were left, a new round's.
  std::vector<Item> Picks(bool* new_round, std::size_t* first) {
    std::vector<Item> picks = fresh.Picks();
    *first = picks.size();
    *new_round = fresh_count < size && played_count > 0;
    if (*new_round) {
      std::vector<Item> more = played.Picks();
      std::size_t wanted = std::min(more.size(), size - picks.size());
      std::move(more.begin(), more.begin() + wanted, std::back_inserter(picks));
    }
    return picks;
  }

  std::size_t size;
  Reservoir<Item> fresh, played;
  std::size_t fresh_count = 0, played_count = 0;
};

// The folder part of a library line: up to its last separator, or "".
std::string_view FolderOf(std::string_view line) {
  // By hand: find_last_of looks each byte up in the set of separators.
  for (std::size_t cut = line.size(); cut > 0; --cut) {
    if (line[cut - 1] == '/' || line[cut - 1] == '\\') return line.substr(0, cut - 1);
  }
  return std::string_view();
}

// The record says nothing of a library it holds more tracks than: it grew
// from an earlier library, and this round starts anew.
bool Outgrown(const PickSource& source, long long lines) {
  return source.played && static_cast<long long>(source.played->size()) > lines;
}

// Lines read and looked up in the record side by side, so that the record's
// answers come in together rather than one wait at a time.
constexpr std::size_t kBatch = 32;

// Offers each line the filters let through, and says whether the record
// holds it.
template <typename Offer>
void ReadAgainstRecord(const PickSource& source, const Offer& offer) {
  std::string_view lines[kBatch];
  std::uint64_t keys[kBatch];
  while (std::size_t count = source.library->NextBatch(lines, kBatch)) {
    for (std::size_t n = 0; n < count; ++n) {
      keys[n] = source.filter->Lets(lines[n]) ? PlayedRecord::Key(lines[n]) : 0;
      if (keys[n] != 0) source.played->Prefetch(keys[n]);
    }
    for (std::size_t n = 0; n < count; ++n) {
      if (keys[n] != 0) offer(lines[n], source.played->Played(keys[n]));
    }
  }
}

// Offers each line the filters let through. Lines that hold no -only text
// need not even be handed out.
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
  while (filter.narrows() ? source.library->NextWhere(find, &line)
                          : source.library->NextView(&line)) {
    if (filter.Lets(line)) offer(line, false);
  }
}

}  // namespace

FairPicks PickTracks(const PickSource& source, int many) {
  FairPicks picks;
  Draw<std::string> draw(many, source.random);
  auto offer = [&](std::string_view line, bool played) {
    ++picks.let;
    // Only a line that is kept is copied.
    std::string track;
    if (draw.Wants(played)) track.assign(line.data(), line.size());
    draw.Offer(played, &track);
  };
  if (source.played) {
    ReadAgainstRecord(source, offer);
  } else {
    Read(source, offer);
  }
  picks.tracks = draw.Picks(&picks.new_round, &picks.fresh);
  picks.outgrown = Outgrown(source, source.library->lines());
  return picks;
}

FairPicks PickAlbums(const PickSource& source, int many) {
  FairPicks picks;
  using Album = std::vector<std::string>;
  Draw<Album> draw(many, source.random);
  std::string folder;
  Album album;
  bool kept = false, played = false, gathering = false;
  auto finish = [&] {
    if (kept) draw.Offer(played, &album);
    album.clear();
    kept = played = false;
    gathering = draw.Wants(false) || (source.played && draw.Wants(true));
  };
  finish();
  std::string_view line;
  while (source.library->NextView(&line)) {
    std::string_view here = FolderOf(line);
    if (here != folder) {
      finish();
      folder.assign(here.data(), here.size());
    }
    if (!source.filter->Lets(line)) continue;
    ++picks.let;
    kept = true;
    played = played || (source.played && source.played->Played(line));
    if (gathering) album.emplace_back(line);
  }
  finish();
  std::size_t fresh_albums = 0;
  std::vector<Album> albums = draw.Picks(&picks.new_round, &fresh_albums);
  picks.outgrown = Outgrown(source, source.library->lines());
  // Fresh albums and a new round's come in one random order.
  if (picks.new_round) std::shuffle(albums.begin(), albums.end(), *source.random);
  for (Album& tracks : albums) {
    std::move(tracks.begin(), tracks.end(), std::back_inserter(picks.tracks));
  }
  picks.fresh = picks.tracks.size();
  return picks;
}

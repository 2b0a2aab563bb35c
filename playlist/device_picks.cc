#include "playlist/device_picks.h"

#include <algorithm>

#include "base/state.h"
#include "base/text.h"
#include "copy/copy_progress.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/track_tags.h"
#include "playlist/spread.h"
#include "playlist/timed_fill.h"
#include "playlist/track.h"

namespace {

// A fill draws at least this many tracks, and at most as many as a fill of
// a large device takes with tracks of a quarter of a mebibyte.
constexpr long long kFewest = 200, kMost = 100000;

// The item of the track `text` (as it came: a library line or an index one).
CopyItem ItemOf(const std::string& text, bool indexed, bool timed) {
  Track track(text, indexed);
  CopyItem item;
  item.track = std::string(WithoutLineEnd(track.line()));
  IndexFields fields;
  if (track.Fields(&fields)) item.stamp = fields.Stamp();
  if (!timed) return item;
  TimedTrack timed_track{item.track, 0, TrackTags()};
  bool known = indexed
                   ? track.Tags(&timed_track.tags)
                   : ReadTrackTags(std::string(WithoutLineEnd(FromFileText(item.track))),
                                   &timed_track.tags);
  if (!known || timed_track.tags.milliseconds <= 0) return item;
  item.milliseconds = timed_track.tags.milliseconds;
  item.extinf = ExtinfLine(timed_track);
  return item;
}

// The order the copies take in the playlist: albums whole, -spread's, or as
// random as the picks.
std::vector<std::size_t> Order(const PlaylistChoice& choice, const FairPicks& picks,
                               const std::vector<CopyItem>& items,
                               const std::vector<std::size_t>& chosen,
                               const std::vector<std::uint64_t>& artists,
                               std::mt19937_64* random) {
  // Groups of items that stay together: an album, or a track.
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t n : chosen) {
    if (groups.empty() || choice.albums == 0 ||
        items[n].album != items[groups.back()[0]].album)
      groups.emplace_back();
    groups.back().push_back(n);
  }
  if ((picks.new_round || choice.even) && choice.albums == 0)
    std::shuffle(groups.begin(), groups.end(), *random);
  std::vector<std::size_t> order;
  if (choice.spread) {
    std::vector<std::uint64_t> by;
    for (const auto& group : groups) by.push_back(artists[group[0]]);
    std::vector<std::vector<std::size_t>> spread;
    for (std::size_t at : SpreadOrder(by, random)) spread.push_back(groups[at]);
    groups = std::move(spread);
  }
  for (const auto& group : groups) order.insert(order.end(), group.begin(), group.end());
  return order;
}

}  // namespace

int CopyDraw(const PlaylistChoice& choice, const DeviceCopy& device, bool indexed) {
  if (choice.minutes > 0) {
    return static_cast<int>(indexed
                                ? std::min(100 + 4LL * choice.minutes, 100000LL)
                                : static_cast<long long>(TracksToTry(choice.minutes)));
  }
  // Some to spare, for the tracks that do not fit.
  if (choice.albums > 0) return choice.albums + 20;
  if (choice.tracks_given) return static_cast<int>(std::min(choice.many + 100LL, kMost));
  long long room = device.Room();
  if (choice.megabytes > 0) room = std::min(room, choice.megabytes * 1000000LL);
  return static_cast<int>(std::clamp(room / (256 << 10), kFewest, kMost));
}

bool CopyPicks(const PlaylistChoice& choice, FairPicks* picks, bool indexed,
               const Artists& artists, std::mt19937_64* random, DeviceCopy* device,
               std::vector<std::string>* round, std::string* err) {
  // The picks go as the items are made of them: a fill of many holds one
  // of each.
  std::vector<CopyItem> items;
  std::vector<std::uint64_t> by;  // who each is by, for -spread
  for (std::size_t n = 0; n < picks->tracks.size(); ++n) {
    items.push_back(ItemOf(picks->tracks[n], indexed, choice.minutes > 0));
    if (choice.spread) by.push_back(artists.KeyOf(Track(picks->tracks[n], indexed)));
    std::string().swap(picks->tracks[n]);
    // The album an item is of: the last that began at or before it.
    auto begun = std::upper_bound(picks->albums.begin(), picks->albums.end(), n);
    items.back().album = static_cast<std::size_t>(begun - picks->albums.begin());
  }
  picks->tracks.clear();
  picks->tracks.shrink_to_fit();
  CopyBounds bounds;
  bounds.bytes = choice.megabytes * 1000000LL;
  bounds.tracks = choice.tracks_given && choice.minutes == 0 ? choice.many : 0;
  bounds.albums = choice.minutes == 0 ? choice.albums : 0;
  bounds.milliseconds = choice.minutes * 60000LL;
  CopySummary summary;
  std::vector<std::size_t> chosen = device->Fit(&items, bounds, &summary);
  for (std::size_t n : summary.unreadable) round->push_back(items[n].track);
  if (chosen.empty()) {
    *err = "No track of " + Library + " fits in " + choice.copy_to + " - nothing copied";
    return false;
  }
  std::vector<std::size_t> order = Order(choice, *picks, items, chosen, by, random);
  bool carried = device->Carry(&items, order, choice.minutes > 0, &summary, err);
  for (std::size_t n : summary.on_device) round->push_back(items[n].track);
  Print("Copied %d tracks (%s), kept %d, removed %d - %d problems\n", summary.copied,
        SizeText(summary.bytes).c_str(), summary.kept, summary.removed, summary.problems);
  return carried;
}

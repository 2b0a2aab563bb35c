#include "playlist/fair_playlist.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "base/state.h"
#include "base/text.h"
#include "base/work_files.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/track_tags.h"
#include "playlist/device_picks.h"
#include "playlist/fair_pick.h"
#include "playlist/played_record.h"
#include "playlist/shuffle.h"
#include "playlist/spread.h"
#include "playlist/timed_fill.h"
#include "playlist/track.h"
#include "playlist/track_filter.h"
#include "playlist/track_source.h"

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader) {
  if (reader.bad_line())
    return Library + ": " + reader.Problem() +
           ", so it does not look like a library file";
  return "Cannot read " + Library + ": " + std::strerror(reader.error());
}

bool FinishPlaylist(PlaylistFile* playlist, std::string* err, const std::string& more) {
  Print("%d tracks added.\n", playlist->added());
  PrintText(more);
  if (playlist->utf8()) {
    Print("Written as %s, in UTF-8: some names are not in the ANSI code page\n",
          playlist->name().c_str());
  }
  if (playlist->Close(err)) return true;
  playlist->Discard();
  return false;
}

namespace {

void SayNewRound() {
  Print("Every track has been picked: a new round begins\n");
}

// What a fair pick made: the tracks this round now counts as picked, and
// whether they begin a new round.
struct Round {
  std::vector<std::string> tracks;
  bool new_round = false;
  bool even_without_playlist = false;  // counts though no playlist was made
};

}  // namespace

void SpreadPicks(std::vector<std::string>* tracks, const std::vector<std::size_t>& albums,
                 bool indexed, const Artists& artists, std::mt19937_64* random) {
  // The items to spread: the tracks, or the albums, each whole.
  std::vector<std::size_t> starts = albums;
  if (starts.empty()) {
    for (std::size_t n = 0; n < tracks->size(); ++n) starts.push_back(n);
  }
  std::vector<std::uint64_t> by;
  for (std::size_t start : starts)
    by.push_back(artists.KeyOf(Track((*tracks)[start], indexed)));
  std::vector<std::string> spread;
  for (std::size_t item : SpreadOrder(by, random)) {
    std::size_t end = item + 1 < starts.size() ? starts[item + 1] : tracks->size();
    for (std::size_t n = starts[item]; n < end; ++n)
      spread.push_back(std::move((*tracks)[n]));
  }
  *tracks = std::move(spread);
}

namespace {

// The library lines of tracks as they came.
std::vector<std::string> LibraryLines(const std::vector<std::string>& tracks,
                                      bool indexed) {
  std::vector<std::string> lines;
  for (const std::string& track : tracks)
    lines.emplace_back(Track(track, indexed).line());
  return lines;
}

// What the playlist is made with besides the picks: whether the tracks came
// from the index, who they are by, and the generator.
struct Making {
  bool indexed;
  const Artists* artists;
  std::mt19937_64* random;
};

// Writes the picks.
bool WritePicks(const PlaylistChoice& choice, FairPicks* picks, const Making& making,
                PlaylistFile* playlist, Round* round, std::string* err) {
  round->new_round = picks->new_round || picks->outgrown;
  if (round->new_round) SayNewRound();
  // Fresh tracks and a new round's come in one random order, as do an even
  // draw's rounds; albums were put in theirs whole.
  if ((picks->new_round || choice.even) && choice.albums == 0)
    std::shuffle(picks->tracks.begin(), picks->tracks.end(), *making.random);
  if (choice.spread)
    SpreadPicks(&picks->tracks, picks->albums, making.indexed, *making.artists,
                making.random);
  bool indexed = making.indexed;
  if (!playlist->Open(err)) return false;
  round->tracks = LibraryLines(picks->tracks, indexed);
  for (const std::string& line : round->tracks) {
    if (playlist->failed()) break;
    playlist->Add(line);
  }
  return FinishPlaylist(playlist, err);
}

// The file a library line names.
std::string TrackFile(const std::string& line) {
  return std::string(WithoutLineEnd(FromFileText(line)));
}

// What a timed playlist says besides its count.
std::string TimedSummary(const PlaylistChoice& choice, const FairPicks& picks,
                         const TimedFill& fill, bool filtered) {
  std::string more = PlayingTime(fill.milliseconds, choice.minutes) + "\n";
  bool short_of_time = choice.minutes * 60000LL - fill.milliseconds >= kCloseEnough;
  if (filtered && short_of_time && picks.all && fill.too_long == 0)
    more += "The tracks -only and -skip leave hold no more music than that\n";
  if (fill.unreadable > 0) {
    more += std::to_string(fill.unreadable) +
            " files could not be read as audio and were passed over\n";
  }
  return more;
}

// Tries the picks, fresh ones first, for a playlist of `choice.minutes`, and
// writes an extended M3U with each track's length and title. The round
// counts the tracks the playlist gets and those that could not be read, so
// that these never keep a round from ending.
bool WriteTimed(const PlaylistChoice& choice, FairPicks* picks, const Making& making,
                bool filtered, PlaylistFile* playlist, Round* round, std::string* err) {
  bool indexed = making.indexed;
  // The index tells lengths and tags; without it, each file is read, a few
  // at once.
  std::unique_ptr<ParallelReads> readers;
  if (!indexed) readers = std::make_unique<ParallelReads>();
  TimedFill fill = FillTime(
      picks->tracks, choice.minutes,
      [indexed](const std::string& text, TrackTags* tags) {
        Track track(text, indexed);
        return indexed ? track.Tags(tags)
                       : ReadTrackTags(TrackFile(std::string(track.line())), tags) &&
                             tags->milliseconds > 0;
      },
      readers.get());
  readers.reset();
  if (choice.spread) {
    std::vector<std::uint64_t> by;
    for (const TimedTrack& track : fill.tracks)
      by.push_back(making.artists->KeyOf(Track(track.line, indexed)));
    std::vector<TimedTrack> spread;
    for (std::size_t at : SpreadOrder(by, making.random))
      spread.push_back(std::move(fill.tracks[at]));
    fill.tracks = std::move(spread);
  }
  round->new_round = picks->outgrown;
  for (TimedTrack& track : fill.tracks) {
    track.line = std::string(Track(track.line, indexed).line());
    round->tracks.push_back(track.line);
    round->new_round = round->new_round || track.index >= picks->fresh;
  }
  for (std::size_t index : fill.unread) {
    round->tracks.emplace_back(Track(picks->tracks[index], indexed).line());
    round->new_round = round->new_round || index >= picks->fresh;
  }
  if (round->new_round) SayNewRound();
  std::string more = TimedSummary(choice, *picks, fill, filtered);
  if (fill.tracks.empty()) {
    round->even_without_playlist = true;
    Print("0 tracks added.\n");
    PrintText(more);
    *err = fill.unreadable == static_cast<int>(fill.tried)
               ? "None of the tracks tried could be read as audio - no playlist made"
               : "None of the tracks tried fits in " + std::to_string(choice.minutes) +
                     (choice.minutes == 1 ? " minute" : " minutes") +
                     " - no playlist made";
    return false;
  }
  if (!playlist->Open(err)) return false;
  playlist->AddDirective("#EXTM3U");
  for (const TimedTrack& track : fill.tracks) {
    if (playlist->failed()) break;
    playlist->AddDirective(ExtinfLine(track));
    playlist->Add(track.line);
  }
  return FinishPlaylist(playlist, err, more);
}

// Puts the playlist (none, for a copy) in place once the record holds its
// tracks: a run that fails anywhere leaves both as they were.
bool PutInPlace(PlaylistFile* playlist, PlayedRecord* record, const Round& round,
                const PlayedRecord::Keep& keep, bool written, std::string* err) {
  // Tracks that could not be read count for the round even when no
  // playlist could be made, so that the next run moves on.
  bool saving =
      record && !round.tracks.empty() && (written || round.even_without_playlist);
  std::string record_err;
  bool recorded =
      !saving || record->Save(round.tracks, round.new_round, keep, &record_err);
  if (!written) {
    if (saving && recorded) record->Commit();
    return false;
  }
  if (!recorded) {
    *err = record_err;
    if (playlist) playlist->Discard();
    return false;
  }
  if (playlist && !playlist->Commit(err))
    return false;  // the record's addition is undone
  if (record) record->Commit();
  return true;
}

// How many tracks to draw for the choice.
int ToDraw(const PlaylistChoice& choice, bool indexed) {
  if (choice.minutes == 0) return choice.albums > 0 ? choice.albums : choice.many;
  // With lengths in the index, trying a track costs nothing.
  if (indexed) return static_cast<int>(std::min(100 + 4LL * choice.minutes, 100000LL));
  return static_cast<int>(TracksToTry(choice.minutes));
}

// The picks from `tracks`, read to their end. False, with `err` saying why,
// when they cannot be trusted.
bool Pick(const PlaylistChoice& choice, const DeviceCopy* device, TrackSource* tracks,
          PickSource* source, FairPicks* picks, std::string* err) {
  source->library = tracks->reader();
  source->indexed = tracks->indexed();
  int many = device ? CopyDraw(choice, *device, source->indexed)
                    : ToDraw(choice, source->indexed);
  *picks = choice.albums > 0 && choice.minutes == 0 ? PickAlbums(*source, many)
                                                    : PickTracks(*source, many);
  if (tracks->reader()->status() != LineReader::kOk) {
    *err = source->indexed
               ? TagsName(FollowLinks(Library)) + ": " + tracks->reader()->Problem()
               : LibraryProblem(*tracks->reader());
    return false;
  }
  return tracks->Whole(err);
}

}  // namespace

bool MakeFairPlaylist(std::FILE* file, const PlaylistChoice& choice,
                      PlaylistFile* playlist, std::string* err) {
  Print("Creating Random Playlist\n");
  // A device is looked at before the library is read: what is wrong with it
  // is told at once.
  DeviceCopy device;
  bool copy = !choice.copy_to.empty();
  if (copy && !device.Open(choice.copy_to, choice.roots, err)) return false;
  PlayedRecord record;
  SharedWork work;
  if (choice.fresh) {
    std::string note;
    if (!record.Open(Library, &work, &note, err)) return false;
    if (!note.empty()) Print("%s\n", note.c_str());
  }
  TrackFilter filter(choice.only, choice.skip);
  Artists artists(choice.roots);
  std::mt19937_64 random = SeededGenerator();
  // Under a field query, a new round keeps what the filters leave out by
  // the keys of the tracks they let through, which the record cannot tell.
  std::unordered_set<std::uint64_t> let;
  bool keys = choice.fresh && !filter.field_query().empty();
  PickSource source{nullptr, &filter, choice.fresh ? &record : nullptr, &random, &work};
  source.let_keys = keys ? &let : nullptr;
  source.artists = choice.even ? &artists : nullptr;
  FairPicks picks;
  std::string note, problem;
  {
    TrackSource tracks;
    bool can = choice.minutes > 0 || choice.even || choice.spread;
    // A wide reader shares its batches with the helper: for the record, and
    // for the index's long lines.
    bool wide = choice.fresh || can || !filter.field_query().empty();
    if (!tracks.Open(file, filter.field_query(), can, wide, &note, err)) return false;
    if (!note.empty()) Print("%s\n", note.c_str());
    bool trusted =
        Pick(choice, copy ? &device : nullptr, &tracks, &source, &picks, &problem);
    if (!trusted && !tracks.indexed()) {
      *err = problem;
      return false;
    }
    if (!trusted && !filter.field_query().empty()) {
      *err = problem + ": run songwhim -build -tags - no playlist made";
      return false;
    }
    if (!trusted) {
      // What the index said is not trusted: the library says it again.
      Print("%s, so it is not used (run songwhim -build -tags)\n", problem.c_str());
      std::rewind(file);
      let.clear();
      TrackSource library;
      library.Open(file, "", false, choice.fresh, &note, err);
      if (!Pick(choice, copy ? &device : nullptr, &library, &source, &picks, err))
        return false;
    }
  }
  if (picks.let == 0 && filter.active()) {
    *err = "No track of " + Library + " is left by -only and -skip - no playlist made";
    return false;
  }
  Round round;
  Making making{source.indexed, &artists, &random};
  bool written = false;
  if (copy) {
    round.new_round = picks.new_round || picks.outgrown;
    if (round.new_round) SayNewRound();
    written = CopyPicks(choice, &picks, source.indexed, artists, &random, &device,
                        &round.tracks, err);
    round.even_without_playlist = !written;
  } else {
    written =
        choice.minutes > 0
            ? WriteTimed(choice, &picks, making, filter.active(), playlist, &round, err)
            : WritePicks(choice, &picks, making, playlist, &round, err);
  }
  // A new round under filters starts anew only for the tracks they let
  // through; the round of the others goes on.
  PlayedRecord::Keep keep;
  if (filter.active() && !picks.outgrown && keys) {
    keep = [&let](std::string_view line) { return let.count(LineKey(line)) == 0; };
  } else if (filter.active() && !picks.outgrown) {
    keep = [&filter](std::string_view line) { return !filter.Lets(line); };
  }
  return PutInPlace(copy ? nullptr : playlist, choice.fresh ? &record : nullptr, round,
                    keep, written, err);
}

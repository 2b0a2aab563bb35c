#!/usr/bin/env bash
# Plays songwhim's playlists in the players people use: VLC, mpv and
# MPlayer, from Debian's packages, headless and without sound. A small real
# collection, made here with Debian's encoders (MP3, FLAC, Ogg Vorbis), holds
# names with '#', '?', '%', blanks, quotes and other scripts; each player
# plays its tracks of a fifth of a second each. For a plain
# playlist and a -minutes one (an extended M3U), each player must open every
# track. MPlayer reads each line as a plain path and VLC as a URI, so no one
# line opens in both for a name with '#', '?' or '%' and two hex digits:
# songwhim writes those as file:// URIs, which VLC and mpv open and MPlayer
# does not; the script checks that it is exactly those that MPlayer misses.
#   tests/players.sh [PROGRAM]   (default: build/songwhim)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$top/build/songwhim}")
"$top/scripts/deps" vlc-bin vlc-plugin-base mpv mplayer lame sox flac vorbis-tools

work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
chmod 755 "$work"
cd "$work"

names=('#1 Hits/#1 Hit Wonder' 'Why?' '100% Pure' 'a%20b' 'plain name' "it's \"quoted\""
  'semi;colon & amp' 'Björk – Jóga' 'Ελληνική' '日本の歌' 'emoji 🎵')
for name in "${names[@]}"; do
  mkdir -p "music/$(dirname "$name")"
  sox -q -n -r 44100 -c 2 -b 16 tone.wav synth 0.2 sine 440
  lame --quiet tone.wav "music/$name.mp3"
  flac --silent -o "music/$name.flac" tone.wav
  oggenc --quiet -o "music/$name.ogg" tone.wav
done
rm tone.wav
chmod -R a+rX music
printf '[filetypes]\nmp3\nflac\nogg\n[add]\n%s\n' "$work/music" > paths.ini
# The player is started here instead of by the desktop.
mkdir bin
printf '#!/bin/sh\n' > bin/xdg-open
chmod 755 bin/xdg-open
export PATH="$work/bin:$PATH"
echo "collection made in $SECONDS s"
"$program" -build > /dev/null
tracks=$(wc -l < library.txt)
sort library.txt > expected.txt

# Percent escapes decoded.
decode() { while IFS= read -r line; do printf '%b\n' "${line//%/\\x}"; done; }

# The files a player opened, one a line, sorted.
vlc_opened() {
  # VLC refuses to run as root.
  local run=()
  [ "$(id -u)" -eq 0 ] && run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  mkdir -p home parts
  chmod 777 home
  # Six tracks a playlist, each with its #EXTINF line and the #EXTM3U one:
  # past eight or so, VLC waits a second or more before each track here.
  rm -f parts/*
  awk -v dir=parts '/^#EXTM3U/ { head = $0 "\n"; next }
    !/^#/ { n++ } { part = sprintf("%s/%03d.m3u", dir, int((n - !/^#/) / 6)) }
    { if (!(part in seen)) { printf "%s", head > part; seen[part] = 1 } print > part }' "$1"
  chmod 644 parts/*
  for part in parts/*.m3u; do
    timeout 120 "${run[@]}" env HOME="$work/home" cvlc -I dummy -A dummy -V dummy \
      --no-video --play-and-exit -vv "$work/$part" 2>&1 |
      sed -n "s|.*\`file://\(.*\)' successfully opened|\1|p" | grep -v '\.m3u$' | decode
  done | sort
}
mpv_opened() {
  # From what mpv prints as each track starts: its log file is written by a
  # thread of its own, which drops lines when it falls behind on a busy
  # machine ("log message buffer overflow").
  # shellcheck disable=SC2016
  timeout 120 mpv --no-config --ao=null --vo=null --quiet --input-terminal=no \
    --term-playing-msg='songwhim-test opened: ${path}' --playlist="$1" < /dev/null 2>/dev/null |
    sed -n 's/^songwhim-test opened: //p' | sort || true
}
mplayer_opened() {
  timeout 120 mplayer -really-quiet -identify -ao null -vo null -playlist "$1" \
    < /dev/null 2>/dev/null | sed -n 's/^ID_FILENAME=//p' | sort
}

failed=0
check() {  # check PLAYER PLAYLIST WANTED
  local started=$SECONDS
  local opened
  opened=$("$1_opened" "$2")
  if [ "$opened" != "$(cat "$3")" ]; then
    echo "$1 on $2: opened other tracks than the playlist holds:"
    diff <(printf '%s\n' "$opened") "$3" || true
    failed=1
  else
    echo "$1 on $2: all $(wc -l < "$3") tracks opened ($((SECONDS - started)) s)"
  fi
}

[ -n "${KEEP:-}" ] && { echo "$work"; exit 0; }
for run in "-shuffle -tracks $tracks" "-minutes 5"; do
  # shellcheck disable=SC2086
  "$program" $run > /dev/null
  playlist=$work/${run%% *}.m3u
  mv random.m3u "$playlist"
  [ "$(grep -vc '^#' "$playlist")" -eq "$tracks" ] || { echo "$run: short playlist"; exit 1; }
  check vlc "$playlist" expected.txt
  check mpv "$playlist" expected.txt
  # MPlayer opens every line that is a plain path.
  grep -v '^#' "$playlist" | grep -v '^file://' | sort > plain.txt
  check mplayer "$playlist" plain.txt
done
echo "MPlayer does not open the $(grep -c '^file://' "$playlist") lines written as URIs"
exit $failed

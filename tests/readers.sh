#!/usr/bin/env bash
# The tag index against ffprobe, mutagen and MPD over a collection made with
# Debian's encoders and tagged as taggers tag (tests/readers.py says how).
#   tests/readers.sh [PROGRAM]   (default: build/songwhim)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$top/build/songwhim}")
"$top/scripts/deps" sox lame flac vorbis-tools opus-tools ffmpeg python3 python3-mutagen mpd
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
# Debian's Python, which has mutagen, whatever python3 comes first on PATH.
/usr/bin/python3 "$top/tests/readers.py" "$program" "$work"

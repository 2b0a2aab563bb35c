#!/usr/bin/env bash
# A build and a playlist under valgrind: no invalid access, no leak.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/music/a b" "$work/bin"
for i in 1 2 3 4 5; do touch "$work/music/a b/track $i.mp3" "$work/music/$i.ogg"; done
printf '#!/bin/sh\nexit 0\n' > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
printf '[filetypes]\nmp3\nogg\n[add]\n%s\n[ignore]\n%s\n' "$work/music" "$work/music/4" \
  > "$work/paths.ini"
cd "$work"
check() { valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect "$@" >/dev/null; }
check "$program" -build </dev/null
[ "$(wc -l < library.txt)" -eq 9 ]
PATH="$work/bin:$PATH" check "$program" -tracks 30 </dev/null
[ "$(wc -l < random.m3u)" -eq 30 ]
echo "valgrind: build and playlist clean"

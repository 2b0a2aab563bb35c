# Shared by the benchmark scripts: the work folder, a Release build of
# songwhim with the helpers, a no-op opener, and the table helpers.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${BENCH_DIR:-/tmp/songwhim-bench}
runs=${BENCH_RUNS:-10}

build_bench() {
  cmake -S "$top" -B "$top/build-bench" -DCMAKE_BUILD_TYPE=Release -DSONGWHIM_TESTS=OFF \
    -DSONGWHIM_BENCH=ON >/dev/null
  cmake --build "$top/build-bench" -j"$(nproc)" >/dev/null
  songwhim="$top/build-bench/songwhim"
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nexit 0\n' > "$work/bin/xdg-open"
  chmod +x "$work/bin/xdg-open"
  export PATH="$work/bin:$PATH"
}

machine() {
  echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
    "$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
}

# Mean and median in milliseconds of command NAME in hyperfine's CSV FILE.
mean() { awk -F, -v name="$2" '$1 == name { printf "%.1f", $2 * 1000 }' "$1"; }
median() { awk -F, -v name="$2" '$1 == name { printf "%.1f", $4 * 1000 }' "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# Peak resident memory in KiB of a command: the median of eleven runs, since
# a single figure varies by some 5 % from run to run (where the loader puts
# things).
peak() {
  for _ in $(seq 11); do
    /usr/bin/time -f %M "$@" >/dev/null 2>"$work/time.txt" || true
    tail -n 1 "$work/time.txt"
  done | sort -n | sed -n 6p
}

table_head() {
  echo
  echo "| measure | songwhim | peer | songwhim/peer |"
  echo "|---|---|---|---|"
}

# A row comparing the mean (and the median) of songwhim with PEER in FILE.
time_rows() {
  local file=$1 what=$2 peer=$3
  local ours theirs
  ours=$(mean "$file" songwhim)
  theirs=$(mean "$file" "$peer")
  echo "| $what vs \`$peer\`, mean (ms) | $ours | $theirs | $(ratio "$ours" "$theirs") |"
  ours=$(median "$file" songwhim)
  theirs=$(median "$file" "$peer")
  echo "| $what vs \`$peer\`, median (ms) | $ours | $theirs | $(ratio "$ours" "$theirs") |"
}

# Runs each of the commands NAME=COMMAND... in turn, N rounds, and writes the
# median wall time in milliseconds of each to FILE as "NAME,MS" lines. Taking
# turns, the commands meet the same moods of a busy machine, which a run of
# one command after all runs of another does not; the time is read without
# starting another process.
interleave() {
  local file=$1 rounds=$2
  shift 2
  local raw="$file.raw"
  : >"$raw"
  for _ in $(seq "$rounds"); do
    for pair in "$@"; do
      local name=${pair%%=*} command=${pair#*=} start end
      start=$EPOCHREALTIME
      eval "$command" >/dev/null 2>&1 || true
      end=$EPOCHREALTIME
      echo "$name,$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) * 1000 }')" >>"$raw"
    done
  done
  : >"$file"
  for pair in "$@"; do
    local name=${pair%%=*}
    awk -F, -v name="$name" '$1 == name { print $2 }' "$raw" | sort -n |
      awk -v name="$name" '{ v[NR] = $1 } END { printf "%s,%.2f\n", name, v[int((NR + 1) / 2)] }' >>"$file"
  done
}
# The median of NAME in an interleave FILE.
interleaved() { awk -F, -v name="$2" '$1 == name { print $2 }' "$1"; }

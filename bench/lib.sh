# Shared by the benchmark scripts: the work folder, a Release build of
# songwhim with the helpers, a no-op opener, and the table helpers.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${BENCH_DIR:-/tmp/songwhim-bench}
runs=${BENCH_RUNS:-10}

build_bench() {
  "$top/scripts/deps" cmake make g++ pkg-config libutf8proc-dev
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

# Serves the folder DATA from an sshd of our own on 127.0.0.1, through
# delay_proxy holding every chunk $delay microseconds each way, and mounts it
# on MOUNT with sshfs -o dir_cache=no. The sshd and the proxy are ended by
# their pids, and the share unmounted, when the script exits. Works in the
# current folder, which holds the keys and the configuration.
share_mount() {
  local data=$1
  share_point=$2
  local here=$PWD
  free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
  }
  local ssh_port proxy_port
  ssh_port=$(free_port)
  proxy_port=$(free_port)
  rm -f hostkey hostkey.pub userkey userkey.pub proxy.out
  ssh-keygen -q -t ed25519 -N '' -f hostkey
  ssh-keygen -q -t ed25519 -N '' -f userkey
  cp userkey.pub authorized_keys
  cat > sshd_config <<CONFIG
Port $ssh_port
ListenAddress 127.0.0.1
HostKey $here/hostkey
AuthorizedKeysFile $here/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
StrictModes no
UsePAM no
Subsystem sftp internal-sftp
PidFile none
CONFIG
  mkdir -p "$share_point" /run/sshd
  sshd_pid=""
  proxy_pid=""
  trap share_cleanup EXIT
  /usr/sbin/sshd -D -f "$here/sshd_config" -E "$here/sshd.log" &
  sshd_pid=$!
  "$top/build-bench/delay_proxy" "$proxy_port" "$ssh_port" "${delay:-500}" > proxy.out &
  proxy_pid=$!
  local ssh_options=(-o IdentityFile="$here/userkey" -o StrictHostKeyChecking=no
    -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR)
  # Wait until both listen: the proxy says so, and sshd answers through it.
  for _ in $(seq 100); do grep -q ready proxy.out && break; sleep 0.1; done
  for _ in $(seq 100); do
    ssh "${ssh_options[@]}" -o BatchMode=yes -p "$proxy_port" root@127.0.0.1 true 2>/dev/null && break
    sleep 0.1
  done
  sshfs -p "$proxy_port" -o dir_cache=no "${ssh_options[@]}" "root@127.0.0.1:$data" "$share_point"
}

share_cleanup() {
  set +e
  if mountpoint -q "$share_point"; then
    fusermount3 -u "$share_point" 2>/dev/null || fusermount -u "$share_point"
  fi
  for pid in $proxy_pid $sshd_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  return 0
}

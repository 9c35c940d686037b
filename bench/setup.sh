# shellcheck shell=bash
# Sourced by every benchmark: builds the program, makes a scratch folder ($work) that goes at the
# end with every process listed in bench_pids, and gives start_xvfb, measure and median.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build >/dev/null

work=$(mktemp -d)
bench_pids=()
bench_cleanup() {
  for pid in "${bench_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap bench_cleanup EXIT

# An Xvfb of 1920x1080x24 on a free display (its pid in xvfb_pid), exported as DISPLAY once it
# answers.
start_xvfb() {
  local n
  for n in $(seq 200 260); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  bench_pids+=("$xvfb_pid")
  for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done
  export DISPLAY=$display
}

# One run of a command: "microseconds kib", its wall time and peak RSS (the last line /usr/bin/time
# writes: before it comes a line of its own when the command fails).
measure() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 )) $(tail -1 "$work/rss")"
}

# The median of the numbers on stdin, one a line.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

#!/usr/bin/env bash
# shellcheck disable=SC2034,SC2154  # variables set for, and by, the sourced wine-env.sh and wine-session.sh
# Runs the benchmarks under Wine in the test prefix; each prints its figures next to a baseline
# measured in the same run, and its target.
set -euo pipefail
# The slow drive is mounted where only this session's Wine sees it: Wine names a volume by looking
# at every mount of the machine, so a slow one seen machine-wide slows every Wine program there.
if [ "$(id -u)" -eq 0 ] && [ -z "${CORVANE_BENCH_NAMESPACE:-}" ] && command -v python3 >/dev/null; then
  CORVANE_BENCH_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wine-tests
CORVANE_TEST_PREFIX=1
# Drive S: must be in the drive list before the session's server starts, which reads it once.
[ -n "${CORVANE_BENCH_NAMESPACE:-}" ] && export CORVANE_SLOW_DRIVE=$BUILD_DIR/drive-s
source "$(dirname "$0")/wine-session.sh"
bin=$BUILD_DIR/bin

# Drive S: then answers every access after 5 s, like an unreachable share or a disk spinning up.
slow_drive() {
  [ -n "${CORVANE_SLOW_DRIVE:-}" ] || return 0
  python3 "$corvane_root/tools/slowfs.py" "$CORVANE_SLOW_DRIVE" --delay 5 >/dev/null 2>&1 &
  slowfs=$!
  for _ in $(seq 50); do grep -qs " $CORVANE_SLOW_DRIVE fuse.slowfs " /proc/mounts && break; sleep 0.1; done
}
end_slow_drive() {
  [ -n "${slowfs:-}" ] && kill "$slowfs" 2>/dev/null && wait "$slowfs" 2>/dev/null
  return 0
}

echo "== linux start"
python3 "$corvane_root/tools/linux_start_bench.py"

for bench in "$bin"/*_bench.exe; do
  [ -e "$bench" ] || continue
  echo "== $(basename "$bench" .exe)"
  case $bench in
    *slow_drive_bench.exe) slow_drive; wine "$bench"; end_slow_drive ;;
    *) wine "$bench" ;;
  esac
done

# CPU time of the whole process (Wine reports none of its own), from start to exit: Corvane with a
# switch that needs no drive against a bare program that opens the same window and controls.
echo "== start-up"
work=$BUILD_DIR/bench-work
mkdir -p "$work"
cd "$work"
cpu() { local TIMEFORMAT='%3U %3S'; { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{printf "%d\n", ($1 + $2) * 1000}'; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
corvane=() bare=()
for _ in 1 2 3 4 5 6 7; do
  corvane+=("$(cpu wine "$bin/Corvane.exe" /setgamesys x)")
  bare+=("$(cpu wine "$bin/bare_window.exe")")
done
c=$(printf '%s\n' "${corvane[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
awk -v c="$c" -v b="$b" 'BEGIN {printf "start-up to exit, CPU, median of 7: Corvane /setgamesys x %d ms, bare window %d ms, ratio %.2f (target: at most 1.15)\n", c, b, c / b}'

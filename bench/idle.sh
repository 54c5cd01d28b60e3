#!/usr/bin/env bash
# Idle cost of a running instance: processor time used over a quiet minute
# (SECONDS_IDLE, default 60) on the default simulated world under a virtual X
# display, with the defaults as they ship (preview timer and trackers running),
# and resident memory before and after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${LUMIVAST:-$root/build/App/lumivast}
seconds=${SECONDS_IDLE:-60}
home=$(mktemp -d)
log="$home/log"
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
  xvfb-run -a "$exe" >"$log" 2>&1 &
runner=$!
for _ in $(seq 100); do grep -q 'first snapshot handled' "$log" && break; sleep 0.1; done
pid=$(pgrep -n -f "^$exe")
sleep 5 # start-up work (first previews, onboarding) out of the way
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
rss() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
hz=$(getconf CLK_TCK)
before=$(ticks) rss_before=$(rss)
sleep "$seconds"
after=$(ticks) rss_after=$(rss)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v a="$rss_before" -v b="$rss_after" \
  'BEGIN { printf "idle: %.2f s of processor time in %d s = %.3f %% of one core; resident %s MB -> %s MB\n", t / hz, s, 100 * t / hz / s, a, b }'
kill -TERM "$pid"
wait "$runner" || true

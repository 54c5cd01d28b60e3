#!/usr/bin/env bash
# Start-up cost of the program on the default simulated world under a virtual
# X display: time from process start to the first handled snapshot (from the
# log, stamped with the process's own clock) and resident memory once running.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build" >/dev/null 2>&1
home=$(mktemp -d)
log="$home/log"
trap 'rm -rf "$home"' EXIT
runs=${RUNS:-5}
for i in $(seq "$runs"); do
  rm -rf "$home/data" "$home/config"
  HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
    xvfb-run -a "$root/build/App/lumivast" >"$log" 2>&1 &
  runner=$!
  for _ in $(seq 50); do grep -q 'first snapshot handled' "$log" && break; sleep 0.1; done
  sleep 1.5
  pid=$(pgrep -n -f "^$root/build/App/lumivast")
  first=$(sed -n 's/.*first snapshot handled \([0-9]*\) ms.*/\1/p' "$log" | head -n 1)
  rss=$(awk '/VmRSS/ {print $2 / 1024}' "/proc/$pid/status")
  printf 'run %d: first snapshot handled %.0f ms after start, resident %.1f MB\n' "$i" "$first" "$rss"
  kill -TERM "$pid"
  wait "$runner" || true
done

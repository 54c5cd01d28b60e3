#!/usr/bin/env bash
# Start-up cost of the program on the default simulated world under a virtual
# X display: time from process start to the first handled snapshot (from the
# log, stamped with the process's own clock) and resident memory once running.
# PREVIEWS=n starts each run with n stored previews in the Thumbnails folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build" >/dev/null 2>&1
home=$(mktemp -d)
log="$home/log"
trap 'rm -rf "$home"' EXIT
runs=${RUNS:-5}
previews=${PREVIEWS:-0}
seed="$home/seed.jpg"
if [ "$previews" -gt 0 ]; then
  # One real preview, taken by the capture mode, stands for every stored one.
  LUMIVAST_PLATFORM=sim HOME="$home" XDG_DATA_HOME="$home/seed" XDG_CONFIG_HOME="$home/seedconfig" QT_QPA_PLATFORM=offscreen \
    "$root/build/App/lumivast" --capture >/dev/null
  cp "$(ls "$home"/seed/Lumivast/Thumbnails/*.jpg | head -n 1)" "$seed"
fi
for i in $(seq "$runs"); do
  rm -rf "$home/data" "$home/config"
  if [ "$previews" -gt 0 ]; then
    mkdir -p "$home/data/Lumivast/Thumbnails"
    for n in $(seq "$previews"); do cp "$seed" "$home/data/Lumivast/Thumbnails/managed-$n.jpg"; done
  fi
  LUMIVAST_PLATFORM=sim HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
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

#!/usr/bin/env bash
# Idle cost of a running instance: processor time used over a quiet minute
# (SECONDS_IDLE, default 60) under a virtual X display, with the defaults as
# they ship (preview timer and trackers running), and resident memory before
# and after.
#
# SETTING=sim (the default): the built-in simulated world.
# SETTING=x11: the real desktop under openbox, with 100 windows of 20
# processes (each its own window class) and 300 desktop entries in the user's
# applications folder, 10 of which name one of those classes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${LUMIVAST:-$root/build/App/lumivast}
helper=${X11_HELPER:-$root/build/tests/x11-window-helper}
seconds=${SECONDS_IDLE:-60}
setting=${SETTING:-sim}
servernum=${SERVERNUM:-99} # the first display number tried
home=$(mktemp -d)
log="$home/log"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home"
export DBUS_SESSION_BUS_ADDRESS=
case "$setting" in
  sim)
    LUMIVAST_PLATFORM=sim xvfb-run -n "$servernum" -a "$exe" >"$log" 2>&1 &
    ;;
  x11)
    command -v openbox >/dev/null || { echo "idle: openbox is missing (scripts/bootstrap installs it)"; exit 1; }
    [ -x "$helper" ] || { echo "idle: $helper is not built"; exit 1; }
    mkdir -p "$home/data/applications"
    for i in $(seq 300); do
      {
        printf '[Desktop Entry]\nType=Application\nName=Bench App %d\nExec=true %%U\nIcon=bench-app\n' "$i"
        [ "$i" -le 10 ] && printf 'StartupWMClass=BenchClass%d\n' "$i"
      } >"$home/data/applications/bench-app-$i.desktop"
    done
    LUMIVAST_PLATFORM=x11 xvfb-run -n "$servernum" -a -s "-screen 0 1512x982x24" bash -c '
      exe=$1 helper=$2
      openbox >/dev/null 2>&1 &
      sleep 1
      for i in $(seq 20); do "$helper" "$DISPLAY" "Bench$i" 5 "BenchClass$i" & done
      sleep 1
      exec "$exe"' idle "$exe" "$helper" >"$log" 2>&1 &
    ;;
  *)
    echo "idle: SETTING is sim or x11"; exit 1 ;;
esac
runner=$!
for _ in $(seq 100); do grep -q 'first snapshot handled' "$log" && break; sleep 0.1; done
pid=$(pgrep -n -f "^$exe")
sleep 5 # start-up work (first previews, onboarding) out of the way
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
rss() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
hz=$(getconf CLK_TCK)
before=$(ticks) rss_before=$(rss)
# Instructions do not depend on how loaded the machine is; counted where perf may watch the process.
instructions=
if command -v perf >/dev/null && perf stat -x, -e instructions:u -p "$pid" -o "$home/perf" -- sleep "$seconds" 2>/dev/null; then
  instructions=$(awk -F, '/instructions/ {print $1}' "$home/perf")
else
  sleep "$seconds"
fi
after=$(ticks) rss_after=$(rss)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v a="$rss_before" -v b="$rss_after" -v w="$setting" \
  'BEGIN { printf "idle (%s): %.2f s of processor time in %d s = %.3f %% of one core; resident %s MB -> %s MB\n", w, t / hz, s, 100 * t / hz / s, a, b }'
case "$instructions" in
  ''|*[!0-9]*) ;;
  *) awk -v i="$instructions" -v s="$seconds" 'BEGIN { printf "idle: %.1f million user instructions a second\n", i / s / 1e6 }' ;;
esac
kill -TERM "$pid"
wait "$runner" || true

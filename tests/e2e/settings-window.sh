#!/usr/bin/env bash
# The real program in a virtual display: `--settings spaces` opens one window
# titled "Lumivast Settings" shortly after launch; the settings URL and a
# second plain launch bring the same window forward; `--settings Time` opens none.
#
#   tests/e2e/settings-window.sh path/to/lumivast path/to/world.json
set -uo pipefail
exe=$1 world=$2
. "$(dirname "$0")/session.sh"
e2eSession settings-window "$world" xdotool openbox wmctrl

inVirtualDisplay '
  exe=$1
  fail() { echo "settings-window: $*"; sed "s/^/  log: /" "$HOME/lumivast.log"; kill "$app" "$wm" 2>/dev/null; exit 1; }
  windows() { xdotool search --onlyvisible --name "^Lumivast Settings$" 2>/dev/null | wc -l; }
  waitFor() { for _ in $(seq "${2:-50}"); do eval "$1" && return 0; sleep 0.1; done; return 1; }
  # A window manager, so that closing the window is the user'"'"'s close.
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 0.5

  "$exe" --settings spaces >"$HOME/lumivast.log" 2>&1 &
  app=$!
  started=$(date +%s%N)
  waitFor "[ \$(windows) -ge 1 ]" || fail "no settings window after --settings spaces"
  elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$(windows)" -eq 1 ] || fail "more than one settings window"
  wmctrl -c "Lumivast Settings"
  waitFor "[ \$(windows) -eq 0 ]" || fail "the window did not close"
  "$exe" "lumivast://settings" || fail "handing over the URL failed"
  waitFor "[ \$(windows) -eq 1 ]" || fail "lumivast://settings did not bring the window back"
  wmctrl -c "Lumivast Settings"
  waitFor "[ \$(windows) -eq 0 ]" || fail "the window did not close"
  "$exe" || fail "the second launch failed"
  waitFor "[ \$(windows) -eq 1 ]" || fail "a second launch did not bring the window back"
  grep -q "cannot open" "$HOME/lumivast.log" && fail "a command answered that it is not available"
  kill "$app"
  wait "$app" 2>/dev/null

  # Judged only once the launch is known to be over: the state is written and a
  # second launch is answered, both after the moment a settings tab would open.
  state=$XDG_DATA_HOME/Lumivast/state.json
  rm -f "$state"
  "$exe" --settings Time >>"$HOME/lumivast.log" 2>&1 &
  app=$!
  waitFor "[ -f \"$state\" ]" || fail "the launch with --settings Time never finished"
  sleep 0.5
  "$exe" "lumivast://switch/1" || fail "the launch with --settings Time answered no second launch"
  waitFor "[ \$(windows) -ge 1 ]" 20 && fail "--settings Time opened a window"
  kill "$app" "$wm"
  wait "$app" 2>/dev/null
  echo "settings-window: opened ${elapsed} ms after launch; the URL and a second launch brought it back; Time opened nothing"
' "$exe"

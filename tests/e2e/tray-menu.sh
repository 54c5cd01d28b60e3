#!/usr/bin/env bash
# The real program in a virtual display with a tray host: a click on the
# status item opens the menu, the keyboard picks "Desktop 3" (state.json then
# says so), and choosing "Quit Lumivast" ends the program with status 0.
#
#   tests/e2e/tray-menu.sh path/to/lumivast path/to/world.json
set -uo pipefail
exe=$1 world=$2
. "$(dirname "$0")/session.sh"
e2eSession tray-menu "$world" trayer xdotool

inVirtualDisplay '
  exe=$1 state=$XDG_DATA_HOME/Lumivast/state.json
  fail() { echo "tray-menu: $*"; sed "s/^/  log: /" "$HOME/lumivast.log"; kill "$app" "$tray" 2>/dev/null; exit 1; }
  waitFor() { for _ in $(seq 50); do eval "$1" && return 0; sleep 0.2; done; return 1; }
  trayer --edge top --align right --widthtype request --height 22 --SetDockType true --transparent false >/dev/null 2>&1 &
  tray=$!
  "$exe" >"$HOME/lumivast.log" 2>&1 &
  app=$!
  waitFor "grep -q \"\\\"current\\\": \\\"Desktop 1\\\"\" \"$state\" 2>/dev/null" || fail "the program did not start"
  waitFor "xdotool search --onlyvisible --class trayer >/dev/null" || fail "no tray"
  # The windows of the program that show: the status item once the tray holds it, and the menu while it is open.
  shown() { xdotool search --onlyvisible --class lumivast 2>/dev/null | wc -l; }
  # Only the status item: a HUD or toast shown at launch must be gone before counting the menu in.
  waitFor "[ \$(shown) -eq 1 ]" || fail "the tray shows no status item, or other windows stay up ($(shown) shown)"
  item=1
  clickItem() {
    eval "$(xdotool search --onlyvisible --class trayer getwindowgeometry --shell | head -n 5)"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    waitFor "[ \$(shown) -gt $item ]" || fail "a click on the status item opened no menu"
  }
  clickItem
  xdotool key Down Down Down Return
  waitFor "grep -q \"\\\"current\\\": \\\"Desktop 3\\\"\" \"$state\"" || fail "state.json does not say Desktop 3"
  waitFor "[ \$(shown) -eq $item ]" || fail "the menu stayed open"
  clickItem
  xdotool key Up Return
  for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$app" 2>/dev/null && fail "Quit Lumivast did not end the program"
  wait "$app"
  status=$?
  kill "$tray" 2>/dev/null
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
  echo "tray-menu: menu switched to Desktop 3 and quit with 0"
' "$exe"

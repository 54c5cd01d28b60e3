# Sourced by the end-to-end scripts.
#
# e2eSession NAME WORLD TOOL...: fails NAME when a tool is missing (xvfb-run is
# always needed), then gives the program a scratch home (removed on exit) in
# which it has seen its onboarding, the simulated WORLD and no session bus.
e2eSession() {
  local name=$1 world=$2 tool
  shift 2
  for tool in xvfb-run "$@"; do
    command -v "$tool" >/dev/null || { echo "$name: $tool is missing (scripts/bootstrap installs it)"; exit 1; }
  done
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  mkdir -m 700 "$scratch/runtime"
  mkdir -p "$scratch/config/Lumivast"
  echo '{"didShowOnboarding": true}' >"$scratch/config/Lumivast/defaults.json"
  export HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
  export LUMIVAST_PLATFORM=sim LUMIVAST_WORLD="$world" DBUS_SESSION_BUS_ADDRESS=
  unset QT_QPA_PLATFORM
}

# inVirtualDisplay SCRIPT ARG...: runs the bash SCRIPT with the ARGs as $1...
# on a virtual display of its own, one 1512 x 982 screen.
inVirtualDisplay() {
  local script=$1
  shift
  xvfb-run -a -s "-screen 0 1512x982x24" bash -c "$script" check "$@"
}

#!/usr/bin/env bash
# The X11 suites with no X server to be found: where the desktop is required
# (as ./test requires it) every case that needs it fails and says why; elsewhere
# the cases are skipped and the run prints the line CTest shows as "Skipped".
#
#   tests/e2e/x11-unavailable.sh path/to/tests_platform SKIPPED-LINE-REGEX
set -uo pipefail
suite=$1 skipped=$2
fail() { echo "x11-unavailable: $*"; echo "$out" | tail -n 40 | sed 's/^/  out: /'; exit 1; }

# The suite runs with no Xvfb on its path.
export QT_QPA_PLATFORM=offscreen

out=$(PATH=/nonexistent LUMIVAST_TEST_REQUIRE_X11=1 "$suite" --gtest_filter='X11*' 2>&1)
status=$?
[ "$status" -ne 0 ] || fail "a required but missing X server passed"
grep -q "Xvfb is not installed (Debian package xvfb)" <<<"$out" || fail "the failure does not say what is missing"
grep -Eq "$skipped" <<<"$out" && fail "a failed run printed the skipped line"
failed=$(grep -Ec '^\[  FAILED  \] X11[^ ]+ \(' <<<"$out")
[ "$failed" -ge 20 ] || fail "only $failed cases failed"

out=$(PATH=/nonexistent LUMIVAST_TEST_REQUIRE_X11= "$suite" --gtest_filter='X11*' 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "without the requirement the run did not end with 0"
grep -Eq "$skipped" <<<"$out" || fail "the skipped cases were not announced"
echo "x11-unavailable: $failed cases failed when required, and were skipped and announced otherwise"

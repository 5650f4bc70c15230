#!/bin/sh
# On a large screen (Xvfb at 3840x2160) the window opens at twice 800x600,
# held there by its size hints, and the picture fills it: the title and a
# race start show at that scale.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
command -v xprop >/dev/null || { echo "SKIP: xprop is not installed"; exit 77; }
private_xvfb 3840x2160
OUT="$BUILD/large-screen"; rm -rf "$OUT"; mkdir -p "$OUT"
ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
trap 'kill $PID $PRIVATE_XVFB 2>/dev/null' EXIT
WID=$(wait_window $PID) || fail "no window named Velmora"
size=$(xdotool getwindowgeometry "$WID" | awk '/Geometry/ {print $2}')
[ "$size" = 1600x1200 ] || fail "the window is $size, not 1600x1200"
hints=$(xprop -id "$WID" WM_NORMAL_HINTS)
echo "$hints" | grep -q "minimum size: 1600 by 1200" && echo "$hints" | grep -q "maximum size: 1600 by 1200" ||
  fail "the size hints do not hold the window at 1600x1200: $hints"
expect_screen $PID title
press_until $PID space countdown || fail "space started no race (saw $SCREEN)"
key_to $PID Up keydown
expect_screen $PID racing
key_to $PID Up keyup
press_until_exit $PID Escape; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"
echo "a 1600x1200 window on a 3840x2160 screen passed"

#!/bin/sh
# The game under Wayland through Xwayland (weston's headless back end): the
# title shows, w gives a full screen of the desktop's 1280x1024 and w again
# the window, a race starts, and Escape ends the game with status 0. Keys go
# with xdotool's key --window: XTEST presses reach no X window there.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
for tool in weston Xwayland; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
OUT="$BUILD/wayland"; rm -rf "$OUT"; mkdir -p "$OUT"
# Wayland wants a runtime directory only its user can enter, on a short path
# (a socket's name is limited to about a hundred bytes).
XDG_RUNTIME_DIR=$(mktemp -d /tmp/velmora-wayland.XXXXXX) || fail "no runtime directory"
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
unset WAYLAND_DISPLAY DISPLAY
weston --backend=headless-backend.so --xwayland --no-config --socket=velmora-$$ --width=1280 --height=1024 \
  >"$OUT/weston.log" 2>&1 &
WESTON=$!
PID=""
trap 'kill $PID $WESTON 2>/dev/null; wait $WESTON 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
# Weston names the X display once Xwayland listens; sets n.
xwayland_listening() {
  n=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$OUT/weston.log" | head -n1)
  [ -n "$n" ] || { kill -0 $WESTON 2>/dev/null && return 1; n=""; return 0; }
}
wait_until 60 xwayland_listening && [ -n "$n" ] ||
  { echo "SKIP: weston with Xwayland did not start (see $OUT/weston.log)"; exit 77; }
DISPLAY=":$n"; export DISPLAY
# Xwayland itself starts when the first X client comes.
xdpyinfo >"$OUT/xdpyinfo.txt" 2>&1 || { echo "SKIP: Xwayland did not start (see $OUT/weston.log)"; exit 77; }

ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
wait_window $PID >/dev/null || fail "no window named Velmora"
expect_screen $PID title

switch_to() {  # WxH
  n=0
  while [ $n -lt 5 ]; do
    key_to $PID w
    window_of_size "$1" 20 >/dev/null && { expect_screen $PID title; return; }
    n=$((n + 1))
  done
  fail "no $1 window"
}
switch_to 1280x1024
# The 4:3 picture at 1280x960 between grey bands of 32 pixels above and
# below, on the whole output: the window sits at its corner, undecorated.
WID=$(wait_window $PID) || fail "no window named Velmora"
import -window "$WID" "png:$OUT/full.png" 2>/dev/null || fail "could not capture the full screen"
for y in 2 30 994 1021; do
  p=$(pixel "$OUT/full.png" 640 $y)
  [ "$p" = "64,64,64" ] || fail "band pixel at 640,$y is $p"
done
[ "$(pixel "$OUT/full.png" 640 34)" != "64,64,64" ] || fail "the picture does not start at 32"
at=$(xwininfo -id "$WID" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x "," y}')
[ "$at" = "0,0" ] || fail "the full screen is at $at, not at the output's corner"
echo "full screen at 1280x1024"
switch_to 800x600

press_until $PID space countdown || fail "space started no race (saw $SCREEN)"
key_to $PID Up keydown
expect_screen $PID racing
key_to $PID Up keyup
echo "a race under Xwayland"
press_until_exit $PID Escape; status=$STATUS
PID=""
[ "$status" = 0 ] || fail "the game ended with status $status"
echo "Wayland desktop run passed"

#!/bin/sh
# Two monitors side by side on one X screen (Xorg's dummy driver at
# 3840x1080, split into two 1920x1080 RandR monitors), without a window
# manager and under openbox: with the window moved onto the right monitor,
# w fills that monitor alone, the 4:3 picture between grey bands of 240
# pixels, and w again brings the 800x600 window back where it was.
BUILD=$(cd "${1:?build dir}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
for tool in Xorg xrandr openbox wmctrl; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
OUT="$BUILD/dual-monitor"; rm -rf "$OUT"; mkdir -p "$OUT"

cp "$HERE/dummy-dual-xorg.conf" "$OUT/dummy.conf"
Xorg -displayfd 3 -config "$OUT/dummy.conf" -configdir "$OUT" -logfile "$OUT/xorg.log" -noreset -nolisten tcp \
  3>"$OUT/display" >/dev/null 2>&1 &
XP=$!
WM=""; PID=""
trap 'kill $PID $WM $XP 2>/dev/null; wait $XP 2>/dev/null' EXIT
# Written once the server listens; a server that died fails at once.
display_written() {
  [ -s "$OUT/display" ] && return 0
  kill -0 $XP 2>/dev/null || fail "the dummy X server did not start"
  return 1
}
wait_until 60 display_written || fail "the dummy X server did not start"
DISPLAY=":$(head -n1 "$OUT/display")"; export DISPLAY
xdpyinfo >/dev/null 2>&1 || fail "the dummy X server does not answer"
xrandr --setmonitor left 1920/508x1080/286+0+0 DUMMY0 >"$OUT/xrandr.log" &&
  xrandr --setmonitor right 1920/508x1080/286+1920+0 none >>"$OUT/xrandr.log" || fail "could not split the screen into two monitors"
[ "$(xrandr --listmonitors | awk 'NR == 1 {print $2}')" = 2 ] || fail "the screen does not have two monitors"

# Presses w until the game shows the title in a window of size $1: a press
# that lands while the previous switch settles can be lost.
switch_to() {  # WxH
  n=0
  while [ $n -lt 5 ]; do
    key_to $PID w
    GEOMETRY=$(window_of_size "$1" 20) && { expect_screen $PID title; return; }
    n=$((n + 1))
  done
  fail "$CASE: no $1 window"
}
# The right monitor holds the picture between its bands, or $why says how
# it does not.
right_monitor_filled() {
  shot "$OUT/$CASE-full.png"
  why=""
  for x in 1925 2040 2155 3605 3720 3835; do
    for y in 3 540 1076; do
      p=$(pixel "$OUT/$CASE-full.png" $x $y)
      [ "$p" = "64,64,64" ] || why="band pixel at $x,$y is $p"
    done
  done
  [ -z "$why" ] && [ "$(pixel "$OUT/$CASE-full.png" 2165 540)" = "64,64,64" ] &&
    why="the picture does not start at 2160"
  [ -z "$why" ] && [ "$(pixel "$OUT/$CASE-full.png" 3590 540)" = "64,64,64" ] &&
    why="the picture does not end at 3600"
  [ -z "$why" ] && [ "$(count_near "$OUT/$CASE-full.png" 0 0 1920 1080 64,64,64)" != 0 ] &&
    why="the left monitor shows part of the full screen"
  [ -z "$why" ]
}
# The window on the right monitor: its place in $before.
window_on_right_monitor() {
  set -- $(window_of_size 800x600 5)
  before="$2 $3"
  [ -n "$2" ] && [ "$2" -ge 1920 ]
}

run_case() {  # name, with a window manager (1) or not (0)
  CASE=$1
  WM=""
  if [ "$2" = 1 ]; then
    start_openbox "$OUT/openbox.log"
  fi
  ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/$CASE-stderr.txt" &
  PID=$!
  WID=$(wait_window $PID) || fail "$CASE: no window"
  expect_screen $PID title
  xdotool windowmove "$WID" 2400 200
  wait_until 30 window_on_right_monitor || fail "$CASE: the window did not move onto the right monitor"
  echo "$CASE: window at $before"
  switch_to 1920x1080
  set -- $GEOMETRY
  [ "$2 $3" = "1920 0" ] || fail "$CASE: the full screen is at $2,$3, not on the right monitor"
  # The window manager may take a moment to lay a full screen out.
  wait_until 30 right_monitor_filled || fail "$CASE: $why"
  echo "$CASE: full screen fills the right monitor alone"
  switch_to 800x600
  set -- $GEOMETRY
  [ "$2 $3" = "$before" ] || fail "$CASE: the window came back at $2 $3, not at $before"
  press_until_exit $PID Escape; status=$STATUS
  [ "$status" = 0 ] || fail "$CASE: the game ended with status $status"
  PID=""
  if [ -n "$WM" ]; then kill $WM; wait $WM 2>/dev/null; WM=""; fi
}

run_case bare 0
run_case openbox 1
echo "full screen on one of two monitors passed"

#!/bin/sh
# Full screen on an X server that has video modes (Xorg's dummy driver at
# 1920x1080): w on the title switches to full screen with grey letter-box
# bands, w again returns to the window; twenty times, without a crash or
# growing memory.
BUILD=$(cd "${1:?build dir}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
OUT="$BUILD/fullscreen"; rm -rf "$OUT"; mkdir -p "$OUT"
command -v Xorg >/dev/null || fail "Xorg is not installed"

n=40
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
cp "$HERE/dummy-xorg.conf" "$OUT/dummy.conf"
Xorg ":$n" -config "$OUT/dummy.conf" -configdir "$OUT" -logfile "$OUT/xorg.log" -noreset -nolisten tcp >/dev/null 2>&1 &
XP=$!
trap 'kill $XP 2>/dev/null; wait $XP 2>/dev/null' EXIT
i=0
while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
export DISPLAY=":$n"
xdpyinfo >/dev/null 2>&1 || fail "the dummy X server did not start"

# AddressSanitizer holds freed memory back for a while; without that
# quarantine the resident size shows real growth only.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0:thread_local_quarantine_size_kb=0" \
  ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
wait_window $PID >/dev/null || fail "no window"
expect_screen $PID title
rss() { awk '/VmRSS/ {print $2}' "/proc/$PID/status"; }
# Presses w until the window has the size wanted and shows the title again:
# a press that lands while the previous switch is still settling can be
# swallowed, and a player would press once more.
switch_to() {  # WxH round
  n=0
  while [ $n -lt 5 ]; do
    key_to $PID w
    window_of_size "$1" 20 >/dev/null && { expect_screen $PID title; return; }
    n=$((n + 1))
  done
  fail "no $1 window in round $2"
}
round=1
while [ $round -le 20 ]; do
  switch_to 1920x1080 $round
  if [ $round -eq 1 ] || [ $round -eq 20 ]; then
    shot "$OUT/full-$round.png"
    size=$(identify -format '%wx%h' "$OUT/full-$round.png")
    [ "$size" = "1920x1080" ] || fail "screen is $size"
    for x in 5 120 235 1685 1800 1915; do
      p=$(pixel "$OUT/full-$round.png" $x 540)
      [ "$p" = "64,64,64" ] || fail "band pixel at $x is $p in round $round"
    done
    p=$(pixel "$OUT/full-$round.png" 250 540)
    [ "$p" != "64,64,64" ] || fail "the picture does not start at 240"
  fi
  [ $round -eq 2 ] && rss_start=$(rss)
  switch_to 800x600 $round
  kill -0 $PID 2>/dev/null || fail "the game died in round $round"
  round=$((round + 1))
done
rss_end=$(rss)
echo "resident memory after round 2: ${rss_start} kB, after round 20: ${rss_end} kB"
[ $((rss_end - rss_start)) -lt 20000 ] || fail "memory grew by $((rss_end - rss_start)) kB"
press_until_exit $PID Escape; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"
echo "full-screen switching passed"

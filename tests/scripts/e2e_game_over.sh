#!/bin/sh
# Lets the checkpoint clock run out without driving: the game-over screen
# fades in over the frozen race, then the keys lead back to the title.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
OUT="$BUILD/e2e-game-over"; rm -rf "$OUT"; mkdir -p "$OUT"

ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
WID=$(wait_window $PID) || fail "no window named Velmora"
xdotool windowfocus --sync "$WID"
sleep 1
xdotool key space
# Count-down (6 s) and the 90 s checkpoint clock, then the fade.
sleep 101
shot "$OUT/game-over.png"
n=$(count_not "$OUT/game-over.png" 185 180 430 60 0,0,0)
w=$(count_near "$OUT/game-over.png" 185 180 430 60 255,255,255)
echo "GAME OVER text pixels: $w (non-black $n)"
[ "$w" -gt 300 ] || fail "no GAME OVER text"
xdotool key space; sleep 1
shot "$OUT/title.png"
t=$(count_not "$OUT/title.png" 155 40 490 60 0,0,0)
[ "$t" -gt 500 ] || fail "not back on the title ($t)"
xdotool key Escape
wait_exit $PID 10; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"
echo "game-over run passed"

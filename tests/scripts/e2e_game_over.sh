#!/bin/sh
# Lets the checkpoint clock run out without driving: the game-over screen
# fades in over the frozen race, then the keys lead back to the title.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
private_xvfb
OUT="$BUILD/e2e-game-over"; rm -rf "$OUT"; mkdir -p "$OUT"

WAV="$OUT/game-over.wav"
alsoft_capture_conf "$WAV" "$OUT/alsoft.conf"
ALSOFT_DRIVERS=wave ALSOFT_CONF="$OUT/alsoft.conf" "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
WID=$(wait_window $PID) || fail "no window named Velmora"
sleep 1
# Start the race; press again should the first press come before the title.
i=0
while [ $i -lt 5 ]; do
  xdotool key --window "$WID" space
  sleep 1.5
  shot "$OUT/count-down.png"
  [ "$(pixel "$OUT/count-down.png" 400 20)" = "34,141,203" ] && break
  i=$((i + 1))
done
# Count-down (6 s) and the 90 s checkpoint clock, then the fade: look for
# the text from 96 s on (a loaded machine stretches the count-down).
sleep 94
i=0; w=0
while [ $i -lt 40 ]; do
  shot "$OUT/game-over.png"
  w=$(count_near "$OUT/game-over.png" 185 180 430 60 255,255,255)
  [ "$w" -gt 300 ] && break
  sleep 1; i=$((i + 1))
done
echo "GAME OVER text pixels: $w after $((96 + i)) s"
[ "$w" -gt 300 ] || fail "no GAME OVER text"
sleep 1.5
xdotool key --window "$WID" space; sleep 1
shot "$OUT/title.png"
t=$(count_not "$OUT/title.png" 155 40 490 60 0,0,0)
[ "$t" -gt 500 ] || fail "not back on the title ($t)"
xdotool key --window "$WID" Escape
wait_exit $PID 10; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"
# Headroom over the whole run: the start, the race and the fade.
peak=$(peak_of "$WAV")
echo "capture peak $peak, rms $(rms_of "$WAV")"
gt 0.891 "$peak" || fail "capture peaks at $peak, beyond -1 dBFS (0.891)"
echo "game-over run passed"

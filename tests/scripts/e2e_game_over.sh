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
wait_window $PID >/dev/null || fail "no window named Velmora"
expect_screen $PID title
press_until $PID space countdown || fail "space on the title started no race (saw $SCREEN)"
t_start=$(now)
shot "$OUT/count-down.png"
# Count-down (6 s) and the 90 s checkpoint clock, then the fade; a loaded
# machine only stretches that.
expect_screen $PID gameover 300
t_over=$(since "$t_start")
shot "$OUT/game-over.png"
w=$(count_near "$OUT/game-over.png" 185 180 430 60 255,255,255)
echo "GAME OVER text pixels: $w, $t_over s after the count-down began"
gt "$t_over" 90 || fail "the race ended after only $t_over s"
press_until $PID space title || fail "space on the game-over screen did not lead to the title (saw $SCREEN)"
shot "$OUT/title.png"
press_until_exit $PID Escape; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"
# Headroom over the whole run: the start, the race and the fade.
peak=$(peak_of "$WAV")
echo "capture peak $peak, rms $(rms_of "$WAV")"
gt 0.891 "$peak" || fail "capture peaks at $peak, beyond -1 dBFS (0.891)"
echo "game-over run passed"

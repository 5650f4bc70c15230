#!/bin/sh
# Plays the real game as a person would, under X with its sound captured:
# title with music, car choice, count-down, a 30 s drive, back to the title,
# music off and on, quit. Screenshots of each stage stay in $BUILD/e2e.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
OUT="$BUILD/e2e"; rm -rf "$OUT" "$BUILD/screenshot.png"; mkdir -p "$OUT"
WAV="$OUT/play.wav"
alsoft_capture_conf "$WAV" "$OUT/alsoft.conf"

t0=$(now)
ALSOFT_DRIVERS=wave ALSOFT_CONF="$OUT/alsoft.conf" "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
WID=$(wait_window $PID) || fail "no window named Velmora"
xdotool windowfocus --sync "$WID"
[ "$(xdotool getwindowgeometry "$WID" | awk '/Geometry/ {print $2}')" = "800x600" ] || fail "window is not 800x600"
# Keys go through XTEST to the focused window, as a keyboard's do.
KEYS=focus

expect_screen $PID title
t_title=$(since "$t0")
shot "$OUT/1-title.png"
# The car whose selection frame is drawn on the title, or "none".
selected_car() {
  shot "$OUT/selecting.png"
  for c in 0 1 2 3; do
    n=$(count_not "$OUT/selecting.png" $((155 + 125 * c)) 415 110 4 0,0,0)
    [ "$n" -gt 40 ] && { echo $c; return; }
  done
  echo none
}
# Presses $1 until the frame moves to car $2.
choose_car() {  # key car
  n=0
  while [ $n -lt 5 ]; do
    key_to $PID "$1"
    start=$(now)
    until gt "$(since "$start")" 8; do
      [ "$(selected_car)" = "$2" ] && return 0
    done
    n=$((n + 1))
  done
  fail "$1 did not move the selection to car $2 (it is at $(selected_car))"
}
# Red is preselected: right to black, then left twice to yellow.
[ "$(selected_car)" = 2 ] || fail "red is not preselected"
choose_car Right 3; choose_car Left 2; choose_car Left 1
shot "$OUT/2-title-car.png"

press_until $PID space countdown || fail "space started no race (saw $SCREEN)"
t_space=$(awk -v a="$t0" -v b="$PRESSED_AT" 'BEGIN {printf "%.2f", b - a}')
shot "$OUT/3-countdown.png"
# The throttle held from the count-down on counts once the lights are green.
key_to $PID Up keydown
t_up=$(since "$t0")
expect_screen $PID racing
t_race=$(since "$t0")
# Music off for the drive, so the capture holds the engines alone.
key_to $PID m
# About 24 s of driving, the car steered along the road as a player would
# (bends push a fast car outward), a picture every 3 s.
"$BUILD/velmora_screen" --pid $PID --drive 24 &
DRIVER=$!
t_drive=$(now); i=0
while [ $i -lt 8 ]; do
  until gt "$(since "$t_drive")" $((i * 3)); do play_for 0.1; done
  shot "$OUT/4-race-$((i * 2)).png"; i=$((i + 1))
done
wait $DRIVER
t_fast=$(since "$t0")
key_to $PID Up keyup
shot "$OUT/5-race-late.png"
key_to $PID m
press_until $PID Escape title || fail "Escape in the race did not lead to the title (saw $SCREEN)"
t_back=$(since "$t0")
shot "$OUT/6-title-again.png"
key_to $PID m; t_off=$(since "$t0"); play_for 1.5
key_to $PID m; t_on=$(since "$t0"); play_for 1.5
press_until_exit $PID Escape; status=$STATUS
[ "$status" = 0 ] || fail "the game ended with status $status"

# Pictures.
for c in 0 1 2 3; do
  n=$(count_not "$OUT/2-title-car.png" $((155 + 125 * c)) 415 110 4 0,0,0)
  echo "title frame $c: $n"
  eval "frame$c=$n"
done
[ "$frame1" -gt 40 ] || fail "no selection frame around the yellow car"
for c in 0 2 3; do eval "n=\$frame$c"; [ "$n" -lt 10 ] || fail "selection frame around car $c"; done
n=$(count_not "$OUT/1-title.png" 155 40 490 60 0,0,0); [ "$n" -gt 500 ] || fail "no title text ($n)"
# Hills may hide the sky or the road for a while: over the drive both show.
sky_shots=0; road_shots=0; shots=0
for f in "$OUT"/4-race-*.png; do
  sky=0
  for x in 60 220 400 580 740; do
    [ "$(pixel "$f" $x 140)" = "34,141,203" ] && sky=$((sky + 1))
  done
  road=$(count_near "$f" 0 560 800 40 105,105,105)
  echo "$(basename "$f"): sky at $sky of 5 points, $road road pixels at the bottom"
  [ $sky -ge 2 ] && sky_shots=$((sky_shots + 1))
  # The README's picture: the first clear view of sky and road.
  if [ $sky -eq 5 ] && [ "$road" -gt 20000 ] && [ ! -e "$BUILD/screenshot.png" ]; then
    convert "$f" -crop 800x600+0+0 +repage "$BUILD/screenshot.png"
  fi
  [ "$road" -gt 4000 ] && road_shots=$((road_shots + 1))
  shots=$((shots + 1))
done
[ $sky_shots -ge 2 ] || fail "sky colour seen in only $sky_shots of $shots race pictures"
[ $((road_shots * 2)) -ge $shots ] || fail "road seen in only $road_shots of $shots race pictures"
time_label=$(count_near "$OUT/4-race-6.png" 372 20 60 24 255,255,0)
laps_label=$(count_near "$OUT/4-race-6.png" 52 20 60 24 120,230,255)
echo "HUD: TIME $time_label, LAPS $laps_label"
[ "$time_label" -gt 20 ] && [ "$laps_label" -gt 20 ] || fail "HUD texts missing"

# Sound.
r_title=$(rms_at "$WAV" "$t_title" 1)
# During the count-down only the player's engine idles, a low and steady
# tone (no music: its melody and drums would lift the pitch estimate); the
# start light's beep then stands out as a much higher tone. The first light
# comes 600 ticks (3 s) after Space; a busy machine may stretch that.
f_count_max=0
for dt in 0.6 1.0 1.4 1.8 2.2; do
  f=$(freq_at "$WAV" "$(awk -v t="$t_space" -v d=$dt 'BEGIN {print t + d}')" 0.2)
  gt "$f" "$f_count_max" && f_count_max=$f
done
# The lights' beeps lie between 3 s after Space and the racing seen on
# screen (a loaded machine stretches the count-down).
f_light=0
for t in $(awk -v a="$t_space" -v b="$t_race" 'BEGIN {for (t = a + 2.9; t < b; t += 0.2) print t}'); do
  f=$(freq_at "$WAV" "$t" 0.2)
  gt "$f" "$f_light" && f_light=$f
done
# The capture starts when the game opens its sound device, a moment after
# t0 (longer on a loaded machine), so every moment stands somewhat earlier
# in it than on the clock: the music-off level is the quietest part of the
# stretch from the return to the title to the second press of m.
r_off=1
for t in $(awk -v a="$t_back" -v b="$t_on" 'BEGIN {for (t = a; t < b + 0.5; t += 0.1) print t}'); do
  r=$(rms_at "$WAV" "$t" 0.3)
  gt "$r_off" "$r" && r_off=$r
done
r_on=$(rms_at "$WAV" "$(awk -v t="$t_on" 'BEGIN {print t + 0.9}')" 0.5)
f_slow=$(freq_at "$WAV" "$(awk -v t="$t_up" 'BEGIN {print t + 0.1}')" 0.6)
# The highest engine pitch of the drive: a knock from an opponent may slow
# the car at any moment, its end included.
f_fast=0
for t in $(awk -v a="$t_race" -v b="$t_fast" 'BEGIN {for (t = a + 3; t + 1 < b; t += 1) print t}'); do
  f=$(freq_at "$WAV" "$t" 1)
  gt "$f" "$f_fast" && f_fast=$f
done
echo "space at $t_space s, racing seen at $t_race s; count-down pitch up to $f_count_max Hz, first light $f_light Hz; rms: title $r_title, music off $r_off, on $r_on; engine Hz: $f_slow -> $f_fast"
gt "$r_title" 0.01 || fail "title music is silent"
gt 300 "$f_count_max" || fail "more than the idling engine in the count-down (music playing?)"
gt 0.003 "$r_off" || fail "music did not stop on m"
gt "$f_light" 500 || fail "first start light not heard"
gt "$r_on" 0.01 || fail "music did not come back on m"
gt "$f_fast" "$(awk -v f="$f_slow" 'BEGIN {print f * 1.3}')" || fail "engine pitch did not rise"
# Headroom: the start (ten engines and the go beep) must not reach -1 dBFS.
peak=$(peak_of "$WAV")
echo "capture peak $peak, rms $(rms_of "$WAV")"
gt 0.891 "$peak" || fail "capture peaks at $peak, beyond -1 dBFS (0.891)"
lines=$(wc -l <"$OUT/stderr.txt")
[ "$lines" -eq 0 ] || fail "unexpected messages on stderr: $(cat "$OUT/stderr.txt")"
echo "play-through passed"

#!/bin/sh
# The game under a real window manager (openbox on a private Xvfb): moving
# the focus to another window pauses the race, the clock on the HUD stands
# still until the focus comes back; the window manager's close request
# during the race ends the game with status 0.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
command -v openbox >/dev/null && command -v wmctrl >/dev/null ||
  { echo "SKIP: openbox and wmctrl are not installed"; exit 77; }
private_xvfb
OUT="$BUILD/desktop-openbox"; rm -rf "$OUT"; mkdir -p "$OUT"
start_openbox "$OUT/openbox.log"
xlogo -geometry 200x200+900+100 &
OTHER=$!
trap 'kill $PRIVATE_XVFB $WM $OTHER 2>/dev/null' EXIT

ALSOFT_DRIVERS=null "$BUILD/velmora" 2>"$OUT/stderr.txt" &
PID=$!
WID=$(wait_window $PID) || fail "no window named Velmora"
expect_screen $PID title
wmctrl -l | grep -q Velmora || fail "openbox does not manage the game's window"
press_until $PID space countdown || fail "space started no race (saw $SCREEN)"
key_to $PID Up keydown
expect_screen $PID racing

# The clock's digits on the HUD, as a picture of their own.
clock_picture() {  # file
  import -window "$WID" "png:$OUT/window.png" 2>/dev/null
  convert "$OUT/window.png" -crop 90x50+355+40 +repage "png:$1"
}
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

xdotool windowactivate --sync "$(xdotool search --pid $OTHER | head -n1)" 2>/dev/null ||
  wmctrl -a xlogo || fail "could not focus another window"
expect_screen $PID paused 60
clock_picture "$OUT/clock-1.png"
# Two seconds and more of wall time: a running clock would have moved.
start=$(now)
until gt "$(since "$start")" 2.5; do play_for 0.1; done
clock_picture "$OUT/clock-2.png"
same_picture "$OUT/clock-1.png" "$OUT/clock-2.png" || fail "the clock ran on while the focus was elsewhere"
echo "paused while another window had the focus"

xdotool windowactivate --sync "$WID" 2>/dev/null || wmctrl -i -a "$WID"
wait_screen $PID racing,race,countdown 60 || fail "the race did not go on with the focus back (saw $SCREEN)"
start=$(now)
until ! same_picture "$OUT/clock-1.png" "$OUT/clock-3.png" 2>/dev/null; do
  gt "$(since "$start")" 30 && fail "the clock stood still with the focus back"
  clock_picture "$OUT/clock-3.png"
  play_for 0.2
done
echo "the race went on with the focus back"

expect_screen $PID racing
wmctrl -i -c "$WID" || fail "wmctrl could not close the window"
wait_exit $PID; status=$STATUS
[ "$status" = 0 ] || fail "closing the window through openbox ended the game with status $status"
echo "openbox desktop run passed"

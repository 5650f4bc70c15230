# Shared helpers for the scripted tests that drive the real game under X.
# Sourced by the test scripts; expects BUILD (the build dir) and DISPLAY.

fail() { echo "FAIL: $*" >&2; exit 1; }

# OpenAL Soft writes everything it mixes to $1 (mono, 16-bit, 22050 Hz).
alsoft_capture_conf() {
  conf="$2"
  cat >"$conf" <<CONF
[general]
channels=mono
sample-type=int16
frequency=22050
[wave]
file=$1
CONF
}

# Waits up to $2 seconds (default 60) for a top-level window named Velmora
# of process $1; prints its id.
wait_window() {
  start=$(now)
  while :; do
    wid=$(xdotool search --all --pid "$1" --name '^Velmora$' 2>/dev/null | head -n1)
    if [ -n "$wid" ]; then echo "$wid"; return 0; fi
    kill -0 "$1" 2>/dev/null || return 1
    gt "$(since "$start")" "${2:-60}" && return 1
    sleep 0.1
  done
}

# Waits up to $2 seconds (default 60) for our child process $1 to end and
# sets STATUS to its exit status (124 when it had to be killed). Call it
# directly, not in $(...): only this shell can collect its own child.
wait_exit() {
  limit=$(( ${2:-60} * 10 )); i=0
  while kill -0 "$1" 2>/dev/null && [ $i -lt $limit ]; do
    # A finished child stays a zombie until collected; kill -0 still sees it.
    [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ] && break
    sleep 0.1; i=$((i + 1))
  done
  if [ $i -ge $limit ]; then kill -9 "$1" 2>/dev/null; wait "$1" 2>/dev/null; STATUS=124; return; fi
  wait "$1"; STATUS=$?
}

shot() { import -window root "png:$1" 2>/dev/null || xwd -root -silent | convert xwd:- "png:$1"; }

# Pixel of a screenshot as "r,g,b".
pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# Number of pixels in a rectangle (x y w h) whose colour is not $6 ("r,g,b").
count_not() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fill black -opaque "rgb($6)" \
    -fill white +opaque black -format '%[fx:int(mean*w*h+0.5)]' info:
}

# RMS amplitude (0..1) of the capture between $2 and $2+$3 seconds.
rms_at() { sox "$1" -n trim "$2" "$3" stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }
# Rough fundamental (Hz) between $2 and $2+$3 seconds.
freq_at() { sox "$1" -n trim "$2" "$3" stat 2>&1 | awk '/Rough +frequency/ {print $3}'; }

now() { date +%s.%N; }

# Runs the command (the rest of the arguments) every tenth of a second until
# it succeeds or $1 seconds have passed; fails then. The one poll loop of
# these scripts: each wait is for something that can be seen.
wait_until() {  # seconds command...
  wait_limit=$1; shift
  wait_start=$(now)
  until "$@"; do
    gt "$(since "$wait_start")" "$wait_limit" && return 1
    sleep 0.1
  done
}
since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.2f", b - a}'; }
gt() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a > b)}'; }

# Number of pixels in a rectangle (x y w h) within 12 % of colour $6 ("r,g,b").
count_near() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fuzz 12% -fill white -opaque "rgb($6)" \
    -fill black +opaque white -format '%[fx:int(mean*w*h+0.5)]' info:
}

# Starts an X server of this script's own (so pictures and key focus are not
# shared with tests running beside it), exports DISPLAY, and stops the
# server when the script ends. $1 is the screen's size (default 1280x1024).
# -noreset: by default the server resets when its last client leaves and
# drops whoever connects meanwhile, so the client after xdpyinfo's check
# (openbox, the game) could be turned away, as 74 of 1000 back-to-back
# xdpyinfo runs were here.
private_xvfb() {  # [WxH]
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
  PRIVATE_XVFB=$!
  trap 'kill $PRIVATE_XVFB 2>/dev/null' EXIT
  trap 'exit 1' INT TERM
  i=0
  while [ ! -s "$fdfile" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
  DISPLAY=":$(head -n1 "$fdfile")"; export DISPLAY
  rm -f "$fdfile"
  xdpyinfo >/dev/null 2>&1 || fail "could not start a private Xvfb"
}

# What the game $1 shows, read from its window's pixels: title, countdown,
# racing (10 km/h or more on the HUD), race, gameover, other, none (no
# window), ended (the process is gone). Waits up to $3 seconds (default 90)
# for one of the comma-separated states $2 and leaves what it saw last in
# SCREEN; fails when the deadline passes or the game ends first.
wait_screen() {  # pid states [seconds]
  SCREEN=$("$BUILD/velmora_screen" --pid "$1" --wait "$2" --timeout "${3:-90}")
  screen_status=$?
  [ -n "$SCREEN" ] || SCREEN="nothing: the X server refused the connection"
  return $screen_status
}
expect_screen() {  # pid states [seconds]
  wait_screen "$@" || fail "waited for $2 on the game's screen, saw ${SCREEN:-nothing}"
}

# Sends key $2 to the game $1's window (xdotool command $3: key, keydown or
# keyup) and notes the time in PRESSED_AT. With KEYS=focus the key goes
# through XTEST to the focused window, as a real keyboard's would.
key_to() {  # pid key [command]
  PRESSED_AT=$(now)
  if [ "${KEYS:-window}" = focus ]; then xdotool "${3:-key}" "$2"; return; fi
  w=$(xdotool search --all --pid "$1" --name '^Velmora$' 2>/dev/null | head -n1)
  [ -n "$w" ] && xdotool "${3:-key}" --window "$w" "$2" 2>/dev/null
}

# Lets the game run on for $1 seconds, so that the sound capture holds that
# much of what is being measured. Never a wait for a step to finish.
play_for() { sleep "$1"; }

# Presses key $2 until the game shows one of the states $3, as a person
# presses again when nothing happens: the title, for one, drops every key
# pressed before it appeared. At most $4 presses (default 8), waiting up
# to $5 seconds (default 8) after each.
press_until() {  # pid key states [presses] [seconds]
  n=${4:-8}
  while [ "$n" -gt 0 ]; do
    key_to "$1" "$2"
    wait_screen "$1" "$3" "${5:-8}" && return 0
    [ "$SCREEN" = ended ] && return 1
    n=$((n - 1))
  done
  return 1
}

# Presses key $2 until our child process $1 has ended (at most $3 presses,
# 8 s apart), then collects it as wait_exit does.
press_until_exit() {  # pid key [presses]
  n=${3:-8}
  while [ "$n" -gt 0 ]; do
    key_to "$1" "$2"
    "$BUILD/velmora_screen" --pid "$1" --wait ended --timeout 8 >/dev/null
    [ $? -eq 3 ] && break
    n=$((n - 1))
  done
  wait_exit "$1" 30
}

# Largest absolute sample (0..1) and RMS amplitude of a whole capture.
peak_of() { sox "$1" -n stat 2>&1 | awk '/Maximum amplitude/ {a = $3} /Minimum amplitude/ {b = -$3} END {print (a > b ? a : b)}'; }
rms_of() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }

# The game $PID's shown window of size $1 as "WID X Y WxH" (its inside's place
# on the screen), waiting up to $2 seconds for one.
window_of_size() {  # WxH seconds
  wanted_size=$1
  wait_until "$2" shown_window_of_size
}
shown_window_of_size() {
  for w in $(xdotool search --all --pid $PID --name '^Velmora$' 2>/dev/null); do
    geometry=$(xwininfo -id "$w" 2>/dev/null |
      awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
           /Width:/ {w = $2} /Height:/ {h = $2} /Map State: IsViewable/ {v = 1}
           END {if (v) printf "%s %s %sx%s", x, y, w, h}')
    [ "${geometry##* }" = "$wanted_size" ] && { echo "$w $geometry"; return 0; }
  done
  return 1
}

# Starts openbox (its log in $1) and waits until it owns the screen; sets WM.
start_openbox() {  # log
  openbox >"$1" 2>&1 &
  WM=$!
  wait_until 60 openbox_up || fail "openbox did not start: $(tail -n1 "$1")"
  running $WM || fail "openbox ended at its start: $(tail -n1 "$1")"
}
# Openbox owns the screen, or has given up (no use waiting on then).
openbox_up() { wmctrl -m >/dev/null 2>&1 || ! running $WM; }
# Whether our child $1 still runs: an ended child stays a zombie, which
# kill -0 still finds, until the shell collects it.
running() { kill -0 "$1" 2>/dev/null && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }

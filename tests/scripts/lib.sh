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

# Waits for a top-level window named Velmora of process $1; prints its id.
wait_window() {
  i=0
  while [ $i -lt 100 ]; do
    wid=$(xdotool search --all --pid "$1" --name '^Velmora$' 2>/dev/null | head -n1)
    if [ -n "$wid" ]; then echo "$wid"; return 0; fi
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.1; i=$((i + 1))
  done
  return 1
}

# Waits up to $2 seconds (default 10) for our child process $1 to end and
# sets STATUS to its exit status (124 when it had to be killed). Call it
# directly, not in $(...): only this shell can collect its own child.
wait_exit() {
  limit=$(( ${2:-10} * 10 )); i=0
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
since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.2f", b - a}'; }
gt() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a > b)}'; }

# Number of pixels in a rectangle (x y w h) within 12 % of colour $6 ("r,g,b").
count_near() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fuzz 12% -fill white -opaque "rgb($6)" \
    -fill black +opaque white -format '%[fx:int(mean*w*h+0.5)]' info:
}

# Starts an X server of this script's own (so pictures and key focus are not
# shared with tests running beside it), exports DISPLAY, and stops the
# server when the script ends.
private_xvfb() {
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
  PRIVATE_XVFB=$!
  trap 'kill $PRIVATE_XVFB 2>/dev/null' EXIT
  trap 'exit 1' INT TERM
  i=0
  while [ ! -s "$fdfile" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  DISPLAY=":$(head -n1 "$fdfile")"; export DISPLAY
  rm -f "$fdfile"
  xdpyinfo >/dev/null 2>&1 || fail "could not start a private Xvfb"
}

# Largest absolute sample (0..1) and RMS amplitude of a whole capture.
peak_of() { sox "$1" -n stat 2>&1 | awk '/Maximum amplitude/ {a = $3} /Minimum amplitude/ {b = -$3} END {print (a > b ? a : b)}'; }
rms_of() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }

#!/bin/sh
# Every data file in turn missing, cut to half its size, or replaced by
# random bytes: the game must start, run a scripted race (count-down, racing
# and the title again, each seen on screen), quit with status 0 and name the
# broken file once on stderr. Then: no DISPLAY, no OpenAL
# library or device, and the window closed by the window manager mid-race.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
private_xvfb
OUT="$BUILD/faults"; rm -rf "$OUT"; mkdir -p "$OUT"
# Two games at a time: each keeps nearly a core busy drawing, and fewer
# sanitized games side by side give LeakSanitizer's tracer less to trip on.
JOBS=${FAULT_JOBS:-2}

# A private copy of the game with one file broken, hard-linking the rest.
make_copy() {  # dir file kind
  mkdir -p "$1"
  cp "$BUILD/velmora" "$1/"
  for d in Graphics Sounds Music Fonts; do
    mkdir -p "$1/$d"; ln "$BUILD/$d"/* "$1/$d/" 2>/dev/null || cp "$BUILD/$d"/* "$1/$d/"
  done
  f="$1/$2"; size=$(wc -c <"$BUILD/$2")
  rm -f "$f"
  case $3 in
    missing) ;;
    half) head -c $((size / 2)) "$BUILD/$2" >"$f" ;;
    random) head -c "$size" /dev/urandom >"$f" ;;
  esac
}

# Ends the game $1 whatever it shows, collecting it; prints why it was cut short.
abandon() {  # pid reason
  kill -9 "$1" 2>/dev/null; wait "$1" 2>/dev/null
  echo "$2"
}

# Starts the game $1 (stderr to $2) and waits for its window; sets pid and
# wid. A crowded test server now and then refuses a connection; that is the
# harness's trouble, not the game's, so such a start is tried again.
start_game() {  # binary stderr-file
  for attempt in 1 2 3; do
    ALSOFT_DRIVERS=null "$1" 2>"$2" >/dev/null &
    pid=$!
    wid=$(wait_window $pid) && return 0
    kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
    grep -q "cannot open X display" "$2" || return 1
  done
  return 1
}

# Start, count-down, a drive, back to the title, quit, each step seen on the
# screen before the next key. With "quick", only start to the title and
# quit. Prints the exit status, or the step the game never reached.
scripted_race() {  # dir [quick]
  start_game "$1/velmora" "$1/stderr.txt" || { echo "no window"; return; }
  wait_screen $pid title || { abandon $pid "no title (saw $SCREEN)"; return; }
  if [ "$2" != quick ]; then
    press_until $pid space countdown || { abandon $pid "no count-down (saw $SCREEN)"; return; }
    key_to $pid Up keydown
    wait_screen $pid racing || { abandon $pid "never raced (saw $SCREEN)"; return; }
    key_to $pid Up keyup
    press_until $pid Escape title || { abandon $pid "not back on the title (saw $SCREEN)"; return; }
  fi
  press_until_exit $pid Escape
  echo "$STATUS"
}

# LeakSanitizer's own failure: its tracer, stopping every thread of the
# game (Mesa's rasteriser threads among them) to scan for leaks at exit,
# now and then faults when several sanitized games share the two cores.
checker_aborted() { grep -q "LeakSanitizer has encountered a fatal error" "$1"; }

run_case() {  # file kind [alone]
  dir="$OUT/$(echo "$1" | tr / _)-$2"
  rm -rf "$dir"
  make_copy "$dir" "$1" "$2"
  # A missing file runs the whole race; a damaged one must at least be
  # named and survived from start to the title (the loaders turn it into
  # the same null a missing one gives).
  if [ "$2" = missing ]; then status=$(scripted_race "$dir"); else status=$(scripted_race "$dir" quick); fi
  base=$(basename "$1")
  named=$(grep -c -F "$base" "$dir/stderr.txt")
  lines=$(wc -l <"$dir/stderr.txt")
  note=""
  [ -n "$3" ] && note=" (run alone: the leak checker aborted beside other games)"
  if checker_aborted "$dir/stderr.txt"; then
    # Neither a pass nor the game's failure: run it again alone, once.
    if [ -z "$3" ]; then echo "$1 $2" >"$dir.again"; rm -f "$dir.result"; return; fi
    echo "FAIL $2 $1: the leak checker itself aborted, alone too; the game's own result is unknown" >"$dir.result"
  elif [ "$status" = 0 ] && [ "$named" -eq 1 ]; then
    echo "ok   $2 $1$note" >"$dir.result"
    rm -rf "$dir"
  else
    echo "FAIL $2 $1$note: status $status, named $named times in $lines lines: $(head -c 300 "$dir/stderr.txt")" >"$dir.result"
  fi
}

files=$(cd "$BUILD" && ls Graphics/*.png Sounds/*.wav Music/*.ogg Fonts/*.ttf | grep -E "${FAULT_FILES:-.}")
[ -n "$files" ] || fail "no data files in $BUILD"
# Cases run in batches of $JOBS; wait names the batch's own processes, since
# the X server is a child of this shell too.
batch=""
for kind in missing half random; do
  for f in $files; do
    run_case "$f" "$kind" &
    batch="$batch $!"
    if [ $(echo $batch | wc -w) -ge "$JOBS" ]; then wait $batch; batch=""; fi
  done
done
[ -n "$batch" ] && wait $batch
for again in "$OUT"/*.again; do
  [ -e "$again" ] || continue
  read -r f kind <"$again"; rm -f "$again"
  run_case "$f" "$kind" alone
done
cat "$OUT"/*.result
failures=$(cat "$OUT"/*.result | grep -c '^FAIL')

# No display: one line, status 1.
env -u DISPLAY ALSOFT_DRIVERS=null "$BUILD/velmora" >/dev/null 2>"$OUT/nodisplay.txt"
st=$?
n=$(wc -l <"$OUT/nodisplay.txt")
if [ $st -eq 1 ] && [ "$n" -eq 1 ]; then echo "ok   no DISPLAY: $(cat "$OUT/nodisplay.txt")"
else echo "FAIL no DISPLAY: status $st, $n lines"; failures=$((failures + 1)); fi

# No OpenAL device, then no OpenAL library at all: the game runs silently.
for case in "ALSOFT_DRIVERS=none" "LD_PRELOAD=$BUILD/libvelmora_no_openal.so ASAN_OPTIONS=verify_asan_link_order=0"; do
  d="$OUT/nosound"; rm -rf "$d"; mkdir -p "$d"
  cp "$BUILD/velmora" "$d/"; for x in Graphics Sounds Music Fonts; do cp -r "$BUILD/$x" "$d/"; done
  ( eval "export $case"; scripted_race "$d" ) >"$d/status"
  note=""
  if checker_aborted "$d/stderr.txt"; then
    note=" (again: the leak checker aborted the first run)"
    ( eval "export $case"; scripted_race "$d" ) >"$d/status"
    checker_aborted "$d/stderr.txt" && echo "the leak checker aborted, the game's result is unknown" >"$d/status"
  fi
  if [ "$(cat "$d/status")" = 0 ]; then echo "ok   $case$note"
  else echo "FAIL $case$note: $(cat "$d/status")"; failures=$((failures + 1)); fi
done

# Window closed by the window manager while the race is seen on screen.
SCREEN=""
if ! start_game "$BUILD/velmora" "$OUT/wm-close.txt"; then st="no window"
elif ! wait_screen $pid title; then st="no title (saw $SCREEN)"
elif ! press_until $pid space countdown; then st="no count-down (saw $SCREEN)"
else
  key_to $pid Up keydown
  if wait_screen $pid racing; then
    "$BUILD/velmora_wm_close" "$wid"
    wait_exit $pid; st=$STATUS
  else st="never raced (saw $SCREEN)"; fi
fi
kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
[ "$st" = 0 ] || st="$st; the game said: $(head -c 300 "$OUT/wm-close.txt")"
checker_aborted "$OUT/wm-close.txt" && st="$st, and the leak checker aborted (the game's result is unknown)"
if [ "$st" = 0 ]; then echo "ok   closed by the window manager during the race"
else echo "FAIL closed by the window manager during the race: $st"; failures=$((failures + 1)); fi

[ "$failures" -eq 0 ] || fail "$failures fault cases failed"
echo "all fault cases passed"

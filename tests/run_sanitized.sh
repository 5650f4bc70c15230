#!/bin/sh
# Runs one test program of a sanitized build. LeakSanitizer's tracer, which
# stops every thread at exit to scan for leaks, now and then faults on a
# loaded machine while Mesa's rasteriser threads are about ("Tracer caught
# signal 11" inside its pointer scan): the checker failed, not the test.
# Such a run is run once more, and the log says so; a second abort fails
# and says that the test's own result is unknown.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2; do
  "$@" >"$out" 2>&1
  status=$?
  cat "$out"
  grep -q "LeakSanitizer has encountered a fatal error" "$out" || exit $status
  echo "run_sanitized: LeakSanitizer's own tracer aborted (run $attempt), which says nothing of the test"
done
echo "run_sanitized: the leak checker aborted twice; the test's own result is unknown"
exit 1

#!/bin/sh
# Builds the Debian package from a copy of the source, checks it with
# lintian, installs it into this machine, starts /usr/games/velmora from /
# to the title and out with Escape, then purges it and checks that nothing
# is left. Needs root and dpkg-buildpackage; skipped (77) without them.
# Replaces any velmora package already installed.
BUILD=$(cd "${1:?build dir}" && pwd)
SRC=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/lib.sh"
command -v dpkg-buildpackage >/dev/null || { echo "SKIP: dpkg-buildpackage is not installed (package dpkg-dev)"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing the package needs root"; exit 77; }

private_xvfb
WORK=$(mktemp -d)
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  kill $PRIVATE_XVFB 2>/dev/null
  if dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q installed; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq velmora >/dev/null 2>&1
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# The files git knows (tracked, or new and not ignored), so no build tree or
# other leftovers of the checkout reach the package build.
mkdir "$WORK/velmora"
if git -C "$SRC" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$SRC" && git ls-files -z -c -o --exclude-standard | tar --null --ignore-failed-read -T - -cf -) |
    tar -xf - -C "$WORK/velmora" || fail "could not copy the source"
else
  (cd "$SRC" && tar --exclude='./build*' --exclude='./obj-*' -cf - .) | tar -xf - -C "$WORK/velmora" ||
    fail "could not copy the source"
fi

echo "building the package"
(cd "$WORK/velmora" && DEB_BUILD_OPTIONS="parallel=2" dpkg-buildpackage -us -uc -b) >"$WORK/build.log" 2>&1 ||
  { tail -n 40 "$WORK/build.log" >&2; fail "dpkg-buildpackage failed"; }
DEB=$(ls "$WORK"/velmora_*_*.deb 2>/dev/null | head -n1)
CHANGES=$(ls "$WORK"/velmora_*_*.changes 2>/dev/null | head -n1)
[ -n "$DEB" ] && [ -n "$CHANGES" ] || fail "no velmora_<version>_<arch>.deb and .changes built"
echo "built $(basename "$DEB")"

# Every tag is printed (pedantic and info too); errors and warnings fail.
lintian --fail-on none --pedantic --display-info --display-experimental --show-overrides "$DEB" "$CHANGES" >"$WORK/lintian.txt" 2>&1
status=$?
cat "$WORK/lintian.txt"
[ $status -eq 0 ] || fail "lintian itself failed (status $status)"
if grep -q '^[EW]: ' "$WORK/lintian.txt"; then fail "lintian reports errors or warnings"; fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$DEB" >"$WORK/apt.log" 2>&1 ||
  { cat "$WORK/apt.log" >&2; fail "apt-get install failed"; }

LIB=/usr/lib/games/velmora SHARE=/usr/share/games/velmora
for f in /usr/games/velmora $LIB/velmora $SHARE/Graphics/road.png $SHARE/Sounds/engine5.wav \
         $SHARE/Music/nfo.ogg $SHARE/Fonts/Retroville_NC.ttf \
         /usr/share/applications/io.github.velmora.Velmora.desktop \
         /usr/share/metainfo/io.github.velmora.Velmora.metainfo.xml \
         /usr/share/icons/hicolor/64x64/apps/velmora.png /usr/share/icons/hicolor/128x128/apps/velmora.png \
         /usr/share/icons/hicolor/256x256/apps/velmora.png /usr/share/man/man6/velmora.6.gz \
         /usr/share/doc/velmora/copyright; do
  [ -e "$f" ] || fail "not installed (or a broken link): $f"
done
[ -L /usr/games/velmora ] || fail "/usr/games/velmora is not a link"
[ "$(readlink -f /usr/games/velmora)" = $LIB/velmora ] || fail "/usr/games/velmora does not lead to $LIB/velmora"
for dir in Graphics Sounds Music Fonts; do
  [ -L $LIB/$dir ] || fail "$LIB/$dir is not a link"
  case "$(readlink $LIB/$dir)" in /*) fail "$LIB/$dir is an absolute link";; esac
  [ "$(readlink -f $LIB/$dir)" = $SHARE/$dir ] || fail "$LIB/$dir does not lead to $SHARE/$dir"
done
[ -z "$(find $LIB -type f ! -name velmora)" ] || fail "data files under $LIB: $(find $LIB -type f ! -name velmora)"
for l in $(grep '^License:' /usr/share/doc/velmora/copyright | awk '{print $2}' | sort -u); do
  echo "copyright names licence $l"
done
grep -q '^License: Expat' /usr/share/doc/velmora/copyright || fail "copyright lacks the game's licence"
grep -q '^License: Bitstream-Vera' /usr/share/doc/velmora/copyright || fail "copyright lacks the built-in font's licence"

appstreamcli validate --pedantic --no-net /usr/share/metainfo/io.github.velmora.Velmora.metainfo.xml ||
  fail "appstreamcli rejects the installed metainfo"
desktop-file-validate /usr/share/applications/io.github.velmora.Velmora.desktop ||
  fail "desktop-file-validate rejects the installed desktop entry"
man -l /usr/share/man/man6/velmora.6.gz 2>"$WORK/man.err" | grep -q 'EXIT STATUS' || fail "man -l shows no manual page"
[ ! -s "$WORK/man.err" ] || fail "man complains: $(cat "$WORK/man.err")"

# From /, as a menu would start it.
cd /
ALSOFT_DRIVERS=null /usr/games/velmora 2>"$WORK/stderr.txt" &
PID=$!
wait_window $PID >/dev/null || fail "the packaged game opened no window"
expect_screen $PID title 120
press_until_exit $PID Escape
PID=
[ "$STATUS" = 0 ] || fail "the packaged game ended with status $STATUS"
[ ! -s "$WORK/stderr.txt" ] || fail "the packaged game complained: $(cat "$WORK/stderr.txt")"
echo "packaged game ran from / to its title and out"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq velmora >"$WORK/apt.log" 2>&1 ||
  { cat "$WORK/apt.log" >&2; fail "apt-get purge failed"; }
for d in /usr/games/velmora $LIB $SHARE /usr/share/doc/velmora \
         /usr/share/applications/io.github.velmora.Velmora.desktop \
         /usr/share/metainfo/io.github.velmora.Velmora.metainfo.xml /usr/share/man/man6/velmora.6.gz; do
  [ -e "$d" ] || [ -L "$d" ] && fail "left after purge: $d"
done
echo "purged without leftovers"

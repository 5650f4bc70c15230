#!/bin/sh
# Installs into a temporary prefix and starts the installed game through its
# bin link from an unrelated working directory: it must find its data beside
# its real executable.
BUILD=$(cd "${1:?build dir}" && pwd)
. "$(dirname "$0")/lib.sh"
private_xvfb
PREFIX=$(mktemp -d)
trap 'kill $PRIVATE_XVFB 2>/dev/null; rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || fail "cmake --install failed"
for f in bin/velmora lib/velmora/velmora lib/velmora/Graphics/road.png lib/velmora/Sounds/engine5.wav \
         lib/velmora/Music/nfo.ogg lib/velmora/Fonts/Retroville_NC.ttf \
         share/applications/io.github.velmora.Velmora.desktop share/metainfo/io.github.velmora.Velmora.metainfo.xml \
         share/man/man6/velmora.6 \
         share/icons/hicolor/64x64/apps/velmora.png share/icons/hicolor/128x128/apps/velmora.png \
         share/icons/hicolor/256x256/apps/velmora.png share/doc/velmora/LICENSE; do
  [ -e "$PREFIX/$f" ] || fail "not installed: $f"
done
[ -L "$PREFIX/bin/velmora" ] || fail "bin/velmora is not a link"
ls "$PREFIX"/share/doc/velmora/LICENSE-* >/dev/null 2>&1 || fail "the font licence is not installed"
grep -q '^Exec=velmora$' "$PREFIX/share/applications/io.github.velmora.Velmora.desktop" || fail "desktop entry"

cd "$(mktemp -d)"
ALSOFT_DRIVERS=null "$PREFIX/bin/velmora" 2>stderr.txt &
PID=$!
wait_window $PID >/dev/null || fail "the installed game opened no window"
expect_screen $PID title
press_until_exit $PID Escape
[ "$STATUS" = 0 ] || fail "the installed game ended with status $STATUS"
[ ! -s stderr.txt ] || fail "the installed game complained: $(cat stderr.txt)"
echo "installed game runs from $(pwd)"

#!/bin/sh
# The pictures of docs/: the viewer's window, the About box, the selection dialog and the
# Open File notice with its Korean text, taken on an X server of their own (Xvfb), and
# velta-view on a corpus model.
# Usage: tools/screenshots.sh [build folder, default build]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
VIEWER="$ROOT/${1:-build}/app/velta"
TITLE="Velta Character Demo v.003"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (make deps)" >&2; exit 1; }
done
tmp=$(mktemp -d)
server=""
viewer=""
cleanup() {
  [ -n "$viewer" ] && kill "$viewer" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY

(cd "$ROOT/media" && VELTA_VIDEO=sdl exec "$VIEWER") &
viewer=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "$TITLE" | head -n1)

shot() {  # keys to press, then the picture to take
  [ -n "$1" ] && xdotool windowfocus --sync "$window" key --delay 30 $1
  sleep 1.5
  import -window "$window" "$ROOT/docs/$2"
  echo "screenshots: docs/$2"
}
shot "" screenshot-window.png
shot F1 screenshot-about.png
xdotool windowfocus --sync "$window" key Return
shot F2 screenshot-select.png
xdotool windowfocus --sync "$window" key Escape
shot ctrl+o screenshot-korean-box.png
xdotool windowfocus --sync "$window" key Return Escape
wait "$viewer" && viewer=""

# velta-view on a corpus model, headless at a fixed turn, so the picture comes out the same.
corpus=${VELTA_CORPUS:-$ROOT/../shared/corpus}
VELTA_VIDEO=headless VELTA_FRAMES=3 VELTA_CLOCK_MS=2600 VELTA_SNAPSHOT="$tmp/view.bmp" \
  "$ROOT/${1:-build}/app/velta-view" "$corpus/ase-textured/models/mapobjects/vega/sign/sign_2m10.ase" >/dev/null
convert "$tmp/view.bmp" "$ROOT/docs/screenshot-view.png"
echo "screenshots: docs/screenshot-view.png"

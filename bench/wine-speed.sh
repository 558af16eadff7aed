#!/bin/sh
# Frames per second of the same system code windowed at 640 x 480 under Xvfb, in one run: on our
# platform's SDL display (frames over wall time) and under Wine's DirectX 6 (its fps channel).
# Usage: bench/wine-speed.sh [LINUX_BUILD [WIN64_BUILD [SECONDS]]]
set -eu
SRC=$(cd "$(dirname "$0")/.." && pwd)
LINUX=$(cd "${1:-$SRC/build}" && pwd)
WIN=$(cd "${2:-$SRC/build-win64}" && pwd)
SECONDS_EACH=${3:-10}
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WORK=$(mktemp -d /tmp/velta-speed.XXXXXX)
XPID=""
cleanup() {
  WINEPREFIX="$WORK/prefix" wineserver -k >/dev/null 2>&1 || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM
for n in $(seq 71 99); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
export DISPLAY=:$n WINEPREFIX="$WORK/prefix" WINEARCH=win64
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
sleep 1
cd "$SRC/media"

# Ours: two runs of 60 and N frames, timed; their difference leaves start-up and exit out.
start=$(date +%s.%N)
VELTA_VIDEO=sdl VELTA_FRAMES=60 "$LINUX/app/velta"
warm=$(date +%s.%N)
frames=$((SECONDS_EACH * 400))
VELTA_VIDEO=sdl VELTA_FRAMES=$frames "$LINUX/app/velta"
end=$(date +%s.%N)
ours=$(echo "$frames $start $warm $end" | awk '{short = $3 - $2; long = $4 - $3;
  printf "%.0f", ($1 - 60) / (long - short)}')

# Wine: its own present rate, averaged over the run once the first two reports have passed.
WINEDEBUG=-all "$WINE" wineboot -i >/dev/null 2>&1 || true
wineserver -w
WINEDEBUG=fps timeout "$((SECONDS_EACH + 8))" "$WINE" "$WIN/app/velta.exe" >/dev/null 2>"$WORK/fps.log" || true
wine=$(grep 'ddraw_surface_update_frontbuffer' "$WORK/fps.log" |
  sed -n 's/.*approx \([0-9.]*\)fps.*/\1/p' | awk 'NR > 2 {s += $1; n++} END {if (n) printf "%.0f", s / n; else print 0}')

echo "windowed 640x480, Xvfb: ours ${ours} fps, Wine DirectX 6 ${wine} fps"

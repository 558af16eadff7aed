#!/bin/sh
# The Windows program under Wine's DirectX 6, beside our own platform: the window, its menu bar
# and keys driven through xdotool, and each sample model's frame compared pixel by pixel with the
# headless frame of the Linux build at the same clock.
# Usage: run-wine-checks.sh LINUX_BUILD WIN64_BUILD
# Needs wine64, Xvfb, openbox, xdotool, imagemagick and mingw-w64 (make test-wine installs them).
set -eu
SRC=$(cd "$(dirname "$0")/../.." && pwd)
LINUX=$(cd "$1" && pwd)
WIN=$(cd "$2" && pwd)
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WORK=$(mktemp -d /tmp/velta-wine.XXXXXX)
FAILED=0
XPID=""
WMPID=""
cleanup() {
  WINEPREFIX="$WORK/prefix" wineserver -k >/dev/null 2>&1 || true
  [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

pass() { echo "wine: ok   $1"; }
fail() { echo "wine: FAIL $1"; FAILED=$((FAILED + 1)); }

# Code page 949 texts show as Hangul only in a Korean locale.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR.utf-\?8$'; then
  localedef -i ko_KR -f UTF-8 ko_KR.UTF-8
fi
export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEARCH=win64

# An X server and a window manager of our own, so focus and activation behave as on a desktop.
for n in $(seq 71 99); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
sleep 1
openbox >/dev/null 2>&1 &
WMPID=$!

# The program beside the test-only clock: timeGetTime answers VELTA_CLOCK_MS when it is set.
mkdir -p "$WORK/bin"
cp "$WIN/app/velta.exe" "$WORK/bin/"
x86_64-w64-mingw32-gcc -O2 -Wall -shared -o "$WORK/bin/winmm.dll" "$SRC/tests/wine/winmm_clock.c"
export WINEDLLOVERRIDES="winmm=n"

echo "wine: preparing the prefix"
"$WINE" wineboot -i >/dev/null 2>&1 || true
for face in "MS Shell Dlg" "MS Shell Dlg 2" Gulim GulimChe Dotum DotumChe Batang BatangChe; do
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d NanumGothic /f \
    >/dev/null 2>&1
done
wineserver -w

# Waits up to $2 seconds for a visible window whose name matches $1; prints its id.
wait_window() {
  i=0
  while [ $i -lt $(($2 * 10)) ]; do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
gone() {
  i=0
  while [ $i -lt 30 ]; do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
# Window geometry: X Y W H.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
# The client area (the window's last 640 x 480 pixels below the menu bar) as a 24-bit BMP.
grab_client() {
  set -- "$1" "$2" $(geometry "$1")
  import -window root -crop "640x480+$3+$(($4 + $6 - 480))" +repage "BMP3:$2"
}
# Two grabs of the picture below the frame-rate line; true when they differ.
picture_moves() {
  grab_client "$1" "$WORK/a.bmp"
  sleep "$2"
  grab_client "$1" "$WORK/b.bmp"
  ! cmp -s "$WORK/a.bmp" "$WORK/b.bmp" && \
    [ "$(compare -metric AE -extract 640x440+0+40 "$WORK/a.bmp" "$WORK/b.bmp" null: 2>&1)" != "0" ]
}

# Gives the main window the focus and waits until it has it: after a dialog closes, a busy
# machine may hand the focus back late, and keys must not go astray.
focus_main() {
  i=0
  while [ $i -lt 50 ]; do
    xdotool windowactivate --sync "$W" >/dev/null 2>&1 || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$W" ] && { sleep 0.2; return 0; }
    sleep 0.1
    i=$((i + 1))
  done
}

TITLE="Velta Character Demo v.003"
TITLE_RE="^$TITLE\$"

# ---- The program driven by keys ----
# From here on a failed step is counted and the checks go on.
set +e
cd "$SRC/media"
"$WINE" "$WORK/bin/velta.exe" >"$WORK/run.log" 2>&1 &
PID=$!
if W=$(wait_window "$TITLE_RE" 60); then
  pass "the window \"$TITLE\""
  sleep 3
  focus_main
  set -- $(geometry "$W")
  # The window holds the menu bar above a 640 x 480 client area.
  if [ "$3" = 640 ] && [ "$4" -gt 490 ] && [ "$4" -lt 520 ]; then pass "menu bar over a 640x480 client area ($3x$4)";
  else fail "window size $3x$4"; fi
  if picture_moves "$W" 0.7; then pass "the character turns"; else fail "the character does not turn"; fi

  focus_main
  xdotool key F1
  if wait_window '^About$' 10 >/dev/null; then pass "F1 opens About"; else fail "F1 opens no About"; fi
  xdotool key Return
  if gone '^About$'; then pass "Return closes About"; else fail "About stays open"; fi

  focus_main
  xdotool key F2
  if wait_window '^Select New Direct3D Driver$' 10 >/dev/null; then pass "F2 opens the selection dialog";
  else fail "F2 opens no selection dialog"; fi
  xdotool key Escape
  gone '^Select New Direct3D Driver$' || fail "the selection dialog stays open"

  # 프로그램으로부터의 전갈: the notice's caption, as the window system shows it.
  focus_main
  xdotool key ctrl+o
  if N=$(wait_window '^프로그램으로부터의 전갈$' 10); then
    pass "Ctrl+O shows the Korean notice"
    sleep 0.5
    set -- $(geometry "$N")
    import -window root -crop "$3x$4+$1+$2" +repage "$WORK/notice.png"
    # Legible: the text row holds dark glyph pixels, not a row of boxes of one width.
    dark=$(convert "$WORK/notice.png" -crop "$3x24+0+$(($4 / 2 - 20))" -threshold 50% -negate \
      -format '%[fx:int(mean*w*h)]' info:)
    if [ "$dark" -gt 40 ]; then pass "the notice's text is drawn ($dark dark pixels)";
    else fail "the notice shows no text"; fi
    xdotool key Return
    gone '^프로그램으로부터의 전갈$' || fail "the notice stays open"
  else
    fail "Ctrl+O shows no notice"
  fi

  focus_main
  xdotool key Return
  sleep 0.3
  if picture_moves "$W" 0.7; then fail "Enter does not stop the turning"; else pass "Enter stops the turning"; fi
  grab_client "$W" "$WORK/before.bmp"
  xdotool key space
  sleep 0.5
  grab_client "$W" "$WORK/after.bmp"
  if [ "$(compare -metric AE -extract 640x440+0+40 "$WORK/before.bmp" "$WORK/after.bmp" null: 2>&1)" != "0" ] &&
     ! picture_moves "$W" 0.5; then pass "Space steps once"; else fail "Space does not step once"; fi

  # Full screen covers the screen; back in a window, the window has its size again. (Xvfb has
  # no 640 x 480 mode to switch to, so Wine keeps the desktop's size for the full-screen window.)
  focus_main
  xdotool key alt+Return
  sleep 3
  W=$(wait_window "$TITLE_RE" 10 || true)
  set -- $(geometry "$W")
  if [ "$1" = 0 ] && [ "$2" = 0 ] && [ "$3" = 1024 ] && [ "$4" = 768 ]; then pass "Alt+Enter goes to full screen";
  else fail "full screen is $3x$4+$1+$2"; fi
  xdotool key alt+Return
  sleep 3
  W=$(wait_window "$TITLE_RE" 10 || true)
  set -- $(geometry "$W")
  if [ "$3" = 640 ] && [ "$4" -gt 490 ]; then pass "Alt+Enter comes back to the window";
  else fail "back in a window at $3x$4"; fi

  focus_main
  xdotool key Escape
  rc=0
  wait $PID || rc=$?
  if [ $rc = 0 ]; then pass "Esc ends the program with exit code 0"; else fail "exit code $rc"; fi
else
  fail "no window \"$TITLE\""
  kill $PID 2>/dev/null || true
fi
wineserver -k >/dev/null 2>&1 || true

# ---- The same frame on both platforms ----
# Each sample model is copied in as fastfood.ase with its root renamed, as the viewer loads only
# its default row; both programs see the same clock, so the same angle.
CLOCK=6270
for row in "fastfood Dummy_Center" "teapot Teapot01" "testbox Box01" "doreva2 Doreva" "sonic trunk01"; do
  set -- $row
  stage="$WORK/stage-$1"
  mkdir -p "$stage"
  cp "$SRC"/media/*.bmp "$stage/"
  sed "s/\"$2\"/\"Dummy_Center\"/g" "$SRC/media/$1.ase" >"$stage/fastfood.ase"
  (cd "$stage" && VELTA_VIDEO=headless VELTA_FRAMES=3 VELTA_CLOCK_MS=$CLOCK \
    VELTA_SNAPSHOT="$stage/ours.bmp" "$LINUX/app/velta")
  (cd "$stage" && VELTA_CLOCK_MS=$CLOCK "$WINE" "$WORK/bin/velta.exe" >/dev/null 2>&1) &
  PID=$!
  if W=$(wait_window "$TITLE_RE" 60); then
    sleep 4
    grab_client "$W" "$stage/wine.bmp"
    result=$("$LINUX/tests/wine/velta-picture-agree" "$stage/ours.bmp" "$stage/wine.bmp" 98) &&
      pass "$1: the two frames agree ($result)" || fail "$1: the frames disagree ($result)"
  else
    fail "$1: no window"
  fi
  wineserver -k >/dev/null 2>&1 || true
  wait $PID 2>/dev/null || true
done

if [ $FAILED -ne 0 ]; then
  echo "wine: $FAILED checks failed"
  exit 1
fi
echo "wine: every check passed"

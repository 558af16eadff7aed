#!/bin/sh
# The Debian package as a user gets it. Checks its dependencies and lintian's verdict, unpacks it
# into a scratch root and checks the menu entry, icons and manual pages there, then runs the
# unpacked programs from the unpacked media folder: velta-ase-info must print what it prints in
# the source tree, and the headless viewer must save the same picture of the character as the
# build's own viewer does. An install under another prefix must name its own media folder. With
# CI=true, as root, and no velta package on the machine, the package is also installed for real
# with apt-get, run from /usr, and removed again.
# Usage: test-package.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
fail() {
  echo "test-package: $*" >&2
  exit 1
}
set -- "$build"/velta_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one velta .deb in $build (make package)"
deb=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
echo "test-package: $deb"

# Library dependencies from dpkg-shlibdeps, and the font of the Hangul texts.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in fonts-nanum libc6 libstdc++6 libsdl2-2.0-0 libfreetype6 libfontconfig1; do
  case ", $depends," in
    *", $d,"* | *", $d "*) ;;
    *) fail "Depends lacks $d" ;;
  esac
done
apt-get install --simulate -q "$deb" >"$scratch/apt.txt" 2>&1 ||
  { cat "$scratch/apt.txt"; fail "apt-get cannot install the package here"; }

status=0
lintian --fail-on error,warning "$deb" >"$scratch/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$scratch/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
expected="usr/bin/velta usr/bin/velta-ase-info usr/share/man/man1/velta.1.gz
  usr/share/man/man1/velta-ase-info.1.gz usr/share/applications/velta.desktop
  usr/share/doc/velta/copyright usr/share/doc/velta/changelog.gz
  usr/share/velta/media/fastfood.ase usr/share/velta/media/skin.bmp"
if [ -x "$build/tools/velta-view" ]; then
  expected="$expected usr/bin/velta-view usr/share/man/man1/velta-view.1.gz"
fi
for f in $expected; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
sh "$src/tools/check-man-pages.sh" "$root"/usr/share/man/man1/*.1.gz || fail "manual pages"

# The menu entry: valid, its command in the package, its working folder the installed media,
# its icon at every size.
entry=$root/usr/share/applications/velta.desktop
desktop-file-validate "$entry" || fail "desktop entry"
key() { sed -n "s/^$1=//p" "$entry"; }
media=$(key Path)
[ "$media" = /usr/share/velta/media ] || fail "Path=$media"
[ -x "$root/usr/bin/$(key Exec | cut -d' ' -f1)" ] || fail "Exec=$(key Exec) is not in the package"
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x$size/apps/$(key Icon).png
  [ -f "$icon" ] || fail "no ${size}x$size icon"
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x$size" ] || fail "$icon is not ${size}x$size"
done

# An install under another prefix names its own media folder.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
[ "$(sed -n 's/^Path=//p' "$scratch/prefix/share/applications/velta.desktop")" = \
  "$scratch/prefix/share/velta/media" ] || fail "cmake --install --prefix: the entry's Path"
[ -f "$scratch/prefix/share/velta/media/fastfood.ase" ] || fail "cmake --install: no media"

# The unpacked programs in the unpacked media folder, as the menu entry starts the viewer.
(cd "$root$media" && "$root/usr/bin/velta-ase-info") >"$scratch/ase-info.txt"
cmp "$scratch/ase-info.txt" "$src/tests/tools/media_ase_info.txt" ||
  fail "velta-ase-info prints other models from the installed media"

run_viewer() {  # folder, program, snapshot
  (cd "$1" && env VELTA_VIDEO=headless VELTA_FRAMES=20 VELTA_CLOCK_MS=1000 VELTA_SNAPSHOT="$3" \
    "$2" 2>"$scratch/stderr.txt") || fail "$2 exited with $?"
  if grep -q '^messagebox:' "$scratch/stderr.txt"; then
    cat "$scratch/stderr.txt"
    fail "$2 showed a message"
  fi
  [ -f "$3" ] || fail "$2 saved no picture"
}
# Pixels of the picture's middle that are not the clear colour: the character stands there.
character_pixels() {
  convert "$1" -crop 120x200+260+140 +repage -fill black -opaque '#303030' \
    -fill white +opaque black -colorspace gray -format '%[fx:int(mean*w*h+0.5)]' info:
}
run_viewer "$root$media" "$root/usr/bin/velta" "$scratch/installed.bmp"
run_viewer "$src/media" "$build/app/velta" "$scratch/built.bmp"
[ "$(character_pixels "$scratch/installed.bmp")" -gt 5000 ] || fail "no character in the picture"
cmp "$scratch/installed.bmp" "$scratch/built.bmp" ||
  fail "the installed viewer draws another picture than the build's"

if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ] && ! dpkg -s velta >/dev/null 2>&1; then
  echo "test-package: installing the package"
  trap 'apt-get remove -y -q velta >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$scratch/apt.txt" 2>&1 ||
    { cat "$scratch/apt.txt"; fail "apt-get install"; }
  [ "$(command -v velta)" = /usr/bin/velta ] || fail "velta is not /usr/bin/velta"
  [ "$(man -w velta)" = /usr/share/man/man1/velta.1.gz ] || fail "man velta finds $(man -w velta)"
  run_viewer "$media" velta "$scratch/system.bmp"
  cmp "$scratch/system.bmp" "$scratch/built.bmp" || fail "the installed viewer draws another picture"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q velta >/dev/null || fail "apt-get remove"
  trap 'rm -rf "$scratch"' EXIT
  [ ! -e /usr/bin/velta ] && [ ! -e "$media" ] || fail "apt-get remove left files behind"
  echo "test-package: installed, ran and removed"
fi
echo "test-package: the package installs and its viewer shows the character"

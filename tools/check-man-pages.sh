#!/bin/sh
# Each manual page given renders without a warning from man and groff, and no line of it is
# wider than an 80-column terminal. Pages may be plain or gzip-compressed.
# Usage: check-man-pages.sh PAGE...
set -u
status=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for page in "$@"; do
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$out" 2>"$err"
  if [ -s "$err" ]; then
    echo "check-man-pages: $page: warnings:" && cat "$err"
    status=1
  fi
  width=$(LC_ALL=C.UTF-8 wc -L <"$out")
  if [ "$width" -gt 80 ]; then
    echo "check-man-pages: $page: a line of $width columns:"
    LC_ALL=C.UTF-8 awk 'length > 80' "$out"
    status=1
  fi
  if [ "$(wc -l <"$out")" -lt 10 ]; then
    echo "check-man-pages: $page: renders to almost nothing" && status=1
  fi
done
exit $status

#!/bin/sh
# The headless viewer under valgrind for 100 frames, with a device change in the selection
# dialog and a full-screen round trip: any invalid access or leak fails the run.
# Usage: run-valgrind.sh BUILD_DIR
set -e
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
log=$build/valgrind.log
cd "$src/media"
status=0
VELTA_VIDEO=headless VELTA_FRAMES=100 VELTA_INPUT_ECHO=1 \
VELTA_INPUT='frames 10;key F2;select 1001 1;button 1;frames 20;key alt+Return;frames 20;key alt+Return;frames 20' \
  valgrind --error-exitcode=9 --leak-check=full --show-leak-kinds=definite,indirect,possible \
  --errors-for-leak-kinds=definite,indirect,possible --suppressions="$src/tools/valgrind.supp" \
  "$build/app/velta" >"$log" 2>&1 || status=$?
grep -E "velta: input:|ERROR SUMMARY|definitely lost|indirectly lost|possibly lost" "$log" || true
if [ "$status" -ne 0 ]; then
  echo "velta: valgrind found a fault (exit $status); see $log"
  exit "$status"
fi
echo "velta: valgrind run clean"

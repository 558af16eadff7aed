#!/bin/sh
# Runs each fuzz target for the given seconds, seeded from the sample media and the shared
# corpus. Usage: run-fuzzers.sh BUILD_DIR SECONDS CORPUS_DIR. Fails on the first finding.
set -e
build=$(cd "$1" && pwd)
seconds=$2
corpus=$(cd "$3" 2>/dev/null && pwd || echo "$3")
src=$(cd "$(dirname "$0")/.." && pwd)

seeds() {  # a folder of seed files for a target, made from whatever exists
  out=$build/seeds-$1
  rm -rf "$out" && mkdir -p "$out"
  shift
  for pattern in "$@"; do
    for f in $pattern; do [ -f "$f" ] && cp "$f" "$out/" 2>/dev/null || true; done
  done
  echo "$out"
}

ase_seeds=$(seeds ase "$src/media/*.ase" "$corpus/ase/*" "$corpus/ase/*/*")
textured_seeds=$(seeds textured "$corpus/ase-textured/models/*/*/*/*.ase")
bmp_seeds=$(seeds bmp "$src/media/*.bmp" "$corpus/bmp/g/*.bmp" "$corpus/bmp/q/*.bmp" "$corpus/bmp/b/*.bmp")

run() {
  name=$1; dict=$2; shift 2
  work=$build/corpus-$name
  mkdir -p "$work"
  log=$build/fuzz-$name.log
  echo "velta: fuzzing $name for ${seconds}s"
  status=0
  "$build/tests/fuzz/$name" -artifact_prefix="$build/" -max_total_time="$seconds" -dict="$src/tests/fuzz/$dict" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "$work" "$@" >"$log" 2>&1 || status=$?
  tail -n 12 "$log"
  if [ "$status" -ne 0 ]; then
    echo "velta: $name found a fault (exit $status); the input is in $build (crash-*, timeout-*, oom-*)"
    exit "$status"
  fi
}

run fuzz_ase_loader ase.dict "$ase_seeds"
run fuzz_ase_media ase.dict "$ase_seeds" "$bmp_seeds"
run fuzz_bmp bmp.dict "$bmp_seeds"
run fuzz_texture bmp.dict "$bmp_seeds"
run fuzz_dialog_template dialog.dict "$src/tests/fuzz/dialog_seeds"
run fuzz_stage ase.dict "$ase_seeds" "$textured_seeds"

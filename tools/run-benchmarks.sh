#!/usr/bin/env bash
# Runs every benchmark program of a build (the executable files of its
# bench/ folder; CMake keeps its own files there too).
set -uo pipefail
build_dir=${1:-build}
found=0
failed=0
for b in "$build_dir"/bench/*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" || { echo "bench: $(basename "$b") failed"; failed=1; }
done
[ "$found" = 1 ] || echo "no benchmarks yet"
exit "$failed"

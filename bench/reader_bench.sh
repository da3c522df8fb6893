#!/usr/bin/env bash
# Readings through the document's reader (one helper kept for the document) beside the
# way before (a helper for every reading): a small reading, Graph View and the Float
# Overview opened on the real files in tests/data, and the first screen of text of a
# big generated file. Prints the figures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_reader brinewick -j2 >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_reader" "$build/brinewick" "$here/tests/data"
# The first screen of text of the generated 54 MB file (the text streams in).
out=${BENCH_OUT:-$here/bench/out}
mkdir -p "$out"
cmake --build "$build" --target bench_make_file bench_shell -j2 >/dev/null
file="$out/bench_2000x1000.nc"
[ -f "$file" ] || "$build/bench/bench_make_file" "$file" >/dev/null
XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=offscreen "$build/bench/bench_shell" "$file" "$build/brinewick" 2>/dev/null |
  awk '$1=="first_screen_s"{printf "first screen of text, 54 MB file: %.0f ms after launch (before: 1800 ms, the whole text first; target 300 ms)\n", $2*1000}'

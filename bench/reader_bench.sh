#!/usr/bin/env bash
# Readings through the document's reader (one helper kept for the document) beside the
# way before (a helper for every reading): a small reading, Graph View and the Float
# Overview opened on the real files in tests/data. Prints the figures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_reader brinewick -j2 >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_reader" "$build/brinewick" "$here/tests/data"

#!/usr/bin/env bash
# The Argo Data window's map of 10 000 matched profiles: the whole map drawn, a pan and
# a zoom frame. Prints the figures (target: the map under 100 ms).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_match_map -j2 >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_match_map" "$@"

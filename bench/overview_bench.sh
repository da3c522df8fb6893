#!/usr/bin/env bash
# The Float Overview on a generated 1000-profile x 1000-level float file: the window
# shown, the section after a variable change, a map pan/zoom frame. Prints the figures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_overview -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_overview" "$work" "$@"

#!/usr/bin/env bash
# Times the graph viewer's level cursor and full redraw on a generated 1010-level
# profile and prints the figures. Targets: a cursor move under 5 ms, a redraw under 30 ms.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_display -j2 >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_display"

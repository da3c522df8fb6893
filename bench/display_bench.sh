#!/usr/bin/env bash
# Times the graph viewer's level cursor, full redraw and painting routine on a generated
# 1010-level profile, and prints the sizes of one profile's --plot as SVG and PDF (that
# profile and tests/data/D5900446_001.nc). Targets: a cursor move under 5 ms, a redraw
# under 30 ms, SVG under 200 KB, PDF under 300 KB.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target bench_display -j2 >/dev/null
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_display" "$here/tests/data/D5900446_001.nc"

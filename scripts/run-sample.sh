#!/usr/bin/env bash
# Opens the sample profile in Brinewick. Without a display (no DISPLAY or
# WAYLAND_DISPLAY), or when the window cannot start, prints its CDL text instead.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
sample="$here/examples/D5900446_001.nc"
bin="$here/build/brinewick"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin" "$sample"
fi
echo "run-sample: no display available; printing the CDL text of $sample with --dump --lf" >&2
exec "$bin" --dump "$sample" --lf

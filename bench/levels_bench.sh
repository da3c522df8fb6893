#!/usr/bin/env bash
# `--levels --best --params` over every profile of the synthetic BGC file in
# tests/data (162 profiles of 800 levels): prints the total and per-profile time.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
cmake --build "$build" --target brinewick -j2 >/dev/null
file=$here/tests/data/3902131_Sprof.nc
profiles=162
start=$(date +%s.%N)
for ((p = 0; p < profiles; ++p)); do
    "$build/brinewick" --levels "$file" --profile "$p" --best --params DOXY >/dev/null 2>&1
done
end=$(date +%s.%N)
total=$(echo "$end - $start" | bc -l)
printf -- '--levels --best --params DOXY over %d profiles of %s: %.2f s, %.1f ms per profile\n' \
    "$profiles" "$(basename "$file")" "$total" "$(echo "$total * 1000 / $profiles" | bc -l)"

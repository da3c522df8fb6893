#!/usr/bin/env bash
# Times `brinewick --dump` against `ncdump` on the same generated Argo-like file
# (N_PROF 2000 x N_LEVELS 1000, about 54 MB), both writing to /dev/null, and prints
# wall times, peak memory, the text size and the ratios. Targets: wall time at most
# half of ncdump's (aim: a third), peak memory under 64 MB whatever the file's size
# (the text streams out through a bounded buffer).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=${BENCH_OUT:-$here/bench/out}
mkdir -p "$out"
cmake --build "$build" --target brinewick bench_make_file -j2 >/dev/null
file="$out/bench_2000x1000.nc"
[ -f "$file" ] || "$build/bench/bench_make_file" "$file"
echo "file: $file ($(stat -c %s "$file") bytes)"

measure() { # label, command...: prints "label wall_s rss_kb"
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" > /dev/null
  read -r wall rss < "$out/time.txt"
  echo "$label $wall $rss"
}

# Warm the page cache so both read the file from memory.
cat "$file" > /dev/null
best_bw=""; best_nc=""
for run in 1 2 3; do
  read -r _ w r < <(measure brinewick "$build/brinewick" --dump "$file")
  if [ -z "$best_bw" ] || awk "BEGIN{exit !($w < ${best_bw%% *})}"; then best_bw="$w $r"; fi
  read -r _ w r < <(measure ncdump ncdump "$file")
  if [ -z "$best_nc" ] || awk "BEGIN{exit !($w < ${best_nc%% *})}"; then best_nc="$w $r"; fi
done
"$build/brinewick" --dump "$file" > "$out/brinewick.txt"
ncdump "$file" > "$out/ncdump.txt"
text=$(stat -c %s "$out/brinewick.txt")
read -r bw_wall bw_rss <<< "$best_bw"
read -r nc_wall nc_rss <<< "$best_nc"
echo "text size: $text bytes (ncdump's text: $(stat -c %s "$out/ncdump.txt") bytes)"
echo "brinewick --dump: wall ${bw_wall} s, peak RSS ${bw_rss} KiB"
echo "ncdump:           wall ${nc_wall} s, peak RSS ${nc_rss} KiB"
awk -v b="$bw_wall" -v n="$nc_wall" -v r="$bw_rss" -v t="$text" 'BEGIN {
  printf "wall time ratio brinewick/ncdump: %.2f (target <= 0.50)\n", b / n
  printf "peak RSS: %.1f MB (target < 64 MB; the text is %.1f MB)\n", r / 1024, t / 1048576
}'

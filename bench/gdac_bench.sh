#!/usr/bin/env bash
# GDAC figures, printed:
# 1. `brinewick --search` over a generated 3 000 000-line core index (about 250 MB)
#    read from the cache: a WMO search and a box-and-dates search, wall time and peak
#    memory. Targets: under 1.5 s each, peak memory under 1.5x the index.
# 2. `brinewick --fetch` of 200 small files from a loopback HTTPS server against
#    `curl --parallel --parallel-max 4` fetching the same files. Target: within 1.5x
#    of curl's time. Also printed: the same fetch by the GDAC client in a process
#    without Qt (bench/gdac_fetch_bench.cpp), and brinewick's own start-up time
#    (`--help`), which the command line pays before any transfer.
# Nothing reaches the internet: the index is a file:// mirror, the server is
# tests/gdac/gdac_test_server.py on 127.0.0.1 with a certificate made here.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=${BENCH_OUT:-$here/bench/out/gdac}
lines=${GDAC_BENCH_LINES:-3000000}
mkdir -p "$out"
cmake --build "$build" --target brinewick bench_gdac_fetch -j2 >/dev/null
bw="$build/brinewick"
export XDG_CACHE_HOME="$out/cache"

# The index: realistic lines, WMO numbers spread over the DACs, positions and dates
# all over the world and the years.
mirror="$out/mirror"
index="$mirror/ar_index_global_prof.txt"
if [ ! -f "$index" ] || [ "$(($(wc -l < "$index") - 9))" -ne "$lines" ]; then
  mkdir -p "$mirror"
  python3 - "$index" "$lines" <<'PY'
import random, sys
path, n = sys.argv[1], int(sys.argv[2])
rnd = random.Random(13)
dacs = ["aoml", "bodc", "coriolis", "csio", "csiro", "incois", "jma", "kiost", "kma", "meds", "nmdis"]
with open(path, "w") as f:
    f.write("# Title : Profile directory file of the Argo Global Data Assembly Center\n"
            "# Description : The directory file describes all individual profile files of the argo GDAC ftp site.\n"
            "# Project : ARGO\n# Format version : 2.0\n# Date of update : 20261201000000\n"
            "# FTP root number 1 : ftp://ftp.ifremer.fr/ifremer/argo/dac\n"
            "# FTP root number 2 : ftp://usgodae.org/pub/outgoing/argo/dac\n# GDAC node : CORIOLIS\n"
            "file,date,latitude,longitude,ocean,profiler_type,institution,date_update\n")
    written, wmo = 0, 1900000
    out = []
    while written < n:
        wmo += 1
        dac = dacs[wmo % len(dacs)]
        lat, lon = rnd.uniform(-70, 70), rnd.uniform(-180, 180)
        year = rnd.randint(1997, 2026)
        for cycle in range(1, min(150, n - written) + 1):
            lat = max(-89.9, min(89.9, lat + rnd.uniform(-0.3, 0.3)))
            lon = (lon + rnd.uniform(-0.3, 0.3) + 180) % 360 - 180
            month, day = (cycle // 3) % 12 + 1, cycle % 28 + 1
            out.append("%s/%d/profiles/%s%d_%03d.nc,%04d%02d%02d%06d,%.3f,%.3f,%s,%d,%s,20261101000000\n" % (
                dac, wmo, "RD"[cycle % 2], wmo, cycle, year, month, day, rnd.randint(0, 235959) // 100 * 100,
                lat, lon, "AIP"[wmo % 3], 836 + wmo % 20, dac[:2].upper()))
            written += 1
        if len(out) > 100000:
            f.write("".join(out)); out = []
    f.write("".join(out))
PY
fi
size=$(stat -c %s "$index")
echo "index: $lines lines, $size bytes"

measure() { # command...: prints "wall_s rss_kb" of the best of three runs
  local best=""
  for run in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" > "$out/result.txt" 2> "$out/count.txt" || true
    read -r w r < "$out/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($w < ${best%% *})}"; then best="$w $r"; fi
  done
  echo "$best"
}

# The first search fills the cache; the measured ones read it (the mirror's copy is
# not newer, so it is not copied again).
"$bw" --search --gdac "file://$mirror" --wmo 1 > /dev/null 2>&1
cat "$XDG_CACHE_HOME"/brinewick/gdac/*/ar_index_global_prof.txt > /dev/null
read -r w1 r1 < <(measure "$bw" --search --gdac "file://$mirror" --wmo 1901234,1905678,1910000)
echo "WMO search (3 floats):        wall ${w1} s, peak RSS ${r1} KiB, $(cat "$out/count.txt")"
read -r w2 r2 < <(measure "$bw" --search --gdac "file://$mirror" --box -10,10,170,-170 --from 2010-01-01 --to 2015-12-31)
echo "box across 180 + dates:       wall ${w2} s, peak RSS ${r2} KiB, $(cat "$out/count.txt")"
awk -v w1="$w1" -v w2="$w2" -v r1="$r1" -v r2="$r2" -v s="$size" 'BEGIN {
  m = (r1 > r2 ? r1 : r2) * 1024 / s;
  printf "peak memory / index size:    %.2f (target < 1.5); search times %s (target < 1.5 s each)\n", m,
         (w1 < 1.5 && w2 < 1.5) ? "met" : "NOT met" }'

# 200 small files over loopback HTTPS.
tree="$out/tree"
rm -rf "$tree" "$out/fetch-bw" "$out/fetch-curl"
mkdir -p "$tree/pub/dac/coriolis/6900001/profiles" "$out/fetch-bw" "$out/fetch-curl"
paths=()
for i in $(seq 1 200); do
  name=$(printf "R6900001_%03d.nc" "$i")
  # The classic netCDF signature first: fetches keep only files that begin with one.
  { printf 'CDF\001'; head -c $((20000 + i * 37)) /dev/urandom; } > "$tree/pub/dac/coriolis/6900001/profiles/$name"
  paths+=("coriolis/6900001/profiles/$name")
done
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$out/key.pem" -out "$out/cert.pem" > /dev/null 2>&1
coproc SERVER { exec /usr/bin/python3 "$here/tests/gdac/gdac_test_server.py" "$tree" "$out/cert.pem" "$out/key.pem"; }
read -r _ port <&"${SERVER[0]}"
base="https://127.0.0.1:$port/gdac"
trap 'kill "$SERVER_PID" 2>/dev/null || true' EXIT
curl_args=()
for p in "${paths[@]}"; do curl_args+=(-o "$out/fetch-curl/${p##*/}" "$base/dac/$p"); done
# Best of five, taken in turns, so a busy machine weighs on both alike.
best_bw=""; best_curl=""; best_core=""; best_start=""
for run in 1 2 3 4 5; do
  rm -f "$out"/fetch-bw/*
  /usr/bin/time -f "%e" -o "$out/time.txt" "$build/bench/bench_gdac_fetch" "$base" "$out/cert.pem" "$out/fetch-bw" \
    "${paths[@]}" > /dev/null
  w=$(cat "$out/time.txt"); if [ -z "$best_core" ] || awk "BEGIN{exit !($w < $best_core)}"; then best_core=$w; fi
  /usr/bin/time -f "%e" -o "$out/time.txt" "$bw" --help > /dev/null
  w=$(cat "$out/time.txt"); if [ -z "$best_start" ] || awk "BEGIN{exit !($w < $best_start)}"; then best_start=$w; fi
  rm -f "$out"/fetch-bw/*
  /usr/bin/time -f "%e" -o "$out/time.txt" "$bw" --fetch "${paths[@]}" --gdac "$base" --cacert "$out/cert.pem" \
    -o "$out/fetch-bw" > /dev/null
  rm -f "$out"/fetch-curl/*
  w=$(cat "$out/time.txt"); if [ -z "$best_bw" ] || awk "BEGIN{exit !($w < $best_bw)}"; then best_bw=$w; fi
  /usr/bin/time -f "%e" -o "$out/time.txt" curl -s --fail --parallel --parallel-max 4 --cacert "$out/cert.pem" \
    "${curl_args[@]}" 2> /dev/null
  w=$(cat "$out/time.txt"); if [ -z "$best_curl" ] || awk "BEGIN{exit !($w < $best_curl)}"; then best_curl=$w; fi
done
diff -r "$out/fetch-bw" "$tree/pub/dac/coriolis/6900001/profiles" > /dev/null && echo "fetched files: all 200 identical"
echo "fetch 200 files: brinewick ${best_bw} s, curl --parallel-max 4 ${best_curl} s"
echo "the same fetch by the client without Qt: ${best_core} s (brinewick's start-up alone: ${best_start} s)"
awk -v b="$best_bw" -v c="$best_curl" -v k="$best_core" 'BEGIN {
  printf "ratio brinewick/curl: %.2f, client without Qt/curl: %.2f (target <= 1.5)\n", b / c, k / c }'

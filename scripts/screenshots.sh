#!/usr/bin/env bash
# Remakes the README's pictures from the files shipped in the repository: the main
# window, Graph View, Profile View, the Float Overview and the Argo Data window, each
# shown under Xvfb, grabbed, and made small with ImageMagick (PNG, under 150 KB).
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=$here/docs/images
cmake --build "$build" --target brinewick tool_screenshot_tour -j2 >/dev/null
command -v Xvfb >/dev/null && command -v convert >/dev/null || { echo "needs xvfb and imagemagick" >&2; exit 1; }

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
tmp=$(mktemp -d)
export DISPLAY=$display XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache

ids() { sed -n "s/^constexpr int $1 = \([0-9]*\);.*/\1/p" "$here/app/CommandIds.h"; }
tour() { # file, then NAME=COMMAND pairs
  local file=$1; shift
  local args=()
  for pair in "$@"; do
    local id; id=$(ids "${pair#*=}")
    [ -n "$id" ] && args+=("${pair%%=*}=$id")
  done
  "$build/scripts/tool_screenshot_tour" "$file" "$tmp/shots" "${args[@]}"
}

tour "$here/examples/D5900446_001.nc" graph=ID_GRAPH_VIEW profile=ID_PROFILE_VIEW argo=ID_ARGO_DATA
mv "$tmp/shots/main.png" "$tmp/shots/main-keep.png"
tour "$here/tests/data/2902696_prof.nc" overview=ID_FLOAT_OVERVIEW
mv "$tmp/shots/main-keep.png" "$tmp/shots/main.png"

mkdir -p "$out"
for png in "$tmp/shots"/*.png; do
  name=$(basename "$png")
  convert "$png" -resize '900x900>' -strip -colors 128 PNG8:"$out/$name"
  echo "$out/$name $(stat -c %s "$out/$name") bytes"
done
rm -rf "$tmp"

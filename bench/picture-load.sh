#!/usr/bin/env bash
# Times the image host beside djpeg on one 6000 x 4000 JPEG, whole processes, warm cache,
# median of RUNS runs each:
#   LoadPicture (24-bit)            vs  djpeg -bmp
#   colour reduction of the picture vs  djpeg -colors 236 -dither fs -bmp
# and the scan of the shipped plug-ins (constructing a host on the program folder).
#   bench/picture-load.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
photo=$work/photo-6000x4000.jpg
mkdir -p "$work"

. "$(dirname "$0")/timing.sh"
test_photo 6000 4000 "$photo"
inner_ms() { "$@" 2>&1 >/dev/null | awk '/ ms$/ {print $(NF-1)}'; }
compare() {  # label ours... -- peer...
  local label=$1; shift
  local ours=() peer=() cmd_ours=() cmd_peer=() seen=0
  for a in "$@"; do
    if [ "$a" = "--" ]; then seen=1; continue; fi
    if [ $seen = 0 ]; then cmd_ours+=("$a"); else cmd_peer+=("$a"); fi
  done
  "${cmd_ours[@]}" >/dev/null 2>&1; "${cmd_peer[@]}" >/dev/null 2>&1
  for _ in $(seq "$runs"); do
    ours+=("$(wall_ms "${cmd_ours[@]}")")
    peer+=("$(wall_ms "${cmd_peer[@]}")")
  done
  local o p
  o=$(printf '%s\n' "${ours[@]}" | median)
  p=$(printf '%s\n' "${peer[@]}" | median)
  awk -v l="$label" -v a="$o" -v b="$p" 'BEGIN { printf "%-28s ours %5d ms   peer %5d ms   ratio %.2f\n", l, a, b, a / b }'
}

echo "picture: $photo ($(du -h "$photo" | cut -f1))"
compare "LoadPicture 24-bit" "$bin/picture_tool" load "$photo" -- djpeg -bmp -outfile /dev/null "$photo"
compare "decode + reduce (process)" "$bin/picture_tool" reduce "$photo" -- \
  djpeg -colors 236 -dither fs -bmp -outfile /dev/null "$photo"
r=(); for _ in $(seq "$runs"); do r+=("$(inner_ms "$bin/picture_tool" reduce "$photo")"); done
echo "reduction alone (in process): median $(printf '%s\n' "${r[@]}" | median) ms"
s=(); for _ in $(seq "$runs"); do s+=("$(inner_ms "$bin/picture_tool" scan "$bin")"); done
echo "scan of $bin: median $(printf '%s\n' "${s[@]}" | median) ms ($("$bin/picture_tool" scan "$bin" 2>&1 | head -n 1 | cut -d: -f1))"

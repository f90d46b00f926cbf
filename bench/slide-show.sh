#!/usr/bin/env bash
# The slide show's step on 6000 x 4000 JPEG photos in a full-HD window, szFull and szFit
# (szNormal beside them), from the tick (or the step back, or Start) to the new picture painted,
# timed in process by bench/SlideShowBench.cpp; beside it, the whole process
#   djpeg -bmp photo.jpg > /dev/null
# Runs of the two alternate, RUNS times, so that a busy moment falls on both alike; each
# figure is the median over the runs of each run's median step, beside the slowest step of
# all. Then the memory held over 1,000 steps in szFit.
#   bench/slide-show.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
photo=$work/photo-6000x4000.jpg
mkdir -p "$work"

. "$(dirname "$0")/timing.sh"
test_photo 6000 4000 "$photo"
export TESSELVANE_SLIDE_PHOTO=$photo
# name, median_ms, max_ms: one line a benchmark, from its JSON
medians() {
  "$bin/slide_show_bench" --benchmark_filter="$1" --benchmark_format=json 2>/dev/null |
    /usr/bin/python3 -c 'import json, sys
for b in json.load(sys.stdin)["benchmarks"]:
    print(b["name"].split("/iterations")[0], b["median_ms"], b["max_ms"])'
}

echo "photo: $photo ($(du -h "$photo" | cut -f1)); load before: $(uptime | sed 's/.*average: //')"
steps=$work/slide-steps.txt peer=()
: >"$steps"
djpeg -bmp "$photo" >/dev/null
for _ in $(seq "$runs"); do
  peer+=("$(wall_ms djpeg -bmp "$photo")")
  medians 'StepBack|RandomTick|Start|Tick/./1000' >>"$steps"
done
label() {
  sed -e 's|^BM_SlideTick/\([12]\)/1000 |tick, read ahead (1 s interval)/\1 |' \
      -e 's|^BM_SlideStepBack/|step back, unprepared/|' \
      -e 's|^BM_SlideRandomTick/|random tick, unprepared/|' \
      -e 's|^BM_SlideStart/|first picture (Start)/|' \
      -e 's|/0 | szNormal |' -e 's|/1 | szFull |' -e 's|/2 | szFit |'
}
printf '%-44s %9s %9s\n' "step to the picture painted" median_ms slowest
sort -k1,1 -k2,2g "$steps" | awk '
  function out() { print name, v[int((n + 1) / 2)], top }
  $1 != name { if (name != "") out(); name = $1; n = 0; top = 0 }
  { v[++n] = $2; if ($3 > top) top = $3 } END { out() }' |
  label | awk '{ m = $(NF - 1); t = $NF; $NF = ""; $(NF - 1) = ""; printf "%-44s %9.1f %9.1f\n", $0, m, t }'
printf '%-44s %9.1f\n' "djpeg -bmp photo > /dev/null (process)" "$(printf '%s\n' "${peer[@]}" | median)"
echo "load after: $(uptime | sed 's/.*average: //')"
"$bin/slide_show_bench" --benchmark_filter=Memory 2>/dev/null | grep Memory

#!/usr/bin/env bash
# A 24-megapixel PNG decoded by the shipped png.spi in the helper process, beside the same
# plug-in called in process; medians of RUNS decodes each, taken in turn, and what the helper
# holds between pictures.
#   bench/plugin-host.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}/plugin-host
mkdir -p "$work/plugins"
cp "$bin/png.spi" "$work/plugins/"
photo=$work/photo-6000x4000.png
[ -f "$photo" ] || "$bin/plugin_decode" make "$photo" 6000 4000
echo "photo: $photo ($(du -h "$photo" | cut -f1)); load: $(cut -d' ' -f1-3 /proc/loadavg)"
host=() direct=()
for round in 1 2 3; do
  host+=("$("$bin/plugin_decode" host "$work/plugins" "$photo" "$runs")")
  direct+=("$("$bin/plugin_decode" direct "$work/plugins" "$photo" "$runs")")
done
median() { sed -n "s/^$1 median \([0-9]*\) ms$/\1/p" | sort -n | sed -n 2p; }
h=$(printf '%s\n' "${host[@]}" | median host)
d=$(printf '%s\n' "${direct[@]}" | median direct)
printf '%s\n' "${host[-1]}" | grep rss
printf '%s\n' "${direct[-1]}" | grep rss
awk -v h="$h" -v d="$d" 'BEGIN {
  printf "in the helper: %d ms; in process: %d ms; ratio %.2f (target at most 1.10)\n", h, d, h / d }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Times loading a folder group of 100,000 files in 1,000 folders beside `find | sort -f` on the
# same tree, whole processes, warm cache, median of RUNS runs each; and the peak memory.
#   bench/folder-group.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-7}
tool=$build/bin/load_folder_group
work=${BENCH_WORK:-/tmp/tesselvane-bench}
tree=$work/tree

if [ ! -f "$work/.tree-complete" ]; then
  echo "Making $tree (100,000 files in 1,000 folders)..."
  rm -rf "$tree"
  mkdir -p "$tree"
  for d in $(seq -w 0 999); do
    mkdir -p "$tree/Album $d"
    (cd "$tree/Album $d" && touch $(printf 'IMG_%04d.jpg ' $(seq 0 99)))
  done
  touch "$work/.tree-complete"
fi
export XDG_CONFIG_HOME=$work/config

. "$(dirname "$0")/timing.sh"

find_sort() { find "$tree" -type f | sort -f; }
export -f find_sort; export tree

# Warm the cache for both.
"$tool" "$tree" >/dev/null 2>&1; bash -c find_sort >/dev/null

ours=(); peer=()
for _ in $(seq "$runs"); do
  ours+=("$(wall_ms "$tool" "$tree")")
  peer+=("$(wall_ms bash -c find_sort)")
done
ours_ms=$(printf '%s\n' "${ours[@]}" | median)
peer_ms=$(printf '%s\n' "${peer[@]}" | median)
ours_kb=$(peak_kb "$tool" "$tree")
peer_kb=$(peak_kb bash -c 'find "$tree" -type f | sort -f')

echo "locale: ${LC_ALL:-${LANG:-C}}; files: $("$tool" "$tree" 2>&1 >/dev/null)"
echo "load_folder_group (whole process): median ${ours_ms} ms, peak ${ours_kb} KB"
echo "find | sort -f                   : median ${peer_ms} ms, peak of sort ${peer_kb} KB"
awk -v a="$ours_ms" -v b="$peer_ms" 'BEGIN { printf "ratio: %.2f (target at most 1.50)\n", a / b }'

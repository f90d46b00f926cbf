#!/usr/bin/env bash
# A folder group of 100,000 files in 1,000 folders, beside `find DIR -type f | sort -f` on the
# same tree; whole processes, warm cache, median of RUNS runs each (taken in turn), peak memory:
#  1. load_folder_group: LoadPictureList alone;
#  2. tesselvane -C in mode 0 with that group chosen, on an Xvfb screen with a private store.
#   bench/folder-group.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work"
. "$(dirname "$0")/timing.sh"
picture_tree
tree=$work/tree
tool=$bin/load_folder_group

find_sort() { find "$tree" -type f | sort -f; }
export -f find_sort; export tree

ratios() {  # label ours_ms peer_ms ours_kb peer_kb
  awk -v l="$1" -v a="$2" -v b="$3" -v c="$4" -v d="$5" 'BEGIN {
    printf "%-34s %4d ms, peak %6d KB\n", l, a, c
    printf "%-34s %4d ms, peak %6d KB (sort)\n", "find | sort -f:", b, d
    printf "ratio: %.2f (target at most 1.00)\n", a / b }'
}

echo "locale: ${LC_ALL:-${LANG:-C}}; load: $(cut -d' ' -f1-3 /proc/loadavg)"
export XDG_CONFIG_HOME=$work/config
"$tool" "$tree" >/dev/null 2>&1; bash -c find_sort >/dev/null
read -r ours peer < <(side_by_side "$runs" "$tool" "$tree" -- bash -c find_sort)
echo "files: $("$tool" "$tree" 2>&1 >/dev/null)"
ratios "load_folder_group:" "$ours" "$peer" "$(peak_kb "$tool" "$tree")" \
  "$(peak_kb bash -c 'find "$tree" -type f | sort -f')"

start_xvfb 1920x1080x24
trap stop_xvfb EXIT
export XDG_CONFIG_HOME=$work/start-config XDG_DATA_HOME=$work/start-data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TESSELVANE_DESKTOP=x11
rm -rf "$XDG_CONFIG_HOME"
reg() { "$bin/tesselvane-reg" add "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\$1" /v "$2" /d "$3" /f >/dev/null; }
reg Time Option 0
reg GroupName Group0 Tree
reg 'Files\Tree' Type 1
reg 'Files\Tree' Folder "$tree"
reg Task Default 0
"$bin/tesselvane" -C; bash -c find_sort >/dev/null
read -r ours peer < <(side_by_side "$runs" "$bin/tesselvane" -C -- bash -c find_sort)
ratios "tesselvane -C, mode 0:" "$ours" "$peer" "$(peak_kb "$bin/tesselvane" -C)" \
  "$(peak_kb bash -c 'find "$tree" -type f | sort -f')"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# tesselvane -C in mode 0 with a folder group of 100,000 files in 1,000 folders, beside
# find DIR -type f | sort -f on the same tree, median of RUNS runs each (taken in turn), on a
# 1920 x 1080 Xvfb screen. (The program beside other wallpaper setters: program-vs-peers.sh.)
#   bench/program-start.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work"
. "$(dirname "$0")/timing.sh"

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset 2>/dev/null)
xvfb=$!  # the server this script started, ended by its id
read -r number <&3
export DISPLAY=:$number
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

export XDG_CONFIG_HOME=$work/start-config XDG_DATA_HOME=$work/start-data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TESSELVANE_DESKTOP=x11
reg() { "$bin/tesselvane-reg" add "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\$1" /v "$2" /d "$3" /f >/dev/null; }

picture_tree
tree=$work/tree
rm -rf "$XDG_CONFIG_HOME"
reg Time Option 0
reg GroupName Group0 Tree
reg 'Files\Tree' Type 1
reg 'Files\Tree' Folder "$tree"
reg Task Default 0
find_sort() { find "$tree" -type f | sort -f; }
export -f find_sort; export tree
"$bin/tesselvane" -C; bash -c find_sort >/dev/null
read -r ours peer < <(side_by_side "$runs" "$bin/tesselvane" -C -- bash -c find_sort)
awk -v a="$ours" -v b="$peer" 'BEGIN {
  printf "tesselvane -C, mode 0, folder group of 100,000 files: %d ms\n", a
  printf "find | sort -f on the same tree:                     %d ms\n", b
  printf "ratio: %.2f (target at most 1.50)\n", a / b }'

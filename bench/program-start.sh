#!/usr/bin/env bash
# Whole runs of the program, beside their peers, median of RUNS runs each (taken in turn):
#  1. tesselvane -C in the by-day mode on a 6000 x 4000 JPEG date file with FitScreen, on a
#     1920 x 1080 Xvfb screen, beside hsetroot -fill on the same file: time and peak memory.
#  2. tesselvane -C in mode 0 with a folder group of 100,000 files in 1,000 folders, beside
#     find DIR -type f | sort -f on the same tree.
#   bench/program-start.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work/dates"
. "$(dirname "$0")/timing.sh"
big=$work/photo-6000x4000.jpg
test_photo 6000 4000 "$big"
cp "$big" "$work/dates/photo$(date +%m%d).jpg"

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset 2>/dev/null)
xvfb=$!  # the server this script started, ended by its id
read -r number <&3
export DISPLAY=:$number
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

export XDG_CONFIG_HOME=$work/start-config XDG_DATA_HOME=$work/start-data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TESSELVANE_DESKTOP=x11
rm -rf "$XDG_CONFIG_HOME"
reg() { "$bin/tesselvane-reg" add "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\$1" /v "$2" /d "$3" /f >/dev/null; }


reg Time Option 2
reg Time Path "$work/dates"
reg Option FitScreen 1
"$bin/tesselvane" -C; hsetroot -fill "$big" >/dev/null 2>&1
read -r ours peer < <(side_by_side "$runs" "$bin/tesselvane" -C -- hsetroot -fill "$big")
ours_kb=$(peak_kb "$bin/tesselvane" -C)
peer_kb=$(peak_kb hsetroot -fill "$big")
awk -v a="$ours" -v b="$peer" -v c="$ours_kb" -v d="$peer_kb" 'BEGIN {
  printf "tesselvane -C, by day, 6000x4000 JPEG, FitScreen: %d ms, peak %d KB\n", a, c
  printf "hsetroot -fill on the same file:                 %d ms, peak %d KB\n", b, d
  printf "ratios: time %.2f, memory %.2f (targets at most 0.50)\n", a / b, c / d }'

tree=$work/tree
# Every file is a hard link to one of two small real pictures (a file takes at most 65,000
# links): each run shows the next one in turn, and the tree takes no room.
if [ ! -f "$work/.tree-complete-v2" ]; then
  rm -rf "$tree"; mkdir -p "$tree/Album 000" "$tree/Album 500"
  "$bin/make_test_photo" 64 48 "$work/small.ppm"
  cjpeg -outfile "$work/small.jpg" "$work/small.ppm"
  cp "$work/small.jpg" "$work/small2.jpg"
  for i in $(seq -w 0 99); do
    ln "$work/small.jpg" "$tree/Album 000/IMG_00$i.jpg"
    ln "$work/small2.jpg" "$tree/Album 500/IMG_00$i.jpg"
  done
  for d in $(seq -w 1 999); do
    [ "$d" = 500 ] && continue
    printf -v from '%03d' $((10#$d < 500 ? 0 : 500))
    cp -al "$tree/Album $from" "$tree/Album $d"
  done
  touch "$work/.tree-complete-v2"
fi
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

#!/usr/bin/env bash
# Sets the wallpaper of a 1920 x 1080 Xvfb screen beside hsetroot, median of RUNS runs each:
# ChangeWallpaper itself (timed inside our process, up to the root picture being set) and our
# whole process, beside the whole hsetroot process; and the peak memory of each process.
#   a 6000 x 4000 JPEG with FitScreen   vs  hsetroot -fill
#   a 1920 x 1080 JPEG without it       vs  hsetroot -center
# After each peer run the root picture is checked, so a setter that drew nothing is caught.
#   bench/wallpaper-vs-hsetroot.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work"
big=$work/photo-6000x4000.jpg
screen=$work/photo-1920x1080.jpg
. "$(dirname "$0")/timing.sh"
test_photo 6000 4000 "$big"
test_photo 1920 1080 "$screen"

# A display of our own that keeps retained pixmaps when the setter exits (-noreset).
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset 2>/dev/null)
xvfb=$!  # the server this script started, ended by its id
read -r number <&3
export DISPLAY=:$number
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TESSELVANE_DESKTOP=x11 QT_QPA_PLATFORM=xcb
reg() { "$bin/tesselvane-reg" "$@" >/dev/null; }

root_is_set() {  # the atom names a picture and the screen is not black
  xprop -root _XROOTPMAP_ID | grep -q 'pixmap id' &&
    awk -v m="$("$bin/root_brightness")" 'BEGIN { exit !(m > 10) }'
}
clear_root() { "$bin/wallpaper_tool" "" >/dev/null 2>&1; }

compare() {  # label fit style file peer-option
  local label=$1 fit=$2 tile=$3 file=$4 option=$5
  reg add 'HKCU\SOFTWARE\Morvanti\TESSEL\Option' /v FitScreen /d "$fit" /f
  reg add 'HKCU\Control Panel\Desktop' /v TileWallpaper /d "$tile" /f
  "$bin/wallpaper_tool" "$file" 2>/dev/null; hsetroot "$option" "$file" >/dev/null 2>&1
  local inner=() ours=() peer=()
  for _ in $(seq "$runs"); do
    inner+=("$("$bin/wallpaper_tool" "$file" 2>&1 | awk '/ ms$/ {print $(NF-1)}')")
    root_is_set || { echo "our picture is not on the root window" >&2; exit 1; }
    ours+=("$(wall_ms "$bin/wallpaper_tool" "$file")")
    clear_root
    peer+=("$(wall_ms hsetroot "$option" "$file")")
    root_is_set || { echo "hsetroot did not set the root picture" >&2; exit 1; }
  done
  local i o p om pm
  i=$(printf '%s\n' "${inner[@]}" | median)
  o=$(printf '%s\n' "${ours[@]}" | median)
  p=$(printf '%s\n' "${peer[@]}" | median)
  om=$(peak_kb "$bin/wallpaper_tool" "$file")
  pm=$(peak_kb hsetroot "$option" "$file")
  awk -v l="$label" -v i="$i" -v a="$o" -v b="$p" -v c="$om" -v d="$pm" 'BEGIN {
    printf "%s\n  ChangeWallpaper %4d ms, whole process %4d ms; hsetroot %4d ms  (ratios %.2f, %.2f)\n",
           l, i, a, b, i / b, a / b
    printf "  peak memory ours %6d KB, hsetroot %6d KB  (ratio %.2f)\n", c, d, c / d }'
}

compare "6000x4000 FitScreen / -fill" 1 0 "$big" -fill
compare "1920x1080 centred / -center" 0 0 "$screen" -center

#!/usr/bin/env bash
# The x11 back end on private Xvfb screens, medians of RUNS runs:
#   1. dithering a 1920 x 1080 picture for a 16-bit screen (x11_desktop_bench's dither16
#      beside convert32, what a 24-bit screen needs instead), and the whole change of a
#      1920 x 1080 picture on a 1920x1080x16 screen beside a 1920x1080x24 one;
#   2. ChangeWallpaper of a 6000 x 4000 JPEG (24 megapixels), with and without FitScreen, on
#      two 1920 x 1080 monitors (a 3840 x 1080 screen, RandR monitors made by xrandr) beside
#      one 1920 x 1080 screen, and the back end's share alone (x11_desktop_bench's applyChange on
#      the decoded photo).
#   bench/x11-desktop.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work"
photo=$work/photo-6000x4000.jpg
. "$(dirname "$0")/timing.sh"
test_photo 6000 4000 "$photo"
[ -f "$work/photo-6000x4000.bmp" ] || djpeg -bmp -outfile "$work/photo-6000x4000.bmp" "$photo"
trap stop_xvfb EXIT

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export TESSELVANE_DESKTOP=x11 QT_QPA_PLATFORM=xcb
reg() { "$bin/tesselvane-reg" "$@" >/dev/null; }
reg add 'HKCU\Control Panel\Desktop' /v TileWallpaper /d 0 /f

bench_ms() {  # benchmark-filter -> its median in ms
  "$bin/x11_desktop_bench" --benchmark_filter="^$1(/|$)" --benchmark_repetitions="$runs" \
    --benchmark_report_aggregates_only=true 2>/dev/null | awk '/_median/ {print $2}'
}
inner_ms() { "$bin/wallpaper_tool" "$photo" 2>&1 | awk '/ ms$/ {print $(NF-1)}'; }
# Medians of ChangeWallpaper(photo) on the displays $one and $two, run in turn so that a busy
# moment of the machine (the written file's pages going to disk, say) falls on both alike.
change_ms() {
  local a=() b=()
  DISPLAY=$one inner_ms >/dev/null; DISPLAY=$two inner_ms >/dev/null
  for _ in $(seq "$runs"); do
    a+=("$(DISPLAY=$one inner_ms)")
    b+=("$(DISPLAY=$two inner_ms)")
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}
two_monitors() {
  xrandr --setmonitor M0 1920/508x1080/286+0+0 screen >/dev/null
  xrandr --setmonitor M1 1920/508x1080/286+1920+0 none >/dev/null
}

echo "== 16-bit screens: dithering a 1920 x 1080 picture"
unset DISPLAY
echo "convert32 (24-bit screens) $(bench_ms convert32) ms   dither16 $(bench_ms dither16) ms"
for depth in 24 16; do
  start_xvfb 1920x1080x$depth
  echo "whole change of a 1920 x 1080 picture on 1920x1080x$depth: $(bench_ms applyChange) ms"
  stop_xvfb
done

echo "== a 24-megapixel JPEG on two 1920 x 1080 monitors beside one"
start_xvfb 1920x1080x24
one=$DISPLAY one_pid=$xvfb_pid
start_xvfb 3840x1080x24
two=$DISPLAY
DISPLAY=$two two_monitors
trap 'stop_xvfb; kill "$one_pid" 2>/dev/null || true' EXIT
for fit in 0 1; do
  reg add 'HKCU\SOFTWARE\Morvanti\TESSEL\Option' /v FitScreen /d "$fit" /f
  read -r one_ms two_ms < <(change_ms)
  apply() { DISPLAY=$1 TESSELVANE_BENCH_FIT=$fit TESSELVANE_BENCH_PICTURE=$work/photo-6000x4000.bmp bench_ms applyChange; }
  one_apply=$(apply "$one")
  two_apply=$(apply "$two")
  awk -v f="$fit" -v a="$one_ms" -v b="$two_ms" -v c="$one_apply" -v d="$two_apply" 'BEGIN {
    printf "FitScreen %s: ChangeWallpaper one %d ms, two %d ms, ratio %.2f; back end alone one %.1f ms, two %.1f ms, ratio %.2f\n", f, a, b, b / a, c, d, d / c }'
done

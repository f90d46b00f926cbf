#!/usr/bin/env bash
# What a picture of the largest size the program reads (16384 x 16384) costs when its file is
# tiny: the installed program changes the wallpaper to each (tesselvane -C, a group of that one
# file, centred and tiled) on a 1920 x 1080 Xvfb screen. Per case: the wall time of the whole
# process tree, the peak memory of its largest process, the exit status and the size of the
# wallpaper file written. The last case is an extension plug-in that returns a 1x1 picture in
# a 1 GiB block (a test plug-in, installed beside the program for this run only).
#   bench/largest-pictures.sh [BUILD_DIR]
set -euo pipefail
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
build=$(cd "${1:-build}" && pwd)
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}/largest
mkdir -p "$work/pictures"
. "$(dirname "$0")/timing.sh"
pictures=$work/pictures
if [ ! -f "$pictures/.complete" ]; then
  python3 "$(dirname "$0")/make-largest-pictures.py" "$pictures"
  command -v cwebp >/dev/null && cwebp -quiet -lossless "$pictures/webp-source.png" -o "$pictures/flat.webp"
  rm -f "$pictures/webp-source.png"
  touch "$pictures/.complete"
fi

prefix=$work/installed
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
plugins=$(dirname "$(find "$prefix" -name png.spi | head -n 1)")
start_xvfb 1920x1080x24
trap stop_xvfb EXIT
export XDG_RUNTIME_DIR=$work/runtime TESSELVANE_DESKTOP=x11 QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

run_case() {  # label file tile
  local store=$work/store out status wallpaper
  rm -rf "$store" && mkdir -p "$store"
  export XDG_CONFIG_HOME=$store XDG_DATA_HOME=$store/data
  reg() { "$prefix/bin/tesselvane-reg" add "HKCU\\$1" /v "$2" /d "$3" /f >/dev/null; }
  reg 'Control Panel\Desktop' TileWallpaper "$3"
  reg 'SOFTWARE\Morvanti\TESSEL\GroupName' Group0 One
  reg 'SOFTWARE\Morvanti\TESSEL\Files\One' File0000 "$2"
  reg 'SOFTWARE\Morvanti\TESSEL\Task' Default 0
  status=0
  out=$(timeout 300 "$bin/tree_run" "$prefix/bin/tesselvane" -C 2>/dev/null) || status=$?
  wallpaper=$(stat -c %s "$store/data/tesselvane/\$tessel.bmp" 2>/dev/null || echo none)
  read -r wall peak _ <<<"$out"
  printf '  %-22s %-7s %6s ms  peak %5s MB  status %d  wallpaper file %s bytes\n' "$1" \
    "$([ "$3" = 1 ] && echo tiled || echo centred)" "${wall:-?}" "$(( ${peak:-0} / 1024 ))" \
    "$status" "$wallpaper"
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; screen 1920x1080"
for file in canvas.gif flat.png flat.webp flat.tif rle.bmp raw.bmp; do
  [ -f "$pictures/$file" ] || { echo "  $file: not made (cwebp missing?)"; continue; }
  for tile in 0 1; do
    run_case "$file ($(du -h --apparent-size "$pictures/$file" | cut -f1))" "$pictures/$file" "$tile"
  done
done
test_photo 640 480 "$pictures/small.jpg"
cp "$bin/test-plugins/hugeblock.bpi" "$plugins/"
run_case "1 GiB block from a .bpi" "$pictures/small.jpg" 0

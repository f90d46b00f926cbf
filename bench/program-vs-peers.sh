#!/usr/bin/env bash
# The installed program (both shipped .bpi in place) beside the setters a user would pick
# instead, on a 1920 x 1080 Xvfb screen. Every figure is a whole process tree: tree_run waits
# for every process a run starts (the plug-in helper too) and reports the wall time until the
# last ended and the peak memory of the largest. Runs are taken in turn (ours, then each peer),
# RUNS times; medians with min-max.
#   bench/program-vs-peers.sh [BUILD_DIR] [RUNS]
set -euo pipefail
# Inside a session bus of its own, as on a desktop: the program's accessibility bridge looks
# for one at start, and without it would wait for D-Bus's autolaunch to fail instead.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
build=$(cd "${1:-build}" && pwd)
runs=${2:-11}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}
mkdir -p "$work"
. "$(dirname "$0")/timing.sh"
screen_jpg=$work/photo-1920x1080.jpg
big_jpg=$work/photo-6000x4000.jpg
big_png=$work/photo-6000x4000.png
test_photo 1920 1080 "$screen_jpg"
test_photo 6000 4000 "$big_jpg"
[ -f "$big_png" ] || convert "$big_jpg" "$big_png"

prefix=$work/installed
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/tesselvane
for peer in hsetroot xwallpaper; do
  command -v "$peer" >/dev/null || { echo "$peer is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

start_xvfb 1920x1080x24
trap stop_xvfb EXIT
export XDG_RUNTIME_DIR=$work/runtime TESSELVANE_DESKTOP=x11 QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
reg() { "$prefix/bin/tesselvane-reg" add "HKCU\\$1" /v "$2" /d "$3" /f >/dev/null; }

# Sets up a store of its own in DIR for one case, and prints the command that runs the
# program on it: a group of FILE alone in mode 0, or, with a 5th argument, the by-day mode
# over a folder holding FILE as today's picture.
use_picture() {  # dir file fit tile [by-day]
  local dir=$work/$1
  rm -rf "$dir" && mkdir -p "$dir"
  export XDG_CONFIG_HOME=$dir
  shift
  reg 'Control Panel\Desktop' TileWallpaper "$3"
  reg 'SOFTWARE\Morvanti\TESSEL\Option' FitScreen "$2"
  if [ -n "${4:-}" ]; then
    mkdir -p "$dir/dates"
    cp "$1" "$dir/dates/photo$(date +%m%d).${1##*.}"
    reg 'SOFTWARE\Morvanti\TESSEL\Time' Option 2
    reg 'SOFTWARE\Morvanti\TESSEL\Time' Path "$dir/dates"
  else
    reg 'SOFTWARE\Morvanti\TESSEL\GroupName' Group0 One
    reg 'SOFTWARE\Morvanti\TESSEL\Files\One' File0000 "$1"
    reg 'SOFTWARE\Morvanti\TESSEL\Task' Default 0
  fi
  echo "env XDG_CONFIG_HOME=$dir XDG_DATA_HOME=$dir/data $program -C"
}

root_is_set() {  # the atom names a picture and the screen is not black
  xprop -root _XROOTPMAP_ID | grep -q 'pixmap id' &&
    awk -v m="$("$bin/root_brightness")" 'BEGIN { exit !(m > 10) }'
}
clear_root() { xsetroot -solid black; xprop -root -remove _XROOTPMAP_ID; }

# Runs each command RUNS times in turn, checking the root picture after each; prints per
# command "label median-ms min-ms max-ms median-peak-kb".
declare -A ms kb
measure() {  # label=command ... (one argument per command, split on spaces)
  local labels=() spec label out
  ms=() kb=()
  for spec in "$@"; do labels+=("${spec%%=*}"); done
  # shellcheck disable=SC2086
  for spec in "$@"; do ${spec#*=} >/dev/null 2>&1 || true; done  # warm the caches
  for _ in $(seq "$runs"); do
    for spec in "$@"; do
      label=${spec%%=*}
      clear_root
      # shellcheck disable=SC2086
      out=$("$bin/tree_run" ${spec#*=} 2>/dev/null) ||
        { echo "$label failed" >&2; exit 1; }
      root_is_set || { echo "$label left no picture on the root window" >&2; exit 1; }
      read -r wall peak _ <<<"$out"
      ms[$label]+="$wall "; kb[$label]+="$peak "
    done
  done
  for label in "${labels[@]}"; do
    # shellcheck disable=SC2086
    printf '%s %s %s %s %s\n' "$label" \
      "$(printf '%s\n' ${ms[$label]} | median)" \
      "$(printf '%s\n' ${ms[$label]} | sort -n | head -n 1)" \
      "$(printf '%s\n' ${ms[$label]} | sort -n | tail -n 1)" \
      "$(printf '%s\n' ${kb[$label]} | median)"
  done
}

report() {  # title target-text, then measure's lines on stdin (ours first)
  echo "$1"
  awk -v targets="$2" '
    NR == 1 { ot = $2; om = $5 }
    { printf "  %-12s %5d ms (%d-%d), peak %7d KB", $1, $2, $3, $4, $5
      if (NR > 1) printf "   ours/%s: time %.2f, memory %.2f", $1, ot / $2, om / $5
      printf "\n" }
    END { print "  targets: " targets }'
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores, $runs runs each"
ours=$(use_picture centred "$screen_jpg" 0 0)
measure "tesselvane=$ours" "hsetroot=hsetroot -center $screen_jpg" \
  "xwallpaper=xwallpaper --center $screen_jpg" |
  report "1920x1080 JPEG, centred" "time <= 1.5 hsetroot, <= 2.5 xwallpaper"

ours=$(use_picture stretched "$big_jpg" 1 0)
measure "tesselvane=$ours" "hsetroot=hsetroot -fill $big_jpg" \
  "xwallpaper=xwallpaper --stretch $big_jpg" |
  report "6000x4000 JPEG, stretched" "time <= 0.5 hsetroot, <= 0.8 xwallpaper"

ours=$(use_picture png "$big_png" 1 0)
measure "tesselvane=$ours" "hsetroot=hsetroot -fill $big_png" \
  "xwallpaper=xwallpaper --stretch $big_png" |
  report "6000x4000 PNG (png.spi), stretched" "time <= 1.0 hsetroot; largest process <= 1.0 hsetroot"

by_day=$(use_picture by-day "$big_jpg" 1 0 by-day)
measure "mode0=$(use_picture stretched "$big_jpg" 1 0)" "by-day=$by_day" |
  report "6000x4000 JPEG, stretched: mode 0 beside the by-day mode" "mode 0 <= 1.05 by-day"

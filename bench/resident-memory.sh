#!/usr/bin/env bash
# The resident program in interval mode, one change a second over small pictures, on an
# Xvfb screen: its memory (VmRSS) and open descriptors after the 100th and the 1,000th
# change, and what the plug-in helper holds. The program's clock runs ten times fast
# (libfaketime) so that 1,000 changes take under two minutes; every change is counted by the
# wallpaper file being replaced.
#   bench/resident-memory.sh [BUILD_DIR] [CHANGES]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
changes=${2:-1000}
bin=$build/bin
work=${BENCH_WORK:-/tmp/tesselvane-bench}/resident
rm -rf "$work"; mkdir -p "$work/pictures" "$work/runtime"; chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
export TESSELVANE_DESKTOP=x11

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
xvfb=$!  # the server this script started, ended by its id
read -r number <&3
export DISPLAY=:$number
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; kill "$xvfb" 2>/dev/null || true' EXIT

for i in 1 2 3 4 5; do "$bin/make_test_photo" 640 480 "$work/pictures/$i.ppm"; cjpeg -outfile "$work/pictures/$i.jpg" "$work/pictures/$i.ppm"; done
rm -f "$work/pictures/"*.ppm
reg() { "$bin/tesselvane-reg" add "HKCU\\SOFTWARE\\Morvanti\\TESSEL\\$1" /v "$2" /d "$3" /f >/dev/null; }
reg GroupName Group0 Small
reg 'Files\Small' Type 1
reg 'Files\Small' Folder "$work/pictures"
reg Task Default 0
reg Time Option 1
reg Time Scale 2
reg Time Value 1

LD_PRELOAD=$(ls /usr/lib/*/faketime/libfaketime.so.1) FAKETIME="+0 x10" "$bin/tesselvane" &
pid=$!
file="$XDG_DATA_HOME/tesselvane/\$tessel.bmp"
# Each reading is taken 40 ms after a change ended (a change comes every 100 ms), so that no
# change is in flight; five readings up to the 100th and to the last change, their median
# and largest.
count=0 last= readings=()
report() {
  printf '%s\n' "${readings[@]}" | sort -n | awk -v n="$count" '{a[NR]=$1} END {
    printf "changes %4d: rss median %6d KB, largest %6d KB\n", n, a[int((NR+1)/2)], a[NR] }'
  printf '              descriptors %s\n' "$(ls /proc/$pid/fd | wc -l)"
  # The plug-in helper, kept between changes (the program's only child).
  local helper
  for helper in $(cat /proc/$pid/task/*/children 2>/dev/null); do
    printf '              helper %s: rss %s KB\n' "$(tr '\0' ' ' < /proc/$helper/cmdline | cut -c1-60)" \
      "$(awk '/VmRSS/ {print $2}' /proc/$helper/status)"
  done
  readings=()
}
while [ "$count" -lt "$changes" ]; do
  now=$(stat -c %i "$file" 2>/dev/null || true)
  if [ -n "$now" ] && [ "$now" != "$last" ]; then
    last=$now; count=$((count + 1))
    if { [ "$count" -gt 95 ] && [ "$count" -le 100 ]; } || [ "$count" -gt $((changes - 5)) ]; then
      sleep 0.04
      readings+=("$(awk '/VmRSS/ {print $2}' /proc/$pid/status)")
      if [ "$count" -eq 100 ] || [ "$count" -eq "$changes" ]; then report; fi
    fi
  fi
  sleep 0.005
done

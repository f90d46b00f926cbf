# Shared by the benchmark scripts (sourced): medians, wall time and peak memory of a command,
# test photos.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wall_ms() {  # command... -> wall milliseconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
# Two commands run in turn RUNS times each, so that a busy moment of the machine falls on both
# alike: prints the median milliseconds of the first, then of the second.
#   side_by_side RUNS command one... -- command two...
side_by_side() {
  local runs=$1 first=() second=() a=() b=()
  shift
  while [ "$1" != -- ]; do first+=("$1"); shift; done
  shift
  second=("$@")
  for _ in $(seq "$runs"); do
    a+=("$(wall_ms "${first[@]}")")
    b+=("$(wall_ms "${second[@]}")")
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}
# A JPEG photo-like test picture of WIDTH x HEIGHT at FILE, made once (needs $bin).
test_photo() {
  [ -f "$3" ] && return
  "$bin/make_test_photo" "$1" "$2" "$3.ppm"
  cjpeg -quality 90 -outfile "$3" "$3.ppm"
  rm -f "$3.ppm"
}
# The folder group's tree at $work/tree: 100,000 files in 1,000 folders, every file a hard link
# to one of two small real pictures (a file takes at most 65,000 links), so that the program can
# show whichever it picks and the tree takes no room. Made once (needs $bin).
picture_tree() {
  local tree=$work/tree from
  [ -f "$work/.tree-complete-v2" ] && return
  echo "Making $tree (100,000 pictures in 1,000 folders)..." >&2
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
}
# Starts a private Xvfb of the given screen (WxHxD) and exports its DISPLAY; sets xvfb_pid for
# stop_xvfb, which ends exactly that server.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u) && mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
  xvfb_pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=:$number
}
stop_xvfb() { [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true; }

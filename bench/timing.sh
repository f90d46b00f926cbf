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

# Shared by the benchmark scripts (sourced): medians, wall time and peak memory of a command.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wall_ms() {  # command... -> wall milliseconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

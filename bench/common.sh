# Helpers shared by bench/run.sh and bench/replay.sh (sourced, not run).
# The caller sets $timer (GNU time) and $case_dir before using timed.

# Seconds since the epoch, microseconds.
now() { echo "${EPOCHREALTIME/,/.}"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# timed NAME CMD...: runs CMD under /usr/bin/time, appends its wall seconds
# to $case_dir/NAME.s and its peak RSS (KiB) to $case_dir/NAME.rss.
timed() {
  local name=$1
  shift
  local t0 t1
  t0=$(now)
  "$timer" -f %M -o "$case_dir/$name.rss.one" "$@"
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }' >>"$case_dir/$name.s"
  cat "$case_dir/$name.rss.one" >>"$case_dir/$name.rss"
}

# need_space SCRIPT FOLDER KIB: stops the script when FOLDER has less free.
need_space() {
  local free_kib
  free_kib=$(df -Pk "$2" | awk 'NR == 2 { print $4 }')
  if [ "$free_kib" -lt "$3" ]; then
    echo "$1: $2 has $((free_kib / 1024)) MiB free, needs $(($3 / 1024)) MiB" >&2
    exit 1
  fi
}

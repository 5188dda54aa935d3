#!/usr/bin/env bash
# Replay benchmark: the two ways `omf replay` puts edited item files back,
# page cache warm. See bench/README.md.
#
#   bench/replay.sh BUILD_DIR
#
#  1. rebuild ("#Format: EOMF") of a container of type 2 items whose item
#     files all changed (other bytes, other sizes), against `tar -cf` of
#     the same item files, and against `tar -cf` followed by an fsync of
#     the tar (the rebuild fsyncs its result before renaming it into place);
#  2. in place ("#Format: OMF") over a container of type 25 items whose item
#     files all changed (other bytes, same sizes), against `cp` of the
#     container;
#  3. peak memory of the rebuild of larger containers.
#
# Settings (environment):
#   OMF_BENCH_REPLAY_MIB  item data per container of the timed runs (1, 2), MiB
#                         (default 1024)
#   OMF_BENCH_RSS_MIB     item data per container of the memory runs (3), MiB
#                         (default 2048)
#   OMF_BENCH_REPS        timed runs of each command per case (default 5)
#   OMF_BENCH_RSS_REPS    runs of the rebuild per case of the memory runs,
#                         none of them a warm-up (default 2)
#   OMF_BENCH_TMP         folder for the temporary files (default /tmp)
#
# Every timed command writes one new file, deleted (untimed) once its round
# is over; the item files of a case are deleted when the case ends.
set -euo pipefail
. "$(dirname "$0")/common.sh"

build=${1:?usage: bench/replay.sh BUILD_DIR}
omf=$build/omf
mkbench=$build/bench/omf_mkbench
mib=${OMF_BENCH_REPLAY_MIB:-1024}
rss_mib=${OMF_BENCH_RSS_MIB:-2048}
reps=${OMF_BENCH_REPS:-5}
rss_reps=${OMF_BENCH_RSS_REPS:-2}
tmp_root=${OMF_BENCH_TMP:-/tmp}
timer=/usr/bin/time

for tool in "$omf" "$mkbench" "$timer"; do
  [ -x "$tool" ] || { echo "replay.sh: $tool is missing (make build; the time package)" >&2; exit 1; }
done
tar --version | head -1 | grep -q 'GNU tar' || { echo "replay.sh: GNU tar is needed" >&2; exit 1; }
# The containers' stored offsets are 32-bit: stay well below 4 GiB.
for m in "$mib" "$rss_mib"; do
  [ "$m" -le 3584 ] || { echo "replay.sh: $m MiB per container is more than the format can address" >&2; exit 1; }
done

work=$(mktemp -d "$tmp_root/omf-replay-bench.XXXXXX")
trap 'rm -rf "$work"; sync' EXIT
trap 'exit 130' INT  # through the EXIT trap
trap 'exit 143' TERM
trap 'exit 129' HUP

# One case at a time: the container, its item files, and one round's
# outputs (rebuild, tar, tar + fsync; for the memory runs the rebuild
# alone), block links and slack on top.
need_kib=$((mib * 1024 * 55 / 10))
rss_need_kib=$((rss_mib * 1024 * 35 / 10))
[ "$rss_need_kib" -le "$need_kib" ] || need_kib=$rss_need_kib
need_space replay.sh "$work" "$need_kib"

# ---------------------------------------------------------------- helpers


# A new output path for each run; sync first, so that no writeback of an
# earlier run goes on during this one. Untimed.
run_no=0
target() {
  mkdir -p "$case_dir/runs"
  sync
  echo "$case_dir/runs/$1.$run_no"
}

run_rebuild() {
  local out
  out=$(target rebuilt)
  timed omf "$omf" replay -o "$out" "$case_dir/rebuild.log"
  last_rebuilt=$out/c.omf
}
run_inplace() {
  target unused >/dev/null
  timed omf "$omf" replay "$case_dir/inplace.log"
}
run_tar() {
  local out
  out=$(target items.tar)
  timed tar tar -cf "$out" -C "$case_dir/items" -T "$case_dir/names"
}
# tar, then an fsync of the tar (coreutils `sync FILE`): the durability the
# rebuild gives its result.
run_tar_fsync() {
  local out
  out=$(target items-fsync.tar)
  timed tarsync sh -c 'tar -cf "$1" -C "$2" -T "$3" && sync "$1"' sh "$out" "$case_dir/items" "$case_dir/names"
}
run_cp() {
  local out
  out=$(target copy.omf)
  timed cp cp "$container" "$out"
}

# rounds CMD...: one untimed warm-up round, then $reps timed rounds of the
# commands in turn. Each round's outputs are deleted after it.
rounds() {
  local r run
  for ((r = 0; r <= reps; r++)); do
    [ "$r" -ne 1 ] || rm -f "$case_dir"/*.s "$case_dir"/*.rss  # drop the warm-up
    for run in "$@"; do "$run"; done
    run_no=$((run_no + 1))
    if [ "$r" -lt "$reps" ]; then rm -rf "$case_dir/runs"; fi
  done
}

# Seconds of each run of NAME, to stderr.
raw() { for n in "$@"; do echo "   $n s:" $(cat "$case_dir/$n.s") >&2; done; }
# Median of the ratios NAME1/NAME2 within each round.
ratio() { paste "$case_dir/$1.s" "$case_dir/$2.s" | awk '{ print $1 / $2 }' | median; }
best() { sort -g "$case_dir/$1.s" | head -1; }
peak() { sort -g "$case_dir/$1.rss" | tail -1; }

# make_case NAME BLOCK ITEMS SIZES SIZED_EVERY EDIT_ARGS...: the container
# $case_dir/c.omf, its extraction (item files and result.log) in
# $case_dir/items, then every item file rewritten by omf_mkbench with
# EDIT_ARGS (same names, so result.log names them).
make_case() {
  local name=$1 block=$2 items=$3 sizes=$4 every=$5
  shift 5
  case_dir=$work/$name
  container=$case_dir/c.omf
  mkdir -p "$case_dir/runs"
  echo "== $name: BlockSize $block, $items items of $sizes" >&2
  "$mkbench" --block-size "$block" --items "$items" --sizes "$sizes" --sized-every "$every" \
    "$container" >&2
  "$omf" check "$container" >&2
  "$omf" extract -o "$case_dir/items" "$container"
  "$mkbench" --block-size "$block" --items "$items" --sized-every "$every" "$@" \
    --expect-dir "$case_dir/items" /dev/null >/dev/null
  (cd "$case_dir/items" && find . -name '*.dat' -printf '%P\n' | sort >../names)
  local files
  files=$(wc -l <"$case_dir/names")
  [ "$files" -eq "$items" ] || { echo "replay.sh: $name: $files item files, expected $items" >&2; exit 1; }
  edited_bytes=$(cd "$case_dir/items" && find . -name '*.dat' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  sed 's/^#Format: OMF/#Format: EOMF/' "$case_dir/items/result.log" >"$case_dir/rebuild.log"
  cp "$case_dir/items/result.log" "$case_dir/inplace.log"
  sync
  cat "$container" >/dev/null
  (cd "$case_dir/items" && xargs cat <../names >/dev/null)
}

# check_rebuilt NAME ITEMS: the last rebuild must be a sound container with
# one item per entry.
check_rebuilt() {
  local report
  report=$("$omf" check "$last_rebuilt") || { echo "replay.sh: $1: the rebuilt container fails omf check" >&2; exit 1; }
  echo "$report" | grep -q ", $2 entries, $2 items with data," ||
    { echo "replay.sh: $1: rebuilt container: $report" >&2; exit 1; }
}

mib_of() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1048576 }'; }

# ---------------------------------------------------------------- cases

# Item counts that give about M MiB of item data.
small_items() { echo $(($1 * 1024 / 34)); }  # 4-64 KiB at random: 34 KiB on average
large_items() {
  local n=0 sum=0
  while [ "$sum" -lt "$1" ]; do  # 64 MiB, 128 MiB, 64 MiB, ...
    n=$((n + 1))
    sum=$((sum + (n % 2 ? 64 : 128)))
  done
  echo "$n"
}

# name | BlockSize | items | sizes | sizes of the edited item files
rebuild_cases() {
  local m=$1
  echo "small-512  512  $(small_items "$m") 4K-64K   4K-64K"
  echo "small-4096 4096 $(small_items "$m") 4K-64K   4K-64K"
  echo "large-512  512  $(large_items "$m") 64M,128M 72M,120M"
  echo "large-4096 4096 $(large_items "$m") 64M,128M 72M,120M"
}

fs_type=$(df -PT "$work" | awk 'NR == 2 { print $2 }')
echo "omf replay benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -1)," \
  "$(awk '/^MemTotal:/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo) GiB memory, kernel $(uname -r)"
echo "temp folder: $work ($fs_type); $(tar --version | head -1); $(cp --version | head -1)"
echo "page cache warm: inputs read once and every command run once untimed before timing;"
echo "$reps timed rounds per case, the commands interleaved, each run writing a new file,"
echo "sync before each; median seconds, and the median of the ratios within each round"
echo

# 1. Rebuild against tar -cf. The edited item files get other bytes and
#    other sizes (seed 2; the large items 72 and 120 MiB instead of 64 and
#    128).
rebuild_rows=()
rebuild_best=()
mapfile -t cases < <(rebuild_cases "$mib")
for c in "${cases[@]}"; do
  read -r name block items sizes edit_sizes <<<"$c"
  make_case "rebuild-$name" "$block" "$items" "$sizes" 0 --sizes "$edit_sizes" --seed 2
  rounds run_rebuild run_tar run_tar_fsync
  check_rebuilt "$name" "$items"
  raw omf tar tarsync
  rebuild_rows+=("$(awk -v n="$name" -v i="$items" -v d="$(mib_of "$edited_bytes")" \
    -v c="$(mib_of "$(stat -c %s "$container")")" -v r="$(mib_of "$(stat -c %s "$last_rebuilt")")" \
    -v o="$(median <"$case_dir/omf.s")" -v t="$(median <"$case_dir/tar.s")" \
    -v f="$(median <"$case_dir/tarsync.s")" -v rt="$(ratio omf tar)" -v rf="$(ratio omf tarsync)" \
    -v m="$(peak omf)" 'BEGIN {
      printf "| %s | %d | %d | %d | %d | %.3f | %.3f | %.3f | %.2f | %.2f | %.1f |",
        n, i, d, c, r, o, t, f, rt, rf, m / 1024 }')")
  rebuild_best+=("$(awk -v n="$name" -v o="$(best omf)" -v t="$(best tar)" -v f="$(best tarsync)" 'BEGIN {
      printf "| %s | %.3f | %.3f | %.3f | %.2f | %.2f |", n, o, t, f, o / t, o / f }')")
  rm -rf "$case_dir"
done

# 2. In place against cp. The edited item files keep their sizes and get
#    other bytes (data seed 2): every data byte of the container is
#    rewritten. Each run writes the same bytes again.
inplace_rows=()
inplace_best=()
for c in "${cases[@]}"; do
  read -r name block items sizes _ <<<"$c"
  make_case "inplace-$name" "$block" "$items" "$sizes" 1 --sizes "$sizes" --seed 1 --data-seed 2
  rounds run_inplace run_cp
  "$omf" check "$container" >/dev/null || { echo "replay.sh: $name: the container fails omf check after the replays" >&2; exit 1; }
  raw omf cp
  inplace_rows+=("$(awk -v n="$name" -v i="$items" -v d="$(mib_of "$edited_bytes")" \
    -v c="$(mib_of "$(stat -c %s "$container")")" \
    -v o="$(median <"$case_dir/omf.s")" -v p="$(median <"$case_dir/cp.s")" \
    -v rc="$(ratio omf cp)" -v m="$(peak omf)" 'BEGIN {
      printf "| %s | %d | %d | %d | %.3f | %.3f | %.2f | %.1f |", n, i, d, c, o, p, rc, m / 1024 }')")
  inplace_best+=("$(awk -v n="$name" -v o="$(best omf)" -v p="$(best cp)" 'BEGIN {
      printf "| %s | %.3f | %.3f | %.2f |", n, o, p, o / p }')")
  rm -rf "$case_dir"
done

# 3. Peak memory of the rebuild, larger containers, the same edits as in 1.
rss_rows=()
mapfile -t cases < <(rebuild_cases "$rss_mib")
for c in "${cases[@]}"; do
  read -r name block items sizes edit_sizes <<<"$c"
  make_case "rss-$name" "$block" "$items" "$sizes" 0 --sizes "$edit_sizes" --seed 2
  for ((r = 0; r < rss_reps; r++)); do
    rm -rf "$case_dir/runs"
    run_rebuild
    run_no=$((run_no + 1))
  done
  check_rebuilt "$name" "$items"
  raw omf
  rss_rows+=("$(awk -v n="$name" -v i="$items" -v d="$(mib_of "$edited_bytes")" \
    -v c="$(mib_of "$(stat -c %s "$container")")" -v r="$(mib_of "$(stat -c %s "$last_rebuilt")")" \
    -v o="$(median <"$case_dir/omf.s")" -v m="$(peak omf)" 'BEGIN {
      printf "| %s | %d | %d | %d | %d | %.3f | %.1f |", n, i, d, c, r, o, m / 1024 }')")
  rm -rf "$case_dir"
done

# ---------------------------------------------------------------- report

echo "1. Rebuild (omf replay, #Format: EOMF) against tar -cf of the same item files:"
echo
echo "| case | items | item data MiB | container MiB | rebuilt MiB | omf s | tar -cf s | tar -cf + fsync s | omf/tar | omf/(tar + fsync) | omf peak RSS MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${rebuild_rows[@]}"
echo
echo "Best of $reps:"
echo
echo "| case | omf s | tar -cf s | tar -cf + fsync s | omf/tar | omf/(tar + fsync) |"
echo "|---|---:|---:|---:|---:|---:|"
printf '%s\n' "${rebuild_best[@]}"
echo
echo "2. In place (omf replay, #Format: OMF) against cp of the container:"
echo
echo "| case | items | item data MiB | container MiB | omf s | cp s | omf/cp | omf peak RSS MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${inplace_rows[@]}"
echo
echo "Best of $reps:"
echo
echo "| case | omf s | cp s | omf/cp |"
echo "|---|---:|---:|---:|"
printf '%s\n' "${inplace_best[@]}"
echo
echo "3. Peak memory of the rebuild ($rss_reps runs per case, page cache warm but no warm-up run; the largest):"
echo
echo "| case | items | item data MiB | container MiB | rebuilt MiB | omf s (median) | omf peak RSS MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${rss_rows[@]}"
echo

# ---------------------------------------------------------------- targets

printf '%s\n' "${rebuild_rows[@]}" | awk -F'|' '
  { if ($10 + 0 > worst) worst = $10 + 0 }
  END { printf "rebuild <= tar -cf (median of round ratios, all cases): %s (worst omf/tar %.2f)\n",
          worst <= 1.0 ? "met" : "MISSED", worst }'
printf '%s\n' "${rebuild_best[@]}" | awk -F'|' '
  { if ($6 + 0 > worst) worst = $6 + 0 }
  END { printf "rebuild <= tar -cf (best of '"$reps"', all cases): %s (worst omf/tar %.2f)\n",
          worst <= 1.0 ? "met" : "MISSED", worst }'
printf '%s\n' "${inplace_rows[@]}" | awk -F'|' '
  { printf "%s%s %.2f", (NR > 1 ? "," : "in place / cp (no target):"), $2, $8 }
  END { print "" }'
printf '%s\n' "${rss_rows[@]}" | awk -F'|' '
  { if ($8 + 0 > worst) worst = $8 + 0 }
  END { printf "rebuild peak RSS < 64 MiB ('"$rss_mib"' MiB of items): %s (largest %.1f MiB)\n",
          worst < 64 ? "met" : "MISSED", worst }'

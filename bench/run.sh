#!/usr/bin/env bash
# Extraction benchmark: `omf extract` against `cp` and `tar -xf` on the same
# data, page cache warm. See bench/README.md.
#
#   bench/run.sh BUILD_DIR
#
# Settings (environment):
#   OMF_BENCH_MIB   item data per container in MiB (default 256: four
#                   containers, about 1 GiB in all)
#   OMF_BENCH_REPS  timed runs of each command per case (default 5)
#   OMF_BENCH_TMP   folder for the temporary files (default /tmp)
#
# Every run writes into a new folder. The item files of the small-item
# cases are deleted only at the end: ext4 without a journal passes over
# recently freed inodes one by one when it allocates new ones, so thousands
# of new files right after thousands were deleted would measure that, not
# the commands (bench/README.md).
set -euo pipefail
. "$(dirname "$0")/common.sh"

build=${1:?usage: bench/run.sh BUILD_DIR}
omf=$build/omf
mkbench=$build/bench/omf_mkbench
mib=${OMF_BENCH_MIB:-256}
reps=${OMF_BENCH_REPS:-5}
tmp_root=${OMF_BENCH_TMP:-/tmp}
timer=/usr/bin/time

for tool in "$omf" "$mkbench" "$timer"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing (make build; the time package)" >&2; exit 1; }
done
tar --version | head -1 | grep -q 'GNU tar' || { echo "run.sh: GNU tar is needed" >&2; exit 1; }

work=$(mktemp -d "$tmp_root/omf-bench.XXXXXX")
trap 'rm -rf "$work"; sync' EXIT

# Each case holds its container, its tar, the item files and one copy of
# the data per run of omf, cp and tar; the small-item cases are kept to the
# end, and one large-item case at a time on top.
need_kib=$((mib * 1024 * (3 * (reps + 1) + 3) * 3))
need_space run.sh "$work" "$need_kib"

# ---------------------------------------------------------------- helpers


# A new output path for each run; sync first, so that no writeback of an
# earlier run goes on during this one. Untimed.
run_no=0
target() {
  sync
  echo "$case_dir/$1.$run_no"
}

run_omf() {
  local out
  out=$(target out.omf)
  timed omf "$omf" extract -o "$out" "$container"
  last_omf_out=$out
}
run_cp() {
  local out
  out=$(target copy.omf)
  timed cp cp "$container" "$out"
}
run_tar() {
  local out
  out=$(target out.tar)
  mkdir "$out"
  timed tar tar -xf "$tarball" -C "$out"
}

# ---------------------------------------------------------------- cases

# Item counts that give about $mib MiB of item data.
small_items=$((mib * 1024 / 34))  # 4-64 KiB at random: 34 KiB on average
large_items=0
sum=0
while [ "$sum" -lt "$mib" ]; do  # 64 MiB, 128 MiB, 64 MiB, ...
  large_items=$((large_items + 1))
  sum=$((sum + (large_items % 2 ? 64 : 128)))
done

cases=(
  "small-512  512  $small_items 4K-64K"
  "small-4096 4096 $small_items 4K-64K"
  "large-512  512  $large_items 64M,128M"
  "large-4096 4096 $large_items 64M,128M"
)

fs_type=$(df -PT "$work" | awk 'NR == 2 { print $2 }')
echo "omf extraction benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -1)," \
  "$(awk '/^MemTotal:/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo) GiB memory, kernel $(uname -r)"
echo "temp folder: $work ($fs_type)"
echo "page cache warm: inputs read once and every command run once untimed before timing;"
echo "$reps timed runs per command, interleaved (omf, cp, tar, omf, ...), each into a new folder,"
echo "sync before each; median seconds, and the median of the ratios within each repetition"
echo

rows=()
best=()
for c in "${cases[@]}"; do
  read -r name block items sizes <<<"$c"
  case_dir=$work/$name
  container=$case_dir/c.omf
  tarball=$case_dir/items.tar
  mkdir -p "$case_dir"
  echo "== $name: BlockSize $block, $items items of $sizes" >&2
  "$mkbench" --block-size "$block" --items "$items" --sizes "$sizes" "$container" >&2
  "$omf" check "$container" >&2

  # The tar holds the item files of one untimed extraction.
  "$omf" extract -o "$case_dir/items" "$container"
  (cd "$case_dir/items" && find . -name '*.dat' -printf '%P\n' | sort >../names)
  tar -cf "$tarball" -C "$case_dir/items" -T "$case_dir/names"
  data_bytes=$(cd "$case_dir/items" && find . -name '*.dat' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  files=$(wc -l <"$case_dir/names")
  [ "$files" -eq "$items" ] || { echo "run.sh: $name: $files item files, expected $items" >&2; exit 1; }

  # Warm-up: inputs into the page cache, each command once.
  cat "$container" "$tarball" >/dev/null
  for run in run_omf run_cp run_tar; do "$run"; done
  run_no=$((run_no + 1))
  rm -f "$case_dir"/*.s "$case_dir"/*.rss

  for ((r = 1; r <= reps; r++)); do
    for run in run_omf run_cp run_tar; do "$run"; done
    run_no=$((run_no + 1))
  done

  # The timed extractions must have written every item file.
  got=$(find "$last_omf_out" -name '*.dat' | wc -l)
  [ "$got" -eq "$items" ] || { echo "run.sh: $name: omf wrote $got item files" >&2; exit 1; }

  for cmd in omf cp tar; do echo "   $cmd s:" $(cat "$case_dir/$cmd.s") >&2; done
  t_omf=$(median <"$case_dir/omf.s")
  t_cp=$(median <"$case_dir/cp.s")
  t_tar=$(median <"$case_dir/tar.s")
  # Ratios within each repetition (runs next to each other share the
  # machine's state), then their median.
  r_tar=$(paste "$case_dir/omf.s" "$case_dir/tar.s" | awk '{ print $1 / $2 }' | median)
  r_cp=$(paste "$case_dir/omf.s" "$case_dir/cp.s" | awk '{ print $1 / $2 }' | median)
  rss=$(sort -g "$case_dir/omf.rss" | tail -1)
  b_omf=$(sort -g "$case_dir/omf.s" | head -1)
  b_cp=$(sort -g "$case_dir/cp.s" | head -1)
  b_tar=$(sort -g "$case_dir/tar.s" | head -1)
  best+=("$(awk -v n="$name" -v o="$b_omf" -v p="$b_cp" -v x="$b_tar" 'BEGIN {
      printf "| %s | %.3f | %.3f | %.3f | %.2f | %.2f |", n, o, p, x, o / x, o / p }')")
  rows+=("$(awk -v n="$name" -v i="$items" -v d="$data_bytes" \
    -v c="$(stat -c %s "$container")" -v t="$(stat -c %s "$tarball")" \
    -v o="$t_omf" -v p="$t_cp" -v x="$t_tar" -v rt="$r_tar" -v rc="$r_cp" -v m="$rss" 'BEGIN {
      printf "| %s | %d | %.0f | %.0f | %.0f | %.3f | %.3f | %.3f | %.2f | %.2f | %.1f |",
        n, i, d / 1048576, c / 1048576, t / 1048576, o, p, x, rt, rc, m / 1024 }')")
  [ "${name%%-*}" = small ] || rm -rf "$case_dir"  # a few inodes only
done

echo "| case | items | item data MiB | container MiB | tar MiB | omf s | cp s | tar -xf s | omf/tar | omf/cp | omf peak RSS MiB |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
echo
echo "Best of $reps (the fastest run of each command; the least disturbed state of the machine):"
echo
echo "| case | omf s | cp s | tar -xf s | omf/tar | omf/cp |"
echo "|---|---:|---:|---:|---:|---:|"
printf '%s\n' "${best[@]}"
echo

# ---------------------------------------------------------------- targets

verdict() {
  awk -F'|' -v what="$1" -v t="$2" -v c="$3" -v r="$4" '
    function trim(s) { gsub(/ /, "", s); return s }
    { n = trim($2); vs_tar[n] = $t + 0; vs_cp[n] = $c + 0; if (r) rss[n] = $r + 0 }
    END {
      ok = 1; worst = 0
      for (n in vs_tar) { if (vs_tar[n] > 1.0) ok = 0; if (vs_tar[n] > worst) worst = vs_tar[n] }
      printf "%s: omf <= tar -xf (all cases): %s (worst omf/tar %.2f)\n", what, ok ? "met" : "MISSED", worst
      ok = 1; worst = 0
      for (n in vs_cp) if (n ~ /^large/) { if (vs_cp[n] > 1.5) ok = 0; if (vs_cp[n] > worst) worst = vs_cp[n] }
      printf "%s: omf <= 1.5 x cp (large items): %s (worst omf/cp %.2f)\n", what, ok ? "met" : "MISSED", worst
      if (!r) exit
      lo = 1e18; hi = 0
      for (n in rss) { if (rss[n] < lo) lo = rss[n]; if (rss[n] > hi) hi = rss[n] }
      # 64-128 MiB items against 4-64 KiB items: a few MiB apart at most.
      printf "peak RSS independent of item size: %s (%.1f to %.1f MiB)\n", hi - lo <= 4 ? "met" : "MISSED", lo, hi
    }'
}
printf '%s\n' "${rows[@]}" | verdict median 10 11 12
printf '%s\n' "${best[@]}" | verdict "best of $reps" 6 7 0

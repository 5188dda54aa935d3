#!/usr/bin/env bash
# Checks omf_mkbench against the omf program: each generated container must
# pass `omf check`, and `omf extract` must give back exactly the item files
# the generator wrote alongside (--expect-dir), with one manifest line each;
# `omf list` must show type 25 exactly where --sized-every puts it. Then
# --data-seed: the same sizes as --seed gives, other bytes, and a container
# that still extracts to its own item files.
#   mkbench_test.sh OMF_MKBENCH OMF
set -euo pipefail
mkbench=$1
omf=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# block size | items | sizes | sized-every
# Sizes sit on and next to payload ends (B - 8 and its multiples) and
# include empty items; the smallest BlockSize makes every run cross links.
cases=(
  "44   23 0,1,36,24,72,100K,3       3"
  "64   40 1-3000                    2"
  "512  23 0,1,504,492,1008,100K,3   3"
  "512  12 2K                        0"
  "4096 17 4088,4076,8176,1M,1       1"
  "4096 300 4K-64K                   10"
)

failures=0
for c in "${cases[@]}"; do
  read -r b n sizes every <<<"$c"
  name="B$b-$n-$sizes"
  dir="$work/$b-$n-$every"
  mkdir -p "$dir"
  if ! "$mkbench" --block-size "$b" --items "$n" --sizes "$sizes" --sized-every "$every" \
         --expect-dir "$dir/expected" "$dir/c.omf" >/dev/null ||
     ! "$omf" check "$dir/c.omf" >/dev/null ||
     ! "$omf" extract -o "$dir/out" "$dir/c.omf"; then
    echo "FAIL $name: generate, check or extract failed"
    failures=$((failures + 1))
    continue
  fi
  if ! diff -r -x result.log "$dir/expected" "$dir/out" >/dev/null; then
    echo "FAIL $name: extracted item files differ from the generated data"
    failures=$((failures + 1))
  fi
  lines=$(grep -c '\.dat' "$dir/out/result.log" || true)
  if [ "$lines" != "$n" ]; then
    echo "FAIL $name: result.log names $lines item files, expected $n"
    failures=$((failures + 1))
  fi
  # Entries 1, 1+K, 1+2K, ... are type 25 (every entry for K = 1), the
  # others type 2.
  want=$(awk -v n="$n" -v k="$every" 'BEGIN {
    for (i = 0; i < n; i++) printf "%d %d\n", i, (k > 0 && i % k == 1 % k) ? 25 : 2 }')
  got=$("$omf" list "$dir/c.omf" | awk '{ print $1, $3 }')
  if [ "$got" != "$want" ]; then
    echo "FAIL $name: item types differ from --sized-every $every"
    failures=$((failures + 1))
  fi
done

# --data-seed: block size | items | sizes. The sizes must be those of
# --seed alone, every non-empty item's bytes must differ, and the container
# made with it must extract to its own --expect-dir.
data_seed_cases=(
  "512  40 0-3000"
  "4096 6  0,4088,1M"
)
for c in "${data_seed_cases[@]}"; do
  read -r b n sizes <<<"$c"
  name="B$b-$n-$sizes --data-seed"
  dir="$work/data-seed-$b-$n"
  mkdir -p "$dir"
  if ! "$mkbench" --block-size "$b" --items "$n" --sizes "$sizes" --seed 7 \
         --expect-dir "$dir/seed" /dev/null >/dev/null ||
     ! "$mkbench" --block-size "$b" --items "$n" --sizes "$sizes" --seed 7 --data-seed 8 \
         --expect-dir "$dir/edited" "$dir/c.omf" >/dev/null ||
     ! "$omf" check "$dir/c.omf" >/dev/null ||
     ! "$omf" extract -o "$dir/out" "$dir/c.omf"; then
    echo "FAIL $name: generate, check or extract failed"
    failures=$((failures + 1))
    continue
  fi
  if ! diff -r -x result.log "$dir/edited" "$dir/out" >/dev/null; then
    echo "FAIL $name: extracted item files differ from the generated data"
    failures=$((failures + 1))
  fi
  sizes_seed=$(cd "$dir/seed" && stat -c '%n %s' *.dat)
  sizes_edited=$(cd "$dir/edited" && stat -c '%n %s' *.dat)
  if [ "$sizes_seed" != "$sizes_edited" ]; then
    echo "FAIL $name: item sizes differ from those of --seed alone"
    failures=$((failures + 1))
  fi
  for f in "$dir"/seed/*.dat; do
    if [ -s "$f" ] && cmp -s "$f" "$dir/edited/${f##*/}"; then
      echo "FAIL $name: ${f##*/} has the same bytes under both data seeds"
      failures=$((failures + 1))
    fi
  done
done
exit $((failures > 0))

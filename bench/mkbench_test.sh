#!/usr/bin/env bash
# Checks omf_mkbench against the omf program: each generated container must
# pass `omf check`, and `omf extract` must give back exactly the item files
# the generator wrote alongside (--expect-dir), with one manifest line each.
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
done
exit $((failures > 0))

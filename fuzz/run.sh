#!/usr/bin/env bash
# Runs every fuzz target for FUZZ_SECONDS seconds each, with a seed corpus
# and findings kept under fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
# Every rebuild syncs its file and its folder: with the work folder on disk
# fuzz_replay and fuzz_manifest managed about 70 runs a second, on tmpfs
# 300 to 1200.
if [ -z "${OMF_FUZZ_TMP:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export OMF_FUZZ_TMP=/dev/shm
fi
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$here/corpus-$name"
  mkdir -p "$corpus" "$here/artifacts"
  [ -d "$here/seeds/$name" ] && cp -n "$here/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  "$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$here/artifacts/$name-" -print_final_stats=1
done

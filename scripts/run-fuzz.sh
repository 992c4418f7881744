#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on the corpus the project seeds itself.
#
#   scripts/run-fuzz.sh BUILD-DIR SECONDS
#
# A target that finds a crash, a hang or a broken invariant stops with its input saved beside
# the corpus (crash-*, timeout-*) and this script fails.
set -euo pipefail
dir=${1:-build/linux-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
corpus="$dir/corpus"
"$dir/bin/fuzz_seeds" "$corpus" "$root/resources/img"
status=0
for target in chunks session png dispatch; do
  mkdir -p "$corpus/$target" "$dir/findings/$target"
  log="$dir/fuzz-$target.log"
  echo "fuzz: $target for $seconds s"
  if ! "$dir/bin/fuzz_$target" -max_total_time="$seconds" -seed=1 -timeout=10 \
      -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$dir/findings/$target/" \
      "$corpus/$target" > "$log" 2>&1; then
    echo "fuzz: $target FAILED, see $log"
    tail -n 40 "$log"
    status=1
    continue
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec)|cov: " "$log" | tail -n 3
done
exit $status

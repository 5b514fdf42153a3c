#!/usr/bin/env bash
# Runs each libFuzzer target (built by scripts/build-asan.sh) for SECONDS (default 10) over
# its seeds, tests/data/bad and the inputs earlier runs kept.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#   targets: itex tiff config batch zephmeta link slices
# New inputs collect in build-asan/corpus/TARGET, findings in build-asan/findings/, the
# output in build-asan/fuzz-TARGET.log. CIRVO_FUZZ_FLAGS adds libFuzzer options, e.g.
# "-fork=1 -ignore_crashes=1". Exits with 1 when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(itex tiff config batch zephmeta link slices)
read -r -a extra <<< "${CIRVO_FUZZ_FLAGS:-}"

bash scripts/build-asan.sh
rm -rf build-asan/seeds
build-asan/fuzz/cirvo-fuzz-seeds build-asan/seeds
mkdir -p build-asan/findings

status=0
for t in "${targets[@]}"; do
  mkdir -p "build-asan/corpus/$t"
  log="build-asan/fuzz-$t.log"
  echo "Fuzzing $t for $seconds s (log: $log)"
  if ! "build-asan/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -dict="fuzz/dict/$t.dict" \
      -artifact_prefix="$PWD/build-asan/findings/$t-" "${extra[@]}" \
      "build-asan/corpus/$t" "build-asan/seeds/$t" "tests/data/bad/$t" < /dev/null > "$log" 2>&1
  then
    status=1
    tail -n 60 "$log"
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added)|DONE ' "$log" || true
done
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample data set and starts Cirvo on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
sample="$PWD/sample"
build/src/tools/cirvo-phantom --out "$sample"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Cirvo with the data root $sample"
  exec build/src/app/cirvo -d "$sample"
fi
echo "No display: starting Cirvo without a window (-nw) and ending it after a few seconds."
build/src/app/cirvo -nw -d "$sample" &
pid=$!
sleep 3
kill -TERM "$pid"
wait "$pid"
echo "Cirvo started and ended cleanly. The sample data set is in $sample"

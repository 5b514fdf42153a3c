#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample data set and reconstructs it headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The programs only; the test command builds the tests and benches.
bash scripts/build.sh cirvo cirvo-recon cirvo-phantom cirvo-view
sample="$PWD/sample"
slices="$sample/slices"
build/src/tools/cirvo-phantom --out "$sample"
echo "Reconstructing slices 32 to 224 (every 16th) of the sample into $slices"
QT_LOGGING_RULES="cirvo.*.debug=false" build/src/tools/cirvo-recon "$sample/phantom.his" \
  --i0 "$sample/I0.img" --bg "$sample/BG.img" --slices 32:224:16 \
  --out "$slices" --name phantom --truth "$sample/truth.his" --progress
echo "The slices (PNG pictures and #CIRVO-CTImg data files) are in $slices"
echo "Look at one: build/src/tools/cirvo-view $slices/phantom--00128.png"

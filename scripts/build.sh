#!/usr/bin/env bash
# Configures and builds Cirvo into ./build; warnings are errors. With targets, only those (and
# what they need): scripts/build.sh cirvo cirvo-recon.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCIRVO_WERROR=ON
cmake --build build -j "$(nproc)" ${1:+--target "$@"}

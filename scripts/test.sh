#!/usr/bin/env bash
# Installs what is missing (Open MPI too, for cirvo-recon-mpi and its test), builds, and runs the
# whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh libopenmpi-dev openmpi-bin
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"

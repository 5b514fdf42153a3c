#!/usr/bin/env bash
# Builds cirvo_core, the core tests and the fuzz targets with clang, AddressSanitizer and UBSan
# into ./build-asan (clang: GCC's sanitizers raise false -Warray-bounds warnings in Qt's headers).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCIRVO_WERROR=ON -DCIRVO_SANITIZE=ON -DCIRVO_FUZZ=ON
cmake --build build-asan -j "$(nproc)"

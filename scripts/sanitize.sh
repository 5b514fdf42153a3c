#!/usr/bin/env bash
# Runs the core tests built with AddressSanitizer and UBSan (scripts/build-asan.sh); any
# finding stops the test that met it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-asan.sh
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 900

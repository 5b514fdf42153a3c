#!/usr/bin/env bash
# A CT-XAFS series through cirvo-recon against one data set of it: the slices per second of a
# single-set run and of the series run, and the peak resident memory of a series run over one
# set and over all of them (memory that stays flat across sets shows as equal peaks).
#   bench/series.sh [ENERGIES] [SLICES]    (default 20 energies x 64 slices of the
#                                           256 x 256 x 360 sample)
# Needs the build (scripts/build.sh) and about 1 GiB of space in the temporary directory.
set -euo pipefail
cd "$(dirname "$0")/.."
energies=${1:-20}
slices=${2:-64}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_LOGGING_RULES="cirvo.*.debug=false"

list=$(/usr/bin/python3 -c "print(','.join(str(7050 + 10 * k) for k in range($energies)))")
build/src/tools/cirvo-phantom --series --energies "$list" --layouts dirs --no-truth \
  --out "$work/series" > /dev/null
first=$((128 - slices / 2))
last=$((first + slices - 1))
common=(--bg "$work/series/BG.img" --slices "$first:$last" --out "$work/out")

measure() { # label sets command... -> one line: label, sets, wall s, slices/s, peak MiB
  local label=$1 sets=$2
  shift 2
  rm -rf "$work/out"
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null
  read -r wall kib < "$work/time"
  /usr/bin/python3 -c "print(f'{\"$label\":<22} {$sets:>4} {$wall:>8.2f} {$sets * $slices / $wall:>9.2f} {$kib / 1024:>9.1f}')"
}

printf '%-22s %4s %8s %9s %9s\n' run sets 'wall s' slices/s 'peak MiB'
one=$(ls -d "$work"/series/dirs/*/ | head -1)
measure "single data set" 1 build/src/tools/cirvo-recon "$one"*.img \
  --i0 "$(ls "$work"/series/i0/*.img | head -1)" "${common[@]}"
measure "series, first set" 1 build/src/tools/cirvo-recon --series "$work/series/dirs" \
  --i0-dir "$work/series/i0" --sets 1:1 "${common[@]}"
measure "series, all sets" "$energies" build/src/tools/cirvo-recon --series "$work/series/dirs" \
  --i0-dir "$work/series/i0" "${common[@]}"

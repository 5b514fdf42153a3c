#!/usr/bin/env bash
# A run shared by processes against one process: 64 slices of the 256 x 256 x 360 sample, one
# worker per process, as one cirvo-recon, as two --shard runs side by side, and as
# cirvo-recon-mpi on 1 and 2 ranks, without files, with data files and with data files and
# pictures; the best wall time of REPEATS and the speed-ups.
# With a full-size data set (cirvo-phantom --width 2048 --height 2048 --projections 1800) as
# FULLSIZE, also the single-node figures that a cluster estimate starts from: seconds per slice on
# this machine's cores, and bytes written per slice for each kind of file.
#   bench/scaleout.sh [SLICES] [REPEATS]      (default 64 slices, 3 repeats)
# Needs the build with cirvo-recon-mpi (scripts/test.sh installs Open MPI) and the sample
# (scripts/main-job.sh writes it).
set -euo pipefail
cd "$(dirname "$0")/.."
slices=${1:-64}
repeats=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_LOGGING_RULES="cirvo.*.debug=false"
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
recon=build/src/tools/cirvo-recon
mpi=build/src/tools/cirvo-recon-mpi
first=$((128 - slices / 2))

best() { # command... -> the best wall time in seconds of $repeats runs
  local best=
  for _ in $(seq "$repeats"); do
    rm -rf "$work/out"
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    best=$(/usr/bin/python3 -c "t = $end - $start; b = '$best'; print(min(t, float(b)) if b else t)")
  done
  echo "$best"
}

shards() { # two --shard runs side by side
  "$recon" "${common[@]}" --shard 0/2 & local first=$!
  "$recon" "${common[@]}" --shard 1/2
  wait "$first"
}

# UCX, Open MPI's default transport, takes 0.2 s more to start on this machine and brings
# nothing between ranks of one node.
mpirun=(mpirun --oversubscribe --bind-to none --mca pml ob1)
row() { # label seconds baseline -> one line
  /usr/bin/python3 -c "print(f'{\"$1\":<28} {$2:>7.3f} s {$3 / $2:>6.2f} x')"
}
echo "$slices slices of the sample, one worker per process, best of $repeats;"
echo "MPI against -np 1, shards against one cirvo-recon"
for save in "" data data,png; do
  common=(sample/phantom.his --i0 sample/I0.img --bg sample/BG.img --threads 1 --save "$save"
          --slices "$first:$((first + slices - 1))" --out "$work/out")
  echo "--save \"$save\""
  one=$(best "$recon" "${common[@]}")
  row "  cirvo-recon" "$one" "$one"
  row "  --shard 0/2 and 1/2" "$(best shards)" "$one"
  if [ -x "$mpi" ]; then
    np1=$(best "${mpirun[@]}" -np 1 "$mpi" "${common[@]}")
    row "  mpirun -np 1" "$np1" "$np1"
    row "  mpirun -np 2" "$(best "${mpirun[@]}" -np 2 "$mpi" "${common[@]}")" "$np1"
  else
    echo "  cirvo-recon-mpi was not built (no MPI found): no MPI runs"
  fi
done

[ -n "${FULLSIZE:-}" ] || exit 0
echo
echo "Full-size data set $FULLSIZE, 8 slices, all cores"
for precision in single double; do
  for save in data png tiff; do
    rm -rf "$work/full"
    start=$(date +%s.%N)
    "$recon" "$FULLSIZE/phantom.his" --i0 "$FULLSIZE/I0.img" --bg "$FULLSIZE/BG.img" \
      --slices 1020:1027 --precision "$precision" --save "$save" --out "$work/full" > /dev/null
    end=$(date +%s.%N)
    bytes=$(du -sb "$work/full" | cut -f1)
    /usr/bin/python3 -c "print(f'{\"$precision\":<7} {\"$save\":<5} {($end - $start) / 8:6.2f} s per slice (load included), {$bytes / 8 / 1e6:6.1f} MB per slice')"
  done
done

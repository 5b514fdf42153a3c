#!/usr/bin/env bash
# Reconstructs slices of the same size with cirvo-recon, scikit-image's iradon, ctsim's pjrec and
# UFO's ufo-launch on this machine, and prints each tool's back-projection updates per second
# (pixels inside the circle x projections x slices / seconds of the timed part) and cirvo's
# ratios to each peer. cirvo-recon runs with either precision three ways: one slice with one
# worker, 8 slices with two workers (one slice per worker; pjrec and UFO spread their one slice
# over the cores themselves), both writing no files, and 4 slices with two workers writing their
# data files. UFO runs once untimed first, since its first run compiles the OpenCL kernels; its
# slice is checked against the phantom.
#   bench/compare.sh [N ...]        (default: 512 1024; R = 1.5 N projections)
# Needs the build (scripts/build.sh) and Debian's python3-skimage and ctsim; UFO (libufo-bin,
# ufo-filters, pocl-opencl-icd) is optional and shown as "-" where it is missing or fails.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_LOGGING_RULES="cirvo.*.debug=false"

seconds() { # command... -> wall seconds
  local start end
  start=$(date +%s.%N)
  if ! "$@" > /dev/null 2>&1; then
    echo "failed: $*" >&2
    return 1
  fi
  end=$(date +%s.%N)
  /usr/bin/python3 -c "print($end - $start)"
}

ufo() { # N R sinogram slice -> UFO's filtered back-projection of one raw float sinogram
  local n=$1 r=$2 pad=2
  while [ $pad -lt $((2 * n)) ]; do pad=$((pad * 2)); done
  # pocl 3.1 has no image format for the texture (linear) mode, so nearest it is; the axis sits
  # at sample N / 2 of the sinogram, N / 2 + 0.5 in UFO's terms; padding keeps the ramp's tails.
  UFO_DEVICE_TYPE=cpu ufo-launch -q read path="$3" raw-width="$n" raw-height="$r" \
    raw-bitdepth=32 ! fft dimensions=1 size-x=$pad ! filter filter=ramp \
    ! ifft dimensions=1 crop-width="$n" ! backproject axis-pos="$((n / 2)).5" mode=nearest \
    ! write filename="$4"
}

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(512 1024)
checks=()
for n in "${sizes[@]}"; do
  r=$((n * 3 / 2))
  updates=$(/usr/bin/python3 -c "
g = $n / 2
print(sum(1 for z in range($n) for x in range($n) if ((x - g) ** 2 + (z - g) ** 2) ** 0.5 < g) * $r)")

  # Width n + 4 about the middle gives transforms of length n.
  build/src/tools/cirvo-phantom --out "$work/p$n" --width $((n + 4)) --height 10 \
    --projections $r --no-truth > /dev/null
  cirvo=()
  for precision in double single; do
    for run in "1 1 1" "8 2 1:8" "4 2 1:4 data"; do
      read -r slices threads range save <<< "$run"
      t=$(seconds build/src/tools/cirvo-recon "$work/p$n/phantom.his" --slices "$range" \
        --threads "$threads" --precision $precision --out "$work/out" --save "${save:-}")
      cirvo+=("$precision ${slices}x$threads${save:+ $save},$slices,$t")
    done
  done

  # Also leaves the phantom and its sinogram (one row per projection) as raw floats for UFO.
  t_sk=$(/usr/bin/python3 - "$n" "$r" "$work" << 'PY'
import sys, time
import numpy as np
from skimage.transform import iradon, radon
from skimage.data import shepp_logan_phantom
from skimage.transform import resize
n, r, work = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
image = resize(shepp_logan_phantom(), (n, n))
theta = np.arange(r) * 180.0 / r
sinogram = radon(image, theta=theta, circle=True)
start = time.perf_counter()
iradon(sinogram, theta=theta, filter_name="ramp", interpolation="linear", circle=True)
print(time.perf_counter() - start)
image.astype("<f4").tofile(f"{work}/phantom{n}.raw")
sinogram.T.astype("<f4").tofile(f"{work}/sinogram{n}.raw")
PY
)

  phm2pj "$work/pj$n" "$n" "$r" --phantom shepp-logan > /dev/null
  t_pj=$(seconds pjrec "$work/pj$n" "$work/im$n" "$n" "$n" --interp linear --filter-method fftw)

  t_ufo=-
  if command -v ufo-launch > /dev/null && seconds ufo "$n" "$r" "$work/sinogram$n.raw" \
    "$work/ufo$n.raw" > /dev/null && t=$(seconds ufo "$n" "$r" "$work/sinogram$n.raw" \
      "$work/ufo$n.raw"); then
    t_ufo=$t
    # UFO turns the other way: its slice is the phantom mirrored about row N / 2.
    checks+=("$(/usr/bin/python3 - "$n" "$work" << 'PY'
import sys
import numpy as np
n, work = int(sys.argv[1]), sys.argv[2]
phantom = np.fromfile(f"{work}/phantom{n}.raw", "<f4").reshape(n, n)
rec = np.fromfile(f"{work}/ufo{n}.raw", "<f4").reshape(n, n)
mirrored = phantom[(n - np.arange(n)) % n]
z, x = np.mgrid[:n, :n] - n / 2
inside = np.hypot(z, x) < 0.9 * n / 2
print("ufo, N = %d: correlation with the phantom inside 0.9 of the radius %.4f"
      % (n, np.corrcoef(rec[inside], mirrored[inside])[0, 1]))
PY
)")
  fi

  /usr/bin/python3 - "$n" "$r" "$updates" "$t_sk" "$t_pj" "$t_ufo" "${cirvo[@]}" << 'PY'
import sys
n, r, u = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
peers = {"skimage": sys.argv[4], "pjrec": sys.argv[5], "ufo": sys.argv[6]}
rate = {k: u / float(t) for k, t in peers.items() if t != "-"}
print("N %d, R %d: %s updates/s" % (n, r, ", ".join(
    "%s %s" % (k, "%.3g" % rate[k] if k in rate else "-") for k in peers)))
for run in sys.argv[7:]:
    name, slices, t = run.split(",")
    c = int(slices) * u / float(t)
    print("  cirvo %-18s %9.3g %s" % (name, c, "  ".join(
        "%6s x %s" % ("%.1f" % (c / rate[k]) if k in rate else "-", k) for k in peers)))
PY
done
for check in "${checks[@]}"; do echo "$check"; done

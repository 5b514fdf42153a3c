#!/usr/bin/env bash
# Reconstructs slices of the same size with cirvo-recon, scikit-image's iradon, ctsim's pjrec and
# UFO's ufo-launch on this machine, and prints each tool's back-projection updates per second
# (pixels inside the circle x projections x slices / seconds of the timed part) and the ratios.
# cirvo-recon runs twice: one slice with one worker, and 8 slices with two workers (one slice per
# worker; pjrec and UFO spread their one slice over the cores themselves). UFO runs once untimed
# first, since its first run compiles the OpenCL kernels; its slice is checked against the phantom.
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
printf '%6s %6s %12s %12s %12s %12s %12s %18s %18s %18s\n' N R 'cirvo 1x1' 'cirvo 8x2' skimage \
  pjrec ufo 'vs skimage (1x1 8x2)' 'vs pjrec (1x1 8x2)' 'vs ufo (1x1 8x2)'
for n in "${sizes[@]}"; do
  r=$((n * 3 / 2))
  updates=$(/usr/bin/python3 -c "
g = $n / 2
print(sum(1 for z in range($n) for x in range($n) if ((x - g) ** 2 + (z - g) ** 2) ** 0.5 < g) * $r)")

  # Width n + 4 about the middle gives transforms of length n.
  build/src/tools/cirvo-phantom --out "$work/p$n" --width $((n + 4)) --height 10 \
    --projections $r --no-truth > /dev/null
  t_cirvo=$(seconds build/src/tools/cirvo-recon "$work/p$n/phantom.his" --slices 1 \
    --threads 1 --save "")
  t_cirvo8=$(seconds build/src/tools/cirvo-recon "$work/p$n/phantom.his" --slices 1:8 \
    --threads 2 --save "")

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

  /usr/bin/python3 -c "
u = $updates
c, c8, s, p = u / $t_cirvo, 8 * u / $t_cirvo8, u / $t_sk, u / $t_pj
f = None if '$t_ufo' == '-' else u / float('$t_ufo')
print('%6d %6d %12.3g %12.3g %12.3g %12.3g %12s %9.1f %8.1f %9.1f %8.1f %9s %8s'
      % ($n, $r, c, c8, s, p, '-' if f is None else '%.3g' % f, c / s, c8 / s, c / p, c8 / p,
         '-' if f is None else '%.1f' % (c / f), '-' if f is None else '%.1f' % (c8 / f)))"
done
for check in "${checks[@]}"; do echo "$check"; done

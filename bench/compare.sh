#!/usr/bin/env bash
# Reconstructs slices of the same size with cirvo-recon, scikit-image's iradon and ctsim's pjrec
# on this machine, and prints each tool's back-projection updates per second (pixels inside the
# circle x projections x slices / seconds of the whole run, process start and loading included)
# and the ratios. cirvo-recon runs twice: one slice with one worker, and 8 slices with two
# workers (one slice per worker; pjrec spreads its one slice over the cores itself).
#   bench/compare.sh [N ...]        (default: 512 1024; R = 1.5 N projections)
# Needs the build (scripts/build.sh) and Debian's python3-skimage and ctsim.
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

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(512 1024)
printf '%6s %6s %12s %12s %12s %12s %18s %18s\n' N R 'cirvo 1x1' 'cirvo 8x2' skimage pjrec \
  'vs skimage (1x1 8x2)' 'vs pjrec (1x1 8x2)'
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

  t_sk=$(/usr/bin/python3 - "$n" "$r" << 'PY'
import sys, time
import numpy as np
from skimage.transform import iradon, radon
from skimage.data import shepp_logan_phantom
from skimage.transform import resize
n, r = int(sys.argv[1]), int(sys.argv[2])
image = resize(shepp_logan_phantom(), (n, n))
theta = np.arange(r) * 180.0 / r
sinogram = radon(image, theta=theta, circle=True)
start = time.perf_counter()
iradon(sinogram, theta=theta, filter_name="ramp", interpolation="linear", circle=True)
print(time.perf_counter() - start)
PY
)

  phm2pj "$work/pj$n" "$n" "$r" --phantom shepp-logan > /dev/null
  t_pj=$(seconds pjrec "$work/pj$n" "$work/im$n" "$n" "$n" --interp linear --filter-method fftw)

  /usr/bin/python3 -c "
u = $updates
c, c8, s, p = u / $t_cirvo, 8 * u / $t_cirvo8, u / $t_sk, u / $t_pj
print('%6d %6d %12.3g %12.3g %12.3g %12.3g %9.1f %8.1f %9.1f %8.1f'
      % ($n, $r, c, c8, s, p, c / s, c8 / s, c / p, c8 / p))"
done

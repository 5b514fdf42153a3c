"""iradon's relative RMS error for cirvo-bench-quality's sinograms, one line per sinogram.

usage: quality_skimage.py TRUTH MASK N ROWS RANGE_DEG [SINOGRAM FILTER]...
Files are raw float64: truth and mask N x N, each sinogram ROWS x N (projections as rows).
Exits with 2 when numpy or scikit-image is missing.
"""
import sys

try:
    import numpy as np
    from skimage.transform import iradon
except ImportError:
    sys.exit(2)


def relative_error(rec, truth, mask):
    inside = mask > 0
    r, t = rec[inside], truth[inside]
    s = np.dot(r, t) / np.dot(r, r)
    return np.linalg.norm(s * r - t) / np.linalg.norm(t)


def main(argv):
    truth_path, mask_path, n, rows, range_deg = argv[1:6]
    n, rows, range_deg = int(n), int(rows), float(range_deg)
    truth = np.fromfile(truth_path, dtype=np.float64).reshape(n, n)
    mask = np.fromfile(mask_path, dtype=np.float64).reshape(n, n)
    # Row r was taken at r * range / rows degrees with X cos - Z sin = j - n // 2, iradon's
    # convention for image[Z, X] with the centre at n // 2.
    theta = np.arange(rows) * range_deg / rows
    pairs = argv[6:]
    for path, filter_name in zip(pairs[0::2], pairs[1::2]):
        sinogram = np.fromfile(path, dtype=np.float64).reshape(rows, n)
        rec = iradon(sinogram.T, theta=theta, output_size=n, filter_name=filter_name,
                     interpolation="linear", circle=True)
        print(f"{relative_error(rec, truth, mask):.6f}")


if __name__ == "__main__":
    main(sys.argv)

#!/usr/bin/env python3
"""NumPy's savetxt then loadtxt of the 1000 x 1000 matrix of matrix_files_bench.cpp,
in the same element format ("%25.16e"), for comparison with BM_SaveLoadText.
Usage: /usr/bin/python3 bench/matrix_files_numpy.py [folder]"""
import os
import sys
import time

import numpy as np


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "/tmp"
    n = 1000
    i, j = np.indices((n, n))
    m = (i - j) * 0.37 + j / 7.0
    path = os.path.join(folder, "kj_bench_numpy.txt")
    best = float("inf")
    for _ in range(3):
        t0 = time.perf_counter()
        np.savetxt(path, m, fmt="%25.16e")
        back = np.loadtxt(path)
        best = min(best, time.perf_counter() - t0)
        assert np.array_equal(back, m)
    os.remove(path)
    print(f"numpy savetxt+loadtxt {n}x{n}: {best * 1000:.0f} ms")


if __name__ == "__main__":
    main()

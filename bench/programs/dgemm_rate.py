# The rate of the 1000 x 1000 matrix product through NumPy: prints
# "dgemm GFLOPS" with the best of the timed rounds, as dgemm_rate.kj does.
import time

import numpy as np


def filled(n, c):
    r = np.arange(1, n + 1, dtype=float)
    x = np.outer(r, r) * c
    return x - np.floor(x)


n, reps = 1000, 20
a = filled(n, 0.6180339887498949)
b = filled(n, 0.41421356237309515)
c = a @ b
best = 0.0
for _ in range(3):
    t0 = time.perf_counter()
    for _ in range(reps):
        c = a @ b
    seconds = time.perf_counter() - t0
    best = max(best, 2e-9 * n ** 3 * reps / seconds)
print("dgemm %.2f" % best)

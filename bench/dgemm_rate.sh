#!/bin/sh
# The 1000 x 1000 product in Kj against NumPy on the same OpenBLAS, in one
# run: Kj as a user gets it, NumPy with the kernel that Kj reports (so that
# both call the same dgemm code) and NumPy with OpenBLAS's own choice.
# Rounds alternate between the programs; each line gives the best GFLOP/s.
# Usage: bench/dgemm_rate.sh [path/to/kj] (ROUNDS=3 by default)
here=$(cd "$(dirname "$0")" && pwd)
kj=${1:-$here/../build/kj}
case $kj in /*) ;; *) kj=$PWD/$kj ;; esac  # the script changes folder below
rounds=${ROUNDS:-3}
python=${PYTHON:-/usr/bin/python3}
cd "$here/programs" || exit 1
# The kernel Kj runs: the last word of "kernel NAME" in its verbose banner.
kernel=$(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$kj" -v dgemm_rate.kj 2>&1 | sed -n 's/.*; kernel \([A-Za-z0-9_]*\).*/\1/p')
[ -n "$kernel" ] || { echo "dgemm_rate.sh: no kernel name in the output of $kj -v" >&2; exit 1; }
rate() { "$@" | sed -n 's/^dgemm //p'; }
best_kj=0 best_same=0 best_own=0
i=0
while [ $i -lt "$rounds" ]; do
    k=$(rate env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$kj" -b dgemm_rate.kj)
    s=$(rate env -u OPENBLAS_L2_SIZE OPENBLAS_CORETYPE="$kernel" "$python" dgemm_rate.py)
    o=$(rate env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$python" dgemm_rate.py)
    best_kj=$(echo "if ($k > $best_kj) $k else $best_kj" | bc -l)
    best_same=$(echo "if ($s > $best_same) $s else $best_same" | bc -l)
    best_own=$(echo "if ($o > $best_own) $o else $best_own" | bc -l)
    i=$((i + 1))
done
printf "kj                        %8.2f GFLOP/s (kernel %s)\n" "$best_kj" "$kernel"
printf "numpy, same kernel        %8.2f GFLOP/s\n" "$best_same"
printf "numpy, OpenBLAS's choice  %8.2f GFLOP/s\n" "$best_own"
printf "kj / numpy (same kernel)  %8.2f\n" "$(echo "$best_kj / $best_same" | bc -l)"

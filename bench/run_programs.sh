#!/bin/sh
# Times the benchmark programs in Kj (build/kj) and in Python 3.
# Usage: bench/run_programs.sh [path/to/kj]
here=$(cd "$(dirname "$0")" && pwd)
kj=${1:-$here/../build/kj}
cd "$here/programs" || exit 1
for name in fib loop; do
    for run in "$kj -b $name.kj" "python3 $name.py"; do
        start=$(date +%s.%N)
        env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE $run > /dev/null
        end=$(date +%s.%N)
        printf "%-6s %-8s %6.2f s\n" "$name" "$(basename "${run%% *}")" "$(echo "$end - $start" | bc)"
    done
done

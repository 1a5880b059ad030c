#!/bin/sh
# Times the benchmark programs in Kj (build/kj) and in Python 3: the best of
# RUNS runs (default 5) of each whole program, start-up included.
# Usage: bench/run_programs.sh [path/to/kj]
here=$(cd "$(dirname "$0")" && pwd)
kj=${1:-$here/../build/kj}
runs=${RUNS:-5}
cd "$here/programs" || exit 1
. "$here/best_of.sh"
for name in fib loop; do
    k=$(best_of "$kj" -b "$name.kj")
    p=$(best_of python3 "$name.py")
    printf "%-6s kj %6.3f s   python3 %6.3f s   ratio %5.2f\n" "$name" "$k" "$p" "$(echo "$p / $k" | bc -l)"
done

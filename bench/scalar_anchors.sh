#!/bin/sh
# Times the scalar tasks of the shared benchmark against the interpreters
# that set the bar: Kj, lua5.4 and luajit with its compiler off, each on the
# task's program (the .lua twins lie beside the .kj files). One hyperfine
# invocation per task, the three commands interleaved round by round (round 0
# is a warm-up); prints the median wall time of each in milliseconds.
# lua5.4, luajit and hyperfine are for measuring only, not dependencies.
# Usage: bench/scalar_anchors.sh [KJ] [TASKS_DIR]   (RUNS, default 10)
here=$(cd "$(dirname "$0")" && pwd)
kj=${1:-$here/../build/kj}
tasks=${2:-$here/../../shared/bench/tasks}
runs=${RUNS:-10}
for tool in hyperfine lua5.4 luajit; do
    command -v "$tool" >/dev/null 2>&1 || { echo "scalar_anchors.sh: needs $tool" >&2; exit 2; }
done
csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
printf '%-12s %10s %10s %14s\n' task kj lua5.4 "luajit -joff"
for t in loop_scalar fib30 loop_index; do
    hyperfine -N -i --style none --runs 1 -L round "$(seq -s, 0 "$runs")" \
        "env BENCH_SIDE=kj BENCH_ROUND={round} $kj -b $tasks/$t.kj" \
        "env BENCH_SIDE=lua BENCH_ROUND={round} lua5.4 $tasks/$t.lua" \
        "env BENCH_SIDE=luajit BENCH_ROUND={round} luajit -joff $tasks/$t.lua" \
        --export-csv "$csv" >/dev/null 2>&1
    median() {
        grep "BENCH_SIDE=$1 " "$csv" | grep -v "BENCH_ROUND=0 " | cut -d, -f2 | sort -g |
            awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m * 1000 }'
    }
    printf '%-12s %10s %10s %14s\n' "$t" "$(median kj)" "$(median lua)" "$(median luajit)"
done

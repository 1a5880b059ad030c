#!/bin/sh
# Loading a 1,000,000 x 10 CSV file: Kj's loaddata against R's read.csv on
# the same file, whole processes (start-up included), best of RUNS (default 3).
# Usage: bench/csv_load.sh [path/to/kj]
here=$(cd "$(dirname "$0")" && pwd)
kj=${1:-$here/../build/kj}
runs=${RUNS:-3}
work=${TMPDIR:-/tmp}/kj_csv_bench
mkdir -p "$work" && cd "$work" || exit 1
if [ ! -s big.csv ]; then
    Rscript -e 'set.seed(1); d <- as.data.frame(matrix(rnorm(1e7), ncol = 10)); write.csv(d, "big.csv", row.names = FALSE)'
fi
cat > load.kj <<'KJ'
#include <kjstd.kjh>
main()
{
    decl m, n, y1, p1, y2, p2, f, d, vd, k, l;
    loaddata("big.csv", &m, &n, &y1, &p1, &y2, &p2, &f, &d, &vd, &k, &l);
    println(rows(m), " x ", columns(m));
}
KJ
. "$here/best_of.sh"
k=$(best_of "$kj" -b load.kj)
r=$(best_of Rscript -e 'd <- read.csv("big.csv"); cat(dim(d), "\n")')
printf "csv 1e6 x 10   kj loaddata %6.3f s   R read.csv %6.3f s   ratio %5.2f\n" "$k" "$r" "$(echo "$r / $k" | bc -l)"

# Sourced by the timing scripts: best_of CMD... prints the best wall time in
# seconds of $runs runs of CMD (output discarded), with the processor hints
# for the BLAS library removed from the environment of the timed command.
best_of() {
    best=
    i=0
    while [ $i -lt "$runs" ]; do
        start=$(date +%s.%N)
        env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$@" > /dev/null
        end=$(date +%s.%N)
        t=$(echo "$end - $start" | bc)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" -eq 1 ]; then best=$t; fi
        i=$((i + 1))
    done
    echo "$best"
}

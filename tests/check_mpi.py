#!/usr/bin/env python3
"""The MPI package under mpirun on this machine, one group of cases per run.

Usage: check_mpi.py MPIRUN KJ SOURCE_DIR GROUP

values:     every kind of value travels between two ranks and back unchanged
            (send/receive, broadcast), with the status of a receive; a value
            that cannot travel is a run-time error; mpi_wtime counts time
            before mpi_init on the scale of later readings.
reduce:     sum, max and min of a 1000 x 1000 matrix over 2 and 4 ranks,
            against the exact values (integer-valued data, so any order of
            additions gives the same sums).
montecarlo: examples/mpi_montecarlo.kj gives the same answer on 1, 2 and 4
            ranks, and one close to the theory.
failure:    a rank that stops on a run-time error ends the whole job, with its
            message, while the other rank waits for it.
Every mpirun has a time limit.
"""
import math
import os
import subprocess
import sys
import tempfile

from check_packages import check, finish


def mpirun(mpirun_path, kj, ranks, program, cwd, timeout=120):
    cmd = [mpirun_path]
    if os.geteuid() == 0:
        cmd.append("--allow-run-as-root")
    if ranks > 2:
        cmd.append("--oversubscribe")
    cmd += ["-np", str(ranks), kj, "-b", program]
    # Under the sanitizers, the leaks of the MPI library itself are not ours to report.
    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout, env=env)
    except subprocess.TimeoutExpired as e:
        return None, (e.stdout or b"").decode() + (e.stderr or b"").decode()
    return p.returncode, p.stdout.decode(errors="replace") + "\n--- stderr ---\n" + p.stderr.decode(errors="replace")


def write(d, name, text):
    path = os.path.join(d, name)
    with open(path, "w") as f:
        f.write(text)
    return path


VALUES = r"""
#include <kjstd.kjh>
#include <packages/mpi/mpi.kjh>

// Same type and same contents, arrays element by element.
same(const a, const b) {
    if (isint(a)) return isint(b) && a == b;
    if (isdouble(a)) return isdouble(b) && (a == b || (isnan(a) && isnan(b)));
    if (ismatrix(a)) return ismatrix(b) && rows(a) == rows(b) && columns(a) == columns(b) &&
                            (sizerc(a) == 0 || sumc(sumr((a .== b) .|| (isdotnan(a) .&& isdotnan(b)))) == sizerc(a));
    if (isstring(a)) return isstring(b) && a == b;
    if (isarray(a)) {
        if (!isarray(b) || sizeof(a) != sizeof(b)) return FALSE;
        decl i;
        for (i = 0; i < sizeof(a); ++i) if (!same(a[i], b[i])) return FALSE;
        return TRUE;
    }
    return FALSE;
}

main() {
    // The clock runs before mpi_init, on the same scale as after it.
    decl c0 = timer(), t0 = mpi_wtime(), t1, t2;
    while (timer() - c0 < 20) {}
    t1 = mpi_wtime();
    mpi_init();
    t2 = mpi_wtime();
    if (mpi_rank() == 0)
        println("clock ", t1 - t0 > 0.1 && t1 - t0 < 5 && t2 >= t1 && t2 - t1 < 60 ? "steady" : "WRONG");
    decl values = {42, -7, 2.5, -0.0, 1e-300, <1,2;3,4>, <>, zeros(0, 3), <1; .NaN; -.Inf>, "text", "",
                   "with\nnewline", {}, {1, "a", <5,6>}, {{"nested", {3}}, 2.0}}, k, st;
    if (mpi_rank() == 0) {
        // The comparison itself tells differences apart.
        println("differences ", same(<1;.NaN;3>, <1;.NaN;4>) || same({1, {"a"}}, {1, {"b"}}) || same(1, 1.0) ||
                                same(<1,2>, <1;2>) ? "missed" : "found");
        for (k = 0; k < sizeof(values); ++k) {
            mpi_send(values[k], 1, k);
            decl back = mpi_recv(1, k, &st);
            println("value ", k, same(values[k], back) ? " same" : " DIFFERENT");
        }
        println("status ", st[0], " ", st[1]);
    } else {
        for (k = 0; k < sizeof(values); ++k) mpi_send(mpi_recv(0, k), 0, k);
    }
    decl b = mpi_bcast(mpi_rank() == 1 ? values : 0, 1);
    if (mpi_rank() == 0) println("broadcast ", same(b, values) ? "same" : "DIFFERENT");
    mpi_barrier();
    if (mpi_rank() == 0) mpi_send(same, 1, 0);
    mpi_finalize();
}
"""

REDUCE = r"""
#include <packages/mpi/mpi.kjh>
main() {
    decl size = mpi_init(), rank = mpi_rank();
    ranseed(5);
    decl a = floor(ranu(1000, 1000) * 1000);          // the same on every rank
    decl s = mpi_reduce(a * (rank + 1), "sum", 0);
    decl hi = mpi_allreduce(a * (rank + 1), "max");
    decl lo = mpi_reduce(a * (rank + 1), "min", size - 1);
    if (rank == 0) {
        println("sum rows ", rows(s), " columns ", columns(s));
        println("sum error ", max(fabs(s - a * size * (size + 1) / 2)));
        println("other ranks get ", rows(lo), " x ", columns(lo));
    }
    if (rank == size - 1) println("min error ", max(fabs(lo - a)));
    println("max error ", max(fabs(hi - a * size)));
    mpi_finalize();
}
"""

FAILURE = r"""
#include <packages/mpi/mpi.kjh>
main() {
    mpi_init();
    if (mpi_rank() == 1) {
        decl x = <1,2> * <3,4>;
    }
    decl v = mpi_recv(-1, -1);
    println("never here ", v);
    mpi_finalize();
}
"""


def group_values(run, d):
    status, out = run(2, write(d, "values.kj", VALUES))
    check("values", status is not None, "time limit", out)
    for k in range(15):
        check("values", f"value {k} same" in out, f"value {k} round trip", out)
    check("values", "clock steady" in out, "mpi_wtime runs before mpi_init, on one scale", out)
    check("values", "differences found" in out, "the comparison works", out)
    check("values", "status 1 14" in out, "status of the last receive", out)
    check("values", "broadcast same" in out, "broadcast", out)
    check("values", "mpi_send(): cannot send a value of type" in out and status != 0,
          "a function cannot be sent", out)


def group_reduce(run, d):
    prog = write(d, "reduce.kj", REDUCE)
    for ranks in (2, 4):
        status, out = run(ranks, prog)
        case = f"reduce on {ranks}"
        check(case, status == 0, "runs", out)
        check(case, "sum rows 1000 columns 1000" in out and "sum error 0" in out, "sum", out)
        check(case, out.count("max error 0") == ranks, "allreduce max on every rank", out)
        check(case, "min error 0" in out and "other ranks get 0 x 0" in out, "min on the last rank", out)


def group_montecarlo(run, d, source_dir):
    example = os.path.join(source_dir, "examples", "mpi_montecarlo.kj")
    results = {}
    for ranks in (1, 2, 4):
        status, out = run(ranks, example)
        check(f"montecarlo {ranks}", status == 0, "runs", out)
        body = out.split("--- stderr ---")[0]
        check(f"montecarlo {ranks}", f"on {ranks} rank" in body, "rank count", out)
        results[ranks] = [line for line in body.splitlines() if line.startswith(("mean", "std", "rej"))]
    check("montecarlo", len(results[1]) == 3 and results[1] == results[2] == results[4],
          "the same answer on 1, 2 and 4 ranks", repr(results))
    if len(results[1]) == 3:
        mean, sd, rej = (float(line.split()[-1]) for line in results[1])
        # Theory: an unbiased slope; its standard deviation is about
        # 1 / sqrt(n var x) = 1 / sqrt(50 / 12); the test rejects 5% of the time.
        # 4000 replications: standard errors 0.008, 0.006 and 0.0035.
        check("montecarlo", abs(mean - 0.5) < 0.03, "mean slope", repr(results))
        check("montecarlo", abs(sd - 1 / math.sqrt(50 / 12)) < 0.03, "std of slope", repr(results))
        check("montecarlo", abs(rej - 0.05) < 0.015, "rejection rate", repr(results))


def group_failure(run, d):
    status, out = run(2, write(d, "failure.kj", FAILURE), 60)
    check("failure", status is not None, "the job hung", out)
    check("failure", status != 0, "the job fails", out)
    check("failure", "bad operand" in out and "never here" not in out, "the error message", out)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    mpirun_path, kj, source_dir, group = sys.argv[1:]
    kj = os.path.abspath(kj)
    with tempfile.TemporaryDirectory() as d:
        def run(ranks, program, timeout=120):
            return mpirun(mpirun_path, kj, ranks, program, d, timeout)

        if group == "montecarlo":
            group_montecarlo(run, d, source_dir)
        else:
            {"values": group_values, "reduce": group_reduce, "failure": group_failure}[group](run, d)
    finish(group)


if __name__ == "__main__":
    main()

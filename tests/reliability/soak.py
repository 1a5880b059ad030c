#!/usr/bin/env python3
"""The long run: kj runs soak.kj for the given number of seconds (default 600)
while this script samples its resident memory every two seconds. From the end
of the first minute (or a tenth of the run, when shorter) on, resident memory
must stay within 10% of its level then.

    soak.py path/to/kj [seconds]
"""
import os
import subprocess
import sys
import time


def resident_kb(pid):
    with open("/proc/%d/statm" % pid) as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGESIZE") // 1024


def main():
    kj = sys.argv[1]
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 600
    settle = min(60, seconds / 10)
    here = os.path.dirname(os.path.abspath(__file__))
    env = dict(os.environ, KJ_SOAK_SECONDS=str(seconds))
    proc = subprocess.Popen([kj, "-b", os.path.join(here, "soak.kj")], env=env,
                            stdout=subprocess.PIPE, text=True)
    start = time.time()
    samples = []
    while proc.poll() is None:
        try:
            samples.append((time.time() - start, resident_kb(proc.pid)))
        except (OSError, IndexError):
            break
        time.sleep(2)
    out = proc.communicate()[0]
    print(out.strip())
    if proc.returncode != 0 or not samples:
        print("soak: kj ended with %d" % proc.returncode)
        return 1
    base = next((kb for t, kb in samples if t >= settle), samples[-1][1])
    later = [kb for t, kb in samples if t >= settle]
    peak = max(later) if later else base
    minute = 0
    for t, kb in samples:
        if t >= minute * 60:
            print("  %4.0f s: resident %d KB" % (t, kb))
            minute += 1
    print("resident after %.0f s: %d KB; highest after that: %d KB (%+.1f%%); last: %d KB"
          % (settle, base, peak, 100.0 * (peak - base) / base, samples[-1][1]))
    return 0 if peak <= base * 1.10 else 1


if __name__ == "__main__":
    sys.exit(main())

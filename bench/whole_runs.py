#!/usr/bin/env python3
"""Times whole runs of sin_cos, files included, side by side in one run:
the default calibration, --tight, and a plain writing-out of the same steps
(bench/plain_sin_cos.cpp), taken in turn so that the machine's drift hits all
three alike. Checks that the default run and the plain one write the same
bytes, then prints the median wall time of each and the ratios.

    bench/whole_runs.py --bin build/sin_cos --plain build/bench/plain_sin_cos [--runs 11] [--answers "-1 1 2 4 100000"]
"""
import argparse
import filecmp
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def run(command, answers, where):
    start = time.perf_counter()
    done = subprocess.run(command, input=answers, cwd=where, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed ({done.returncode}): {done.stderr}")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--plain", required=True)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--answers", default="-1 1 2 4 100000")
    args = parser.parse_args()
    answers = args.answers + "\n"
    commands = {"plain": [str(Path(args.plain).resolve())],
                "default": [str(Path(args.bin).resolve())],
                "tight": [str(Path(args.bin).resolve()), "--tight"]}
    times = {name: [] for name in commands}
    with tempfile.TemporaryDirectory() as top:
        dirs = {name: Path(top) / name for name in commands}
        for d in dirs.values():
            d.mkdir()
        for name, command in commands.items():  # warm-up
            run(command, answers, dirs[name])
        for name in ("Sin_Cos.res", "Sin_Cos_g1_f1.res"):
            if not filecmp.cmp(dirs["plain"] / name, dirs["default"] / name, shallow=False):
                sys.exit(f"{name} differs between the plain run and the default run")
        for _ in range(args.runs):
            for name, command in commands.items():
                times[name].append(run(command, answers, dirs[name]))
    median = {name: statistics.median(t) for name, t in times.items()}
    print(f"answers {args.answers!r}, {args.runs} runs each, median wall time:")
    for name, t in median.items():
        print(f"  {name:8s} {t * 1000:8.1f} ms   (min {min(times[name]) * 1000:.1f}, max {max(times[name]) * 1000:.1f})")
    print(f"default / plain: {median['default'] / median['plain']:.3f}")
    print(f"tight / default: {median['tight'] / median['default']:.3f}")


if __name__ == "__main__":
    main()

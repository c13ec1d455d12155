#!/usr/bin/env python3
"""Writes a file of random laws for `sin_cos --laws FILE`, one `xini xfin H M`
a line: xini < xfin drawn in [-1, 1], H log-uniform in [1, 1000]
(uniform with --uniform-h), M even in
[0, 60]. The same seed writes the same file. A law is kept where a table of
one bin can be built of it: its density's integral well above the doubles'
smallest and one bin over the interval accepting far more than the tool's floor
of one proposal in 10^7 (both judged on a grid in logarithms).

    bench/random_laws.py COUNT FILE [--seed 1] [--h-min 1] [--h-max 1000] [--m-max 60] [--uniform-h]
"""
import argparse
import math
import random


def log_density(x, h, m):
    y = 1 - x * x
    if y <= 0 or (m > 0 and x == 0):
        return -math.inf
    return (m * math.log(abs(x)) if m > 0 else 0.0) + (h - 1) / 2 * math.log(y)


def buildable(a, b, h, m, points=400):
    logs = [log_density(a + (b - a) * (k + 0.5) / points, h, m) for k in range(points)]
    for end in (a, b):
        logs.append(log_density(end, h, m))
    top = max(logs)
    if top == -math.inf:
        return False
    mean = sum(math.exp(v - top) for v in logs[:points]) / points
    log_total = top + math.log(mean * (b - a))
    return log_total > -650 and mean > 1e-5


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("count", type=int)
    parser.add_argument("file")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--h-min", type=float, default=1)
    parser.add_argument("--h-max", type=float, default=1000)
    parser.add_argument("--m-max", type=int, default=60)
    parser.add_argument("--uniform-h", action="store_true")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    with open(args.file, "w") as out:
        for _ in range(args.count):
            while True:
                a, b = sorted(round(rng.uniform(-1, 1), 4) for _ in range(2))
                if args.uniform_h:
                    h = round(rng.uniform(args.h_min, args.h_max), 4)
                else:
                    h = round(math.exp(rng.uniform(math.log(args.h_min), math.log(args.h_max))), 4)
                m = 2 * rng.randint(0, args.m_max // 2)
                if b - a >= 1e-3 and buildable(a, b, h, m):
                    break
            out.write(f"{a:g} {b:g} {h:g} {m}\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Runs sin_cos over a grid of parameters and reports, per run, the exit
status, the loss, whether the first calibration passed the soundness check,
whether the table was recalibrated, whether the written table is sound (checked
here independently, from the table file alone) and the wall time.

    tools/sweep.py --bin build/sin_cos [--n 7,1000,100000] [--jobs 2] [--timeout 120] [--save DIR] [--tight]
                          [--check build/sin_cos_check]

--save DIR keeps each run's stdout, stderr, status and files under DIR/<run>/,
so that two builds of the tool can be compared with diff -r. --tight runs the
tool with that option; --check runs sin_cos_check on every table written
(200000 draws) and counts those it fails.
"""
import statistics
import argparse
import concurrent.futures
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

H_VALUES = [1, 1.0001, 1.01, 1.5, 2, 2.11, 5, 30, 1000]
M_VALUES = [0, 2, 4, 10, 60]
INTERVALS = [(-1, 1), (0, 1), (-0.5, 0.8), (0.2, 0.9), (-1, -0.3)]


def density(x, h, m, xini, xfin):
    if x < xini or x > xfin:
        return 0.0
    r = math.sqrt(max(0.0, 1 - x * x))
    return (r ** (h - 1) if h != 1 else 1.0) * (x ** m)


def bin_max(x0, x1, h, m, xini, xfin):
    lo, hi = max(x0, xini), min(x1, xfin)
    if lo > hi:
        return 0.0
    points = [lo, hi]
    stationary = [0.0] if m == 0 else [math.sqrt(m / (m + h - 1)), -math.sqrt(m / (m + h - 1))]
    points += [p for p in stationary if lo <= p <= hi]
    return max(density(p, h, m, xini, xfin) for p in points)


def table_fault(path, h, m, xini, xfin, n):
    """None when the table is sound, else what is wrong with it."""
    try:
        with open(path) as f:
            lines = f.read().split("\n")
    except OSError as e:
        return f"unreadable: {e}"
    if len(lines) < n + 5:
        return f"{len(lines) - 1} lines for n={n}"
    a = float(lines[3].split()[-1])
    if not (a > 0 and math.isfinite(a)):
        return f"area {a}"
    x = [float(v) for v in lines[4:4 + n]] + [xfin]
    for i in range(n):
        width = x[i + 1] - x[i]
        if not width > 0:
            return f"bin {i} width {width}"
        height = a / width
        top = bin_max(x[i], x[i + 1], h, m, xini, xfin)
        if not height >= top * (1 - 1e-12):
            return f"bin {i} height {height} < max {top}"
    return None


def run_name(h, m, xini, xfin, n):
    return f"H{h}_M{m}_x{xini}_{xfin}_n{n}"


def save_run(save, d, h, m, xini, xfin, n, status, out, err):
    target = os.path.join(save, run_name(h, m, xini, xfin, n))
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    for name, data in (("stdout", out), ("stderr", err), ("status", f"{status}\n".encode())):
        with open(os.path.join(target, name), "wb") as f:
            f.write(data)
    for name in ("Sin_Cos.res", "Sin_Cos_g1_f1.res"):
        if os.path.exists(os.path.join(d, name)):
            shutil.copyfile(os.path.join(d, name), os.path.join(target, name))


def run(binary, h, m, xini, xfin, n, timeout, save=None, args=(), checker=None):
    with tempfile.TemporaryDirectory() as d:
        answers = f"{xini} {xfin} {h} {m} {n}\n"
        start = time.monotonic()
        try:
            p = subprocess.run([binary, *args], input=answers.encode(), cwd=d, capture_output=True, timeout=timeout)
            status = p.returncode
        except subprocess.TimeoutExpired as e:
            if save:
                save_run(save, d, h, m, xini, xfin, n, "timeout", e.stdout or b"", e.stderr or b"")
            return dict(h=h, m=m, xini=xini, xfin=xfin, n=n, status="timeout", loss=None, recal=False,
                        checked=None, fault="timeout", seconds=timeout, message="", check=None)
        seconds = time.monotonic() - start
        if save:
            save_run(save, d, h, m, xini, xfin, n, status, p.stdout, p.stderr)
        out, err = p.stdout.decode(errors="replace"), p.stderr.decode(errors="replace")
        loss = None
        for line in out.splitlines():
            if "loss=" in line:
                loss = float(line.split("loss=")[1].rstrip("% \n"))
        recal = "!!! table recalibrated" in err
        fault = table_fault(os.path.join(d, "Sin_Cos.res"), h, m, xini, xfin, n) if status == 0 else None
        message = err.strip().splitlines()[0] if err.strip() else ""
        check = None
        if checker and status == 0:
            c = subprocess.run([checker, "--samples", "200000", "Sin_Cos.res"], cwd=d, capture_output=True)
            check = c.returncode
        return dict(h=h, m=m, xini=xini, xfin=xfin, n=n, status=status, loss=loss, recal=recal,
                    checked=not recal, fault=fault, seconds=seconds, message=message[:90], check=check)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin", default="build/sin_cos")
    ap.add_argument("--n", default="7,1000,100000", help="comma-separated bin counts")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=float, default=120)
    ap.add_argument("--save", metavar="DIR", help="keep every run's outputs under DIR/<run>/")
    ap.add_argument("--tight", action="store_true", help="run sin_cos --tight")
    ap.add_argument("--check", metavar="SIN_COS_CHECK", help="check every written table with sin_cos_check")
    args = ap.parse_args()
    binary = os.path.abspath(args.bin)
    checker = os.path.abspath(args.check) if args.check else None
    grid = [(h, m, a, b, n) for n in map(int, args.n.split(",")) for (a, b) in INTERVALS
            for h in H_VALUES for m in M_VALUES]

    print("status\tloss%\tcheck\trecal\tsound\tseconds\tH\tM\txini\txfin\tn\tfirst stderr line")
    results = []
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for r in pool.map(lambda g: run(binary, *g, args.timeout, args.save, ["--tight"] if args.tight else [], checker), grid):
            results.append(r)
            sound = "-" if r["status"] != 0 else ("yes" if r["fault"] is None else "NO: " + r["fault"])
            loss = "-" if r["loss"] is None else f"{r['loss']:.4g}"
            print(f"{r['status']}\t{loss}\t{'pass' if r['checked'] else 'fail'}\t{'yes' if r['recal'] else 'no'}\t"
                  f"{sound}\t{r['seconds']:.2f}\t{r['h']}\t{r['m']}\t{r['xini']}\t{r['xfin']}\t{r['n']}\t{r['message']}",
                  flush=True)

    ok = [r for r in results if r["status"] == 0]
    unsound = [r for r in ok if r["fault"] is not None]
    big = [r for r in ok if r["n"] >= 1000]
    print(f"\nruns {len(results)}: status 0: {len(ok)}, status 1: {sum(r['status'] == 1 for r in results)}, "
          f"other: {len(results) - len(ok) - sum(r['status'] == 1 for r in results)}")
    print(f"recalibrated: {sum(r['recal'] for r in results)}; unsound tables with status 0: {len(unsound)}")
    failed_check = [r for r in ok if r["check"] not in (None, 0)]
    if checker:
        print(f"sin_cos_check: {len(ok) - len(failed_check)} of {len(ok)} tables pass" +
              "".join(f"\n  fails: H={r['h']} M={r['m']} [{r['xini']},{r['xfin']}] n={r['n']}" for r in failed_check))
    if big:
        worst = max(big, key=lambda r: r["loss"])
        print(f"max loss at n >= 1000: {worst['loss']:.4g}% (H={worst['h']} M={worst['m']} "
              f"[{worst['xini']},{worst['xfin']}] n={worst['n']}); runs above 5%: {sum(r['loss'] > 5 for r in big)}")
    for n in sorted({r["n"] for r in ok}):
        losses = [r["loss"] for r in ok if r["n"] == n]
        print(f"n={n}: loss max {max(losses):.4g}%, median {statistics.median(losses):.4g}% over {len(losses)} runs")
    slow = max(results, key=lambda r: r["seconds"])
    print(f"slowest run: {slow['seconds']:.2f}s (H={slow['h']} M={slow['m']} [{slow['xini']},{slow['xfin']}] n={slow['n']})")
    return 1 if unsound or failed_check else 0


if __name__ == "__main__":
    sys.exit(main())

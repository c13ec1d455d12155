#!/usr/bin/env python3
"""The quantile beside scipy's NumericalInversePolynomial (PINV), law by law in
one run: set-up, ppf per value (C++ in bulk, and from Python on numpy arrays
where the sin_cos module has the quantile), and the u-error, both samplers'
measured with the law's exact cdf (quantile_bench --cdf) at the same uniforms.

    env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE PYTHONPATH=build/python \\
        /usr/bin/python3 bench/quantile_vs_pinv.py build/bench/quantile_bench [--repeat 5]

The laws are quantile_bench's: the 32 of laws_bench's fit grid and those
chosen to break interpolation. PINV gets the density, the interval, the mode
as its centre where the mode lies inside (--pinv-defaults: no centre), and
u_resolution = 1e-12; where it cannot set up (or takes over 20 s), its message
is shown instead of its figures.
"""
import argparse
import math
import signal
import subprocess
import sys
import time

import numpy as np

try:
    from scipy.stats.sampling import NumericalInversePolynomial
except ImportError:
    sys.exit("scipy is needed for the comparison (Debian: python3-scipy)")

try:
    import sin_cos

    has_quantile = hasattr(sin_cos, "Quantile")
except ImportError:
    has_quantile = False


class Density:
    def __init__(self, H, M):
        self.c = (H - 1) / 2
        self.M = M

    def pdf(self, x):
        return x**self.M * (1.0 - x * x) ** self.c


class TooLong(Exception):
    pass


def interrupt(signum, frame):
    raise TooLong("gave up after 20 s")


def best(repeat, run):
    """The least CPU time of this thread over repeat runs: on a shared
    machine, what a run costs rather than how long it waited (quantile_bench
    times its side alike)."""
    times = []
    for _ in range(repeat):
        start = time.thread_time()
        run()
        times.append(time.thread_time() - start)
    return min(times)


def mode(xini, xfin, H, M):
    if H <= 1 or M == 0:
        return None
    m = math.sqrt(M / (M + H - 1))
    for centre in (m, -m):
        if xini < centre < xfin:
            return centre
    return None


def exact_error(bench, law, u, x):
    pairs = np.empty((len(u), 2))
    pairs[:, 0], pairs[:, 1] = u, x
    out = subprocess.run([bench, "--cdf"] + [repr(v) for v in law], input=pairs.tobytes(), capture_output=True,
                         check=True).stdout.split()
    return float(out[0]), float(out[1])


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("bench", help="path to quantile_bench")
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--values", type=int, default=1_000_000, help="uniforms a ppf timing")
    ap.add_argument("--pinv-defaults", action="store_true", help="no centre for PINV, as a black box")
    args = ap.parse_args()

    lines = subprocess.run([args.bench, "--repeat", str(args.repeat)], capture_output=True, text=True,
                           check=True).stdout.splitlines()
    head = lines[0].split("\t")
    rng = np.random.default_rng(1)
    u = rng.random(args.values)
    checked = np.concatenate([np.arange(1, 50000) / 50000, 10.0 ** -np.arange(1, 300), 1 - 10.0 ** -np.arange(1, 16),
                              np.random.default_rng(2).random(50000)])

    print("| law | H | M | interval | pieces | set-up µs | PINV set-up µs | ratio | ppf ns C++ bulk"
          + (" | ppf ns Python" if has_quantile else "") + " | PINV ppf ns Python | ratio | bound | u-error"
          " | PINV u-error (exact cdf) |")
    print("|---" * (15 if has_quantile else 14) + "|")
    # The goals, law by law: (ratio or time, law) for the summary below.
    setup_ratios, ppf_ratios, lone_setups, errors = [], [], [], []
    for line in lines[1:]:
        f = line.split("\t")
        index, xini, xfin, H, M = f[0], float(f[1]), float(f[2]), float(f[3]), int(f[4])
        law = (xini, xfin, H, M)
        interval = f"[{f[1]}, {f[2]}]"
        if f[5].startswith("refused"):
            print(f"| {index} | {H:g} | {M} | {interval} | {f[5]} |")
            continue
        row = dict(zip(head, f))
        ours_setup = float(row["setup_us"])
        errors.append((float(row["max_error"]) <= float(row["bound"]), index))
        python_ppf = ""
        if has_quantile:
            q = sin_cos.Quantile(*law)
            out = np.empty_like(u)
            python_ppf = f" | {best(args.repeat, lambda: q.ppf(u, out=out)) / len(u) * 1e9:.1f}"
        try:
            centre = None if args.pinv_defaults else mode(*law)
            # PINV calls the density back from Python, where the alarm's
            # exception ends a set-up that does not converge.
            signal.signal(signal.SIGALRM, interrupt)
            signal.alarm(20)
            make = lambda: NumericalInversePolynomial(Density(H, M), domain=(xini, xfin), u_resolution=1e-12,
                                                      **({"center": centre} if centre is not None else {}))
            rng_setup = best(args.repeat, make) * 1e6
            pinv = make()
            pinv_ppf = best(args.repeat, lambda: pinv.ppf(u)) / len(u) * 1e9
            signal.alarm(0)
            pinv_err = exact_error(args.bench, law, checked, pinv.ppf(checked))
            pinv_cols = (f"{rng_setup:.0f} | {ours_setup / rng_setup:.3f}", f"{pinv_ppf:.1f}",
                         f"{pinv_err[0]:.3g}")
            python_ratio = ""
            setup_ratios.append((ours_setup / rng_setup, index))
            if has_quantile:
                python_ratio = f"{float(python_ppf[3:]) / pinv_ppf:.3f}"
                ppf_ratios.append((float(python_ppf[3:]) / pinv_ppf, index))
        except Exception as e:  # PINV's own refusals: shown, not judged
            signal.alarm(0)
            message = str(e).splitlines()[0][:60]
            pinv_cols = (f"no set-up: {message} | -", "-", "-")
            python_ratio = "-"
            lone_setups.append((ours_setup, index))
        print(f"| {index} | {H:g} | {M} | {interval} | {row['pieces']} | {ours_setup:.0f} | {pinv_cols[0]} | "
              f"{float(row['ppf_ns']):.1f}{python_ppf} | {pinv_cols[1]} | {python_ratio} | {row['bound']} | "
              f"{row['max_error']} | {pinv_cols[2]} |", flush=True)

    def tally(pairs, limit, what):
        met = sum(1 for value, _ in pairs if value <= limit)
        worst = max(pairs, default=(float("nan"), "-"))
        print(f"- {what}: met on {met} of {len(pairs)} (largest {worst[0]:.3g}, law {worst[1]})")

    print()
    tally(setup_ratios, 0.1, "set-up at most 0.1 of PINV's, where PINV sets up")
    if has_quantile:
        tally(ppf_ratios, 0.5, "ppf from Python at most 0.5 of PINV's, where PINV sets up")
    tally(lone_setups, 2000, "set-up at most 2000 µs, where PINV does not set up")
    print(f"- u-error within the stated bound: {sum(ok for ok, _ in errors)} of {len(errors)} laws")


if __name__ == "__main__":
    main()

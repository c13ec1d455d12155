#!/usr/bin/env python3
"""Times draws of x^M (1 - x^2)^((H-1)/2) from Python, side by side in one run:
sin_cos from a --tight table with numpy's bit generator, scipy's
NumericalInversePolynomial, numpy's beta route, and numpy drawing the uniforms
the table's proposals consume (the floor); and the set-ups of sin_cos and PINV.

    env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE PYTHONPATH=build/python \\
        /usr/bin/python3 bench/python_draws.py [--draws 10000000] [--bins 5000] [--repeat 5]
"""
import argparse
import time

import numpy as np
import sin_cos


def timed(run):
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


def best(repeat, runs):
    """The shortest of repeat rounds for each run; the runs take turns, so a
    shared machine's load falls on all of them alike."""
    times = [float("inf")] * len(runs)
    for _ in range(repeat):
        for k, run in enumerate(runs):
            times[k] = min(times[k], timed(run))
    return times


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--H", type=float, default=2.0)
    ap.add_argument("--M", type=int, default=4)
    ap.add_argument("--xini", type=float, default=-1.0)
    ap.add_argument("--xfin", type=float, default=1.0)
    ap.add_argument("--bins", type=int, default=5000)
    ap.add_argument("--draws", type=int, default=10_000_000)
    ap.add_argument("--repeat", type=int, default=5)
    args = ap.parse_args()
    H, M, N = args.H, args.M, args.draws
    whole = (args.xini, args.xfin) == (-1.0, 1.0)

    build = lambda: sin_cos.Sampler(sin_cos.build_table(sin_cos.Law(args.xini, args.xfin, H, M), args.bins, tight=True))
    sampler = build()
    table = sampler.table
    rng = np.random.default_rng(1)
    # Two 64-bit words a proposal, 1 + loss/100 proposals a draw.
    uniforms = round(2 * N * (1 + table.loss / 100))
    draws = [("sin_cos, rng=default_rng", lambda: sampler.sample(N, rng=rng)),
             ("sin_cos, seed= (std::mt19937_64)", lambda: sampler.sample(N, seed=1)),
             (f"numpy: {uniforms / N:.4f} uniforms a draw", lambda: rng.random(uniforms))]
    setups = [("sin_cos build_table + Sampler", build)]

    try:
        from scipy.stats.sampling import NumericalInversePolynomial
    except ImportError:
        print("scipy not found (Debian: python3-scipy): no PINV")
    else:
        class Density:
            def pdf(self, x):
                return x**M * (1 - x * x) ** ((H - 1) / 2)

        # The centre must be a point of positive density: the mode.
        mode = np.sqrt(M / (M + H - 1))
        centre = min(max(mode, args.xini), args.xfin) if M > 0 else 0.5 * (args.xini + args.xfin)
        make = lambda: NumericalInversePolynomial(Density(), domain=(args.xini, args.xfin), center=centre,
                                                  random_state=np.random.default_rng(2))
        pinv = make()
        draws.append(("scipy NumericalInversePolynomial.rvs", lambda: pinv.rvs(N)))
        setups.append(("scipy NumericalInversePolynomial", make))

    if whole:
        def beta_route():
            x = np.sqrt(rng.beta((M + 1) / 2, (H + 1) / 2, N))
            return np.where(rng.random(N) < 0.5, -x, x)
        draws.append(("numpy beta route, random sign", beta_route))

    rows = list(zip((name for name, _ in draws), best(args.repeat, [run for _, run in draws])))
    setup_rows = list(zip((name for name, _ in setups), best(args.repeat, [run for _, run in setups])))
    ours = rows[0][1]
    print(f"H = {H:g}, M = {M}, [{args.xini:g}, {args.xfin:g}], {N} draws, tight table of {args.bins} bins "
          f"(loss {table.loss:.4f}%), best of {args.repeat}, numpy {np.__version__}")
    print(f"| {'draws':<38} | ns a draw | sin_cos / this |")
    print(f"|{'-' * 40}|-----------|----------------|")
    for name, t in rows:
        print(f"| {name:<38} | {t / N * 1e9:9.2f} | {ours / t:14.2f} |")
    print(f"\n| {'set-up':<38} | ms        | sin_cos / this |")
    print(f"|{'-' * 40}|-----------|----------------|")
    for name, t in setup_rows:
        print(f"| {name:<38} | {t * 1e3:9.2f} | {setup_rows[0][1] / t:14.2f} |")


if __name__ == "__main__":
    main()

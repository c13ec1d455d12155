#!/usr/bin/env python3
"""Builds the tight table for H = 2, M = 4 on [-1, 1] with 1000 bins and prints
the first five draws of sin_cos.MT19937_64(12345), the same doubles as C++'s
sin_cos::distribution with std::mt19937_64(12345); then a histogram of
a million draws from numpy's own generator."""
import numpy as np
import sin_cos

table = sin_cos.build_table(sin_cos.Law(-1, 1, 2, 4), 1000, tight=True)
cos_theta = sin_cos.Sampler(table)
for x in cos_theta.sample(5, rng=sin_cos.MT19937_64(12345)):
    print(f"{x:.17g}")

draws = cos_theta.sample(1_000_000, rng=np.random.default_rng(1))
counts, edges = np.histogram(draws, bins=20, range=(table.xini, table.xfin))
print(f"# {draws.size} draws, H = {table.H:g}, M = {table.M}, [{table.xini:g}, {table.xfin:g}], "
      f"{table.bins} table bins, loss {table.loss:.4f}%")
for count, lo in zip(counts, edges):
    print(f"{lo + (edges[1] - edges[0]) / 2:8.4f} {count:7d} {'#' * int(60 * count / counts.max())}")

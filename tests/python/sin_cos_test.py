#!/usr/bin/env python3
"""The Python module against the C++ stream, its own numpy stream and the exact law.

    sin_cos_test.py TABLE_FILE KNOWN_DRAWS

TABLE_FILE is the tool's default run (2 4 -1 1, 5000 bins); KNOWN_DRAWS pins
C++'s first draws, a line "H M xini xfin n mode seed k x_k" each.
"""
import math
import os
import sys
import tempfile
import threading
import unittest

import numpy as np
import sin_cos

TABLE_FILE = KNOWN_DRAWS = None

# The numpy route's first draws on the same table with default_rng(1): a
# change here is a change of the stream.
NUMPY_DEFAULT_RNG_1 = [0.40126868887490763, 0.94695508974524434, 0.86153095658486245, -0.96640195937384321,
                       -0.73304050438587387]


def reference_draws(table, words, count):
    """The numpy route's stream as documented, from 64-bit words, in plain Python."""
    edges, n, H, out = table.edges.tolist(), table.bins, table.H, []
    while len(out) < count:
        u1, u2, u3 = ((next(words) >> 11) * 2.0**-53 for _ in range(3))
        i = min(int(u1 * n), n - 1)
        x0, width = edges[i], edges[i + 1] - edges[i]
        x = x0 + u2 * width
        xm, base, e = 1.0, x, table.M
        while e > 0:
            if e & 1:
                xm *= base
            base *= base
            e >>= 1
        s = 1.0 - x * x
        sin = 1.0 if H == 1.0 else math.sqrt(s) if H == 2.0 else s if H == 3.0 else s ** (0.5 * (H - 1.0))
        if u3 * (table.a / width) < xm * sin:
            out.append(x)
    return out


def raw_words(bit_generator):
    while True:
        yield from (int(w) for w in bit_generator.random_raw(3000))


class Streams(unittest.TestCase):
    def test_seed_gives_the_cpp_stream(self):
        pinned = {}
        with open(KNOWN_DRAWS) as lines:
            for line in lines:
                H, M, xini, xfin, n, mode, seed, k, x = line.split()
                key = (float(H), int(M), float(xini), float(xfin), int(n), mode == "tight", int(seed))
                pinned.setdefault(key, []).append(float(x))
        self.assertGreater(len(pinned), 1)
        for (*answers, seed), draws in pinned.items():
            with self.subTest(answers=answers, seed=seed):
                s = sin_cos.Sampler(sin_cos.build_table(*answers))
                self.assertEqual(s.sample(len(draws), seed=seed).tolist(), draws)
        self.assertEqual(s.sample((2, 3), seed=1).shape, (2, 3))

    def test_numpy_route_follows_its_definition(self):
        for args in [(2, 4, -1, 1, 1000, True), (3, 2, -0.3, 0.9, 200, False), (1.5, 6, -0.7, -0.2, 50, False),
                     (1, 0, -1, 1, 7, False)]:
            with self.subTest(args=args):
                t = sin_cos.build_table(*args)
                s = sin_cos.Sampler(t)
                got = s.sample(2000, rng=np.random.Generator(np.random.PCG64(7)))
                want = reference_draws(t, raw_words(np.random.PCG64(7)), 2000)
                self.assertEqual(got.tolist(), want)

    def test_numpy_route_known_answer_and_continuation(self):
        s = sin_cos.Sampler(sin_cos.build_table(2, 4, -1, 1, 1000, tight=True))
        self.assertEqual(s.sample(5, rng=np.random.default_rng(1)).tolist(), NUMPY_DEFAULT_RNG_1)
        g, bits = np.random.default_rng(1), np.random.PCG64(1)
        both = np.concatenate([s.sample(3, rng=g), s.sample(4, rng=g)])
        self.assertEqual(both.tolist(), s.sample(7, rng=bits).tolist())
        self.assertEqual(g.bit_generator.state, bits.state)
        self.assertEqual(s.sample(0, rng=g).shape, (0,))


class Tables(unittest.TestCase):
    def test_attributes_and_read_only_edges(self):
        t = sin_cos.build_table(3, 2, -0.3, 0.9, 40)
        self.assertEqual((t.H, t.M, t.xini, t.xfin, t.bins), (3.0, 2, -0.3, 0.9, 40))
        self.assertTrue(0 < t.loss < 100 and t.a > 0)
        e = t.edges
        self.assertEqual((e.shape, e[0], e[-1]), ((41,), -0.3, 0.9))
        self.assertTrue(np.all(np.diff(e) > 0))
        with self.assertRaises(ValueError):
            e[1] = 0.0
        with self.assertRaises(ValueError):
            e.flags.writeable = True
        del t
        self.assertEqual(e[-1], 0.9)  # the view keeps its table alive

    def test_file_reads_back_as_built_and_saves_as_the_tool_writes(self):
        f, b = sin_cos.load_table(TABLE_FILE), sin_cos.build_table(2, 4, -1, 1, 5000)
        self.assertEqual((f.H, f.M, f.xini, f.xfin, f.a), (b.H, b.M, b.xini, b.xfin, b.a))
        self.assertEqual(f.edges.tolist(), b.edges.tolist())
        with tempfile.TemporaryDirectory() as d:
            b.save(os.path.join(d, "Sin_Cos.res"))
            with open(os.path.join(d, "Sin_Cos.res"), "rb") as saved, open(TABLE_FILE, "rb") as tool:
                self.assertEqual(saved.read(), tool.read())
            with self.assertRaises(OSError):
                b.save(os.path.join(d, "no", "such", "dir"))

    def test_sets_of_laws_round_trip(self):
        laws = [(-1, 1, 2.11, 4), (-0.3, 0.9, 3, 0), (0, 1, 1.5, 2)]
        built = sin_cos.build_tables(laws, 200, tight=True)
        alone = [sin_cos.build_table(H, M, xini, xfin, 200, tight=True) for xini, xfin, H, M in laws]
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "Sin_Cos.res")
            with open(path, "w") as f:  # the single files pasted under one banner
                for k, t in enumerate(alone):
                    t.save(os.path.join(d, "one"))
                    f.writelines(open(os.path.join(d, "one")).readlines()[0 if k == 0 else 3:])
            loaded = sin_cos.load_tables(path)
            self.assertEqual([t.edges.tolist() for t in loaded], [t.edges.tolist() for t in built])
            self.assertEqual([t.edges.tolist() for t in loaded], [t.edges.tolist() for t in alone])
            with self.assertRaisesRegex(sin_cos.TableError, "holds 3 histograms"):
                sin_cos.load_table(path)
        with self.assertRaisesRegex(sin_cos.BuildError, r"^law 2 \(xini=-1, xfin=1, H=1e\+30, M=4\)"):
            sin_cos.build_tables([(-1, 1, 2, 4), (-1, 1, 1e30, 4)], 50)

    def test_failures(self):
        with open(TABLE_FILE) as src:
            good = src.read().splitlines(keepends=True)
        # line 4 is the header: H M n xini xfin loss a
        cases = [("garbage", "not a table\n", "malformed", 1),
                 ("negative area", "".join(good[:3] + [good[3].rsplit(" ", 1)[0] + " -1e-5\n"] + good[4:]),
                  "unsound", 4),
                 ("edges out of order", "".join(good[:5] + [good[6], good[5]] + good[7:]), "unsound", 7)]
        with tempfile.TemporaryDirectory() as d:
            for what, text, kind, line in cases:
                with self.subTest(what):
                    path = os.path.join(d, what)
                    with open(path, "w") as out:
                        out.write(text)
                    with self.assertRaises(sin_cos.TableError) as caught:
                        sin_cos.load_table(path)
                    self.assertEqual((caught.exception.kind, caught.exception.line), (kind, line))
                    self.assertIn(f"{path}:{line}:", str(caught.exception))
            with self.assertRaises(sin_cos.TableError) as caught:
                sin_cos.load_table(os.path.join(d, "missing"))
            self.assertEqual((caught.exception.kind, caught.exception.line), ("malformed", 0))

        before = sin_cos.build_table(2, 4, -1, 1, 100).edges.tolist()
        with self.assertRaises(sin_cos.BuildError) as caught:
            sin_cos.build_table(2, 4, 0.5, -0.5, 100)
        self.assertEqual(caught.exception.status, 255)
        self.assertIn("xini=0.5, xfin=-0.5", str(caught.exception))
        self.assertEqual(sin_cos.build_table(2, 4, -1, 1, 100).edges.tolist(), before)

        s = sin_cos.Sampler(sin_cos.build_table(2, 4, -1, 1, 10))
        for call, error in [(lambda: s.sample(3, seed=1, rng=np.random.default_rng()), TypeError),
                            (lambda: s.sample(3, rng=42), TypeError), (lambda: s.sample(-1), ValueError)]:
            with self.assertRaises(error):
                call()

    def test_threads_build_as_sequential_builds(self):
        answers = [(2, 4, -1, 1, 3000, True), (2.11, 4, -1, 1, 2000, False), (3, 2, -0.3, 0.9, 2000, True),
                   (1.5, 6, -0.7, -0.2, 1000, False)]
        sequential = [sin_cos.build_table(*a).edges.tolist() for a in answers]
        threaded = [None] * len(answers)

        def build(k):
            threaded[k] = sin_cos.build_table(*answers[k]).edges.tolist()

        for pair in (answers[:2], answers[2:]):
            threads = [threading.Thread(target=build, args=(answers.index(a),)) for a in pair]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
        self.assertEqual(threaded, sequential)


class Law(unittest.TestCase):
    def test_draws_follow_the_exact_law(self):
        try:
            from scipy import special, stats
        except ImportError:
            self.skipTest("scipy not found (Debian: python3-scipy)")
        H, M = 2.11, 4
        s = sin_cos.Sampler(sin_cos.build_table(H, M, -1, 1, 1000, tight=True))

        # x^2 ~ Beta((M + 1)/2, (H + 1)/2), x symmetric about 0.
        def cdf(x):
            return 0.5 + 0.5 * np.sign(x) * special.betainc((M + 1) / 2, (H + 1) / 2, x * x)

        for route, draws in [("seed", s.sample(200_000, seed=3)),
                             ("rng", s.sample(200_000, rng=np.random.default_rng(3)))]:
            with self.subTest(route):
                self.assertGreater(stats.kstest(draws, cdf).pvalue, 0.001)


if __name__ == "__main__":
    TABLE_FILE, KNOWN_DRAWS = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main()

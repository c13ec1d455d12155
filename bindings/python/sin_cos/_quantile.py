"""The law's inverse cdf, x = F^-1(u): one uniform a draw, non-decreasing in u,
for quasi-Monte Carlo, common random numbers, and laws no rejection table
covers (H in (-1, 1), unbounded at +-1)."""

import numpy as np

from . import _checks
from ._core import Quantile as _Quantile
from ._errors import kinds
from ._law import Law

__all__ = ["Quantile"]


class Quantile:
    """x = F^-1(u) of the law x^M (1 - x^2)^((H-1)/2) on [xini, xfin].

    Built once, read-only after: one object may serve several threads (the
    GIL is released while it evaluates arrays). |F(ppf(u)) - u| is at most
    ``bound()["bound"]``: the resolution asked, or, where no double can meet
    it (the cdf jumps by more between adjacent doubles, as near +-1 for H
    below about 0.5), that jump.

    Parameters
    ----------
    law : Law
        Any law: -1 <= xini < xfin <= 1, a finite H > -1, an even M >= 0
        (or its four numbers, xini, xfin, H, M, in that order).
    resolution : float, optional
        The u-resolution, in [1e-14, 1e-6] (default 1e-12).

    Raises
    ------
    ParameterError
        For a law or a resolution outside those ranges.
    BuildError
        Where the resolution cannot be reached (the message names the law
        and the resolution reached).

    Examples
    --------
    >>> import numpy as np, sin_cos
    >>> q = sin_cos.Quantile(sin_cos.Law(-1, 1, 2, 4))
    >>> x = q.ppf(np.linspace(0, 1, 5))
    >>> y = q.qrvs(2**10)  # scrambled Halton points through the quantile (scipy)
    """

    __module__ = "sin_cos"

    @kinds
    def __init__(self, *args, resolution=1e-12):
        if len(args) == 2 and isinstance(args[0], Law):
            args, resolution = args[:1], args[1]
        if len(args) == 1 and isinstance(args[0], Law):
            law = args[0]
        elif len(args) == 4:
            law = Law(*args)
        else:
            raise TypeError("Quantile takes a Law, or xini, xfin, H, M, and a resolution")
        self._law = law
        self._args = (law.xini, law.xfin, law.H, law.M, _checks.real("resolution", resolution))
        self._q = _Quantile(*self._args)

    @property
    def law(self):
        return self._law

    @property
    def xini(self):
        return self._args[0]

    @property
    def xfin(self):
        return self._args[1]

    @property
    def H(self):
        return self._args[2]

    @property
    def M(self):
        return self._args[3]

    @property
    def resolution(self):
        return self._args[4]

    def support(self):
        return self.xini, self.xfin

    def ppf(self, u, out=None):
        """x = F^-1(u): a float for a scalar, else an array of u's shape
        (written into ``out`` when given: a C-contiguous float64 array of that
        shape, which may be u itself). ppf(0) = xini, ppf(1) = xfin, NaN
        outside [0, 1]."""
        if out is None and np.ndim(u) == 0:
            return self._q.ppf(_checks.real("u", u))
        values = np.ascontiguousarray(u, dtype=np.float64)
        if out is None:
            out = np.empty_like(values)
        elif not (isinstance(out, np.ndarray) and out.dtype == np.float64 and out.flags.c_contiguous
                  and out.flags.writeable and out.shape == values.shape):
            raise ValueError(f"out must be a writeable C-contiguous float64 array of shape {values.shape}")
        self._q.ppf_into(values, out)
        return out

    def rvs(self, size=None, *, rng=None):
        """Draws by inversion of numpy uniforms (rng: a numpy Generator or a
        seed): a stream of its own, not the rejection sampler's."""
        gen = np.random.default_rng(rng)
        shape = _checks.shape(size)
        if shape is None:
            return self._q.ppf(float(gen.random()))
        return self.ppf(gen.random(shape))

    def qrvs(self, size=None, d=None, qmc_engine=None):
        """Quasi-random draws: the points of a scipy.stats.qmc engine (by
        default a scrambled Halton sequence of dimension d, or 1) through the
        quantile, one point coordinate a draw, as scipy's samplers do. Shape:
        size, with a last axis of d where d is given or the engine's dimension
        is above 1."""
        if qmc_engine is None:
            try:
                from scipy.stats import qmc
            except ImportError:
                raise ImportError("qrvs needs scipy for its default engine; pass qmc_engine") from None
            qmc_engine = qmc.Halton(d=1 if d is None else _checks.integer("d", d))
        elif d is not None and _checks.integer("d", d) != qmc_engine.d:
            raise ValueError(f"d = {d} differs from the engine's dimension {qmc_engine.d}")
        dim = qmc_engine.d
        shape = _checks.shape(size)
        count = 1 if shape is None else int(np.prod(shape))
        x = self.ppf(np.asarray(qmc_engine.random(count), dtype=np.float64))
        lead = () if shape is None else tuple(shape)
        if d is None and dim == 1:
            return x.reshape(lead) if shape is not None else float(x[0, 0])
        return x.reshape(lead + (dim,))

    def u_error(self, sample_size=100000):
        """(max, mean) of |F(ppf(u)) - u| over sample_size equally spaced u,
        F the law's exact cdf, as scipy's PINV reports its own."""
        n = _checks.integer("sample_size", sample_size)
        if n < 1:
            raise ValueError(f"sample_size = {n} must be positive")
        u = (np.arange(n, dtype=np.float64) + 0.5) / n
        x = self.ppf(u)
        f = np.empty_like(x)
        self._q.cdf_into(x, f)
        e = np.abs(f - u)
        return float(e.max()), float(e.mean())

    def bound(self):
        """What the quantile promises: {"resolution", "bound", "jump",
        "where"}: |F(ppf(u)) - u| <= bound = max(resolution, jump), jump the
        largest cdf step between adjacent doubles found where no double meets
        the resolution (0 if none), starting at the double ``where`` (NaN)."""
        return dict(zip(("resolution", "bound", "jump", "where"), self._q.u_error_bound()))

    @property
    def pieces(self):
        return self._q.pieces

    def __reduce__(self):
        return _restore, (self._law, self._args[4])

    def __eq__(self, other):
        return isinstance(other, Quantile) and self._args == other._args

    def __hash__(self):
        return hash(self._args)

    def __repr__(self):
        return f"sin_cos.Quantile({self._law!r}, resolution={self._args[4]!r})"


def _restore(law, resolution):
    return Quantile(law, resolution=resolution)

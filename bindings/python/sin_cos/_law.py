"""The exact law a table samples, normalised on its interval.

With t = x^2 the density x^M (1 - x^2)^((H-1)/2) dx on [0, 1] is the
Beta(alpha, beta) law of t, alpha = (M + 1)/2, beta = (H + 1)/2; M is even,
so the density is symmetric about 0 and the mass between 0 and x is
sign(x) I(x^2) / 2 of the whole, I the regularised incomplete beta function.
"""

import dataclasses
import functools

import numpy as np

from . import _checks, _core
from ._errors import ParameterError, kinds


@dataclasses.dataclass(frozen=True)
class Law:
    """The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin], in the
    order the tool asks for it.

    A value: frozen, hashable, equal to another of the same numbers; keywords
    are accepted, ``Law(xini=0, xfin=1, H=2.5, M=2)``, and the defaults are
    the tool's. A law is valid for -1 <= xini < xfin <= 1, a finite H > -1
    and an even M >= 0; a table is built for H >= 1.

    Raises
    ------
    ParameterError
        A law outside that domain, the message naming the value.
    TypeError, OverflowError
        A value of the wrong type, or M beyond a C int, named.
    """

    xini: float = -1.0
    xfin: float = 1.0
    H: float = 2.0
    M: int = 4

    __module__ = "sin_cos"

    @kinds
    def __post_init__(self):
        values = {"xini": _checks.real("xini", self.xini), "xfin": _checks.real("xfin", self.xfin),
                  "H": _checks.real("H", self.H), "M": _checks.c_int("M", self.M)}
        for name, value in values.items():
            object.__setattr__(self, name, value)
        fault = _core.law_fault(values["xini"], values["xfin"], values["H"], values["M"])
        if fault:
            raise ParameterError(fault)

    def ppf(self, u, out=None):
        """x = F^-1(u) by the law's quantile to 1e-12 in u (sin_cos.Quantile,
        built once a law and kept): a float for a scalar, else an array of
        u's shape, into ``out`` when given."""
        return _quantile_of(self).ppf(u, out=out)


@functools.lru_cache(maxsize=64)
def _quantile_of(law):
    from ._quantile import Quantile

    return Quantile(law)


def _special():
    try:
        from scipy import special
    except ImportError as e:
        raise ImportError("Table.pdf and Table.cdf need scipy (Debian: python3-scipy; pip: scipy)") from e
    return special


def _halves(special, alpha, beta, r):
    """I(r^2) and 1 - I(r^2) for r = |x|, each computed directly so that neither cancels."""
    lower = special.betainc(alpha, beta, r * r)
    upper = special.betainc(beta, alpha, (1 - r) * (1 + r))
    return lower, upper


def _mass(special, alpha, beta, a, b):
    """The law's mass on [a, b] (a <= b elementwise), in units of the half-law on [0, 1].

    On one side of 0 the mass is a difference of the halves of its two ends:
    of the lower halves near 0, of the upper ones past the median, where the
    lower ones both come close to 1 and their difference would cancel.
    """
    la, ua = _halves(special, alpha, beta, np.abs(a))
    lb, ub = _halves(special, alpha, beta, np.abs(b))
    positive = a >= 0
    near_lower, near_upper = np.where(positive, la, lb), np.where(positive, ua, ub)
    far_lower, far_upper = np.where(positive, lb, la), np.where(positive, ub, ua)
    one_side = np.where(near_lower > 0.5, near_upper - far_upper, far_lower - near_lower)
    return np.where((a < 0) & (b > 0), la + lb, one_side)


def _parameters(table):
    return (table.M + 1) / 2, (table.H + 1) / 2


def pdf(table, x):
    special = _special()
    alpha, beta = _parameters(table)
    x = np.asarray(x, dtype=float)
    r = np.abs(x)
    total = _mass(special, alpha, beta, np.float64(table.xini), np.float64(table.xfin))
    # x^M (1 - x^2)^((H-1)/2) over its integral B(alpha, beta) total / 2, in logarithms: B underflows for large H, M.
    with np.errstate(divide="ignore", invalid="ignore"):
        log_density = special.xlogy(table.M, r) + special.xlogy((table.H - 1) / 2, (1 - r) * (1 + r))
        log_norm = special.betaln(alpha, beta) - np.log(2.0) + np.log(total)
        inside = (x >= table.xini) & (x <= table.xfin)
        out = np.where(inside, np.exp(log_density - log_norm), 0.0)
    return out[()]


def cdf(table, x):
    special = _special()
    alpha, beta = _parameters(table)
    x = np.asarray(x, dtype=float)
    xini, xfin = np.float64(table.xini), np.float64(table.xfin)
    total = _mass(special, alpha, beta, xini, xfin)
    clipped = np.clip(x, xini, xfin)
    with np.errstate(invalid="ignore"):
        out = np.clip(_mass(special, alpha, beta, np.full_like(clipped, xini), clipped) / total, 0.0, 1.0)
    out = np.where(np.isnan(x), np.nan, out)
    return out[()]

"""The law x^M (1 - x^2)^((H-1)/2) on [xini, xfin] as a value and a frozen distribution."""

import dataclasses

from . import _checks, _core
from ._distribution import FrozenLaw
from ._errors import ParameterError, kinds


@dataclasses.dataclass(frozen=True)
class Law(FrozenLaw):
    """The law of density x^M (1 - x^2)^((H-1)/2) on [xini, xfin], in the
    order the tool asks for it.

    A value: frozen, hashable, equal to another of the same numbers; keywords
    are accepted, ``Law(xini=0, xfin=1, H=2.5, M=2)``, and the defaults are
    the tool's. A law is valid for -1 <= xini < xfin <= 1, a finite H > -1
    and an even M >= 0; a table is built for H >= 1.

    It behaves as a frozen scipy.stats distribution, without scipy: `pdf`,
    `logpdf`, `cdf`, `sf` over numpy arrays (the GIL released), `mean`,
    `var`, `std`, `moment`, `support` and `rvs`, all the library's own.

    Examples
    --------
    >>> law = Law(-1, 1, 0, 2)
    >>> round(float(law.cdf(0.3)), 12), law.mean(), round(law.var(), 12)
    (0.505892200432, 0.0, 0.75)

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

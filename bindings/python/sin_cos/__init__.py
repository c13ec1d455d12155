"""Equal-area envelope tables for x^M (1 - x^2)^((H-1)/2) on [xini, xfin],
built in process or read from the file ``sin_cos`` writes, and exact draws
from them into numpy arrays.

Examples
--------
>>> import numpy as np
>>> import sin_cos
>>> t = sin_cos.build_table(sin_cos.Law(-1, 1, 2, 4), 5000, tight=True)
>>> x = sin_cos.Sampler(t).sample(10**6, rng=np.random.default_rng(1))
>>> y = sin_cos.Sampler(t).sample(10, rng=sin_cos.MT19937_64(12345))  # as C++
"""

from ._bit_generator import MT19937_64
from ._errors import BuildError, ParameterError, TableError
from ._law import Law
from ._quantile import Quantile
from ._sampler import Sampler
from ._table import Table, _restore_table, build_table, build_tables, load_table, load_tables
from ._version import __version__

__all__ = ["BuildError", "Law", "MT19937_64", "ParameterError", "Quantile", "Sampler", "Table", "TableError", "build_table",
           "build_tables",
           "load_table", "load_tables", "__version__"]

"""Draws from a table into numpy arrays, by the table's rejection method."""

import warnings

import numpy as np

from . import _checks, _core
from ._bit_generator import MT19937_64
from ._errors import kinds
from ._table import Table


class Sampler:
    """Draws from a table's law by its rejection method.

    Parameters
    ----------
    table : Table
        The table to draw from; checked, so that a table whose envelope
        cannot be sampled from raises TableError here.

    Notes
    -----
    Two samplers are equal when their tables are; a sampler pickles as its
    table, so it can be sent to multiprocessing, concurrent.futures or Dask
    workers, where it draws the same streams.

    Examples
    --------
    >>> import numpy as np
    >>> s = Sampler(build_table(Law(-1, 1, 2, 4), 5000, tight=True))
    >>> x = s.sample(10**6, rng=np.random.default_rng(1))
    >>> g = MT19937_64(12345)  # C++'s std::mt19937_64(12345)
    >>> s.sample(3, rng=g).shape
    (3,)
    """

    __slots__ = ("_table", "_s")
    __module__ = "sin_cos"

    @kinds
    def __init__(self, table):
        if not isinstance(table, Table):
            raise TypeError(f"table must be a sin_cos.Table, not {type(table).__name__}")
        self._table = table
        self._s = _core.Sampler(table._t)

    @property
    def table(self):
        """The table drawn from."""
        return self._table

    @kinds
    def sample(self, size=None, *, rng=None, seed=None):
        """Draw from the table's law.

        Parameters
        ----------
        size : int or tuple of ints, optional
            The output shape; None (the default) draws one value.
        rng : {None, int, array_like[ints], SeedSequence, BitGenerator, Generator}, optional
            What `numpy.random.default_rng` takes; a Generator or a
            BitGenerator is drawn from and advanced, anything else seeds a
            fresh one (None: from the operating system's entropy; an int:
            numpy's PCG64, as ``default_rng(int)``). A `MT19937_64` draws
            C++'s stream: ``rng=MT19937_64(s)`` gives the numbers of
            C++'s ``sin_cos::distribution`` driven by
            ``std::mt19937_64(s)``, the same in C++, C, Fortran and Python,
            and the next call continues them.
        seed : int, optional
            .. deprecated:: 3.0.0
               Use ``rng=MT19937_64(seed)``, which draws the same numbers.

            0 <= seed < 2**64: the first values of C++'s stream of
            ``std::mt19937_64(seed)`` on every call. Not together with
            `rng`.

        Returns
        -------
        float or numpy.ndarray
            One Python float when `size` is None, else a float64 array of
            shape `size`.

        Raises
        ------
        TypeError
            Both `rng` and `seed`; or an argument of the wrong type, named.
        ValueError, OverflowError
            A negative size or seed, or one too large, named.

        Warns
        -----
        DeprecationWarning
            `seed` given.

        Notes
        -----
        The stream of ``rng``: each proposal takes two 64-bit words w1, w2
        of the bit generator's ``next_uint64``. The product w1 n is
        i 2**64 + p: the bin is i, the point
        x = edges[i] + (p >> 11) 2**-53 (edges[i+1] - edges[i]), kept when
        (w2 >> 11) 2**-53 a / (edges[i+1] - edges[i]) < x^M (1 - x^2)^((H-1)/2),
        else two more words. The generator advances by exactly the words used, so
        that two calls continue one stream; its lock is held for the call,
        and the draws run in C++ without the GIL.
        """
        if seed is not None and rng is not None:
            raise TypeError("sample takes rng= or seed=, not both")
        shape = _checks.shape(size)
        if seed is not None:
            seed = _checks.seed(seed)
            warnings.warn(f"sample(seed={seed}) is deprecated: use rng=sin_cos.MT19937_64({seed}), which draws "
                          "the same numbers on a fresh generator and continues its stream from call to call",
                          DeprecationWarning, stacklevel=3)  # past the kinds wrapper
            rng = MT19937_64(seed)
        else:
            rng = _checks.generator(rng)
        out = np.empty(1 if shape is None else shape)
        self._s.fill_bits(out, rng)
        return float(out[0]) if shape is None else out

    def __eq__(self, other):
        if not isinstance(other, Sampler):
            return NotImplemented
        return self._table == other._table

    def __hash__(self):
        return hash((Sampler, self._table))

    def __reduce__(self):
        return Sampler, (self._table,)

    def __repr__(self):
        return f"<sin_cos.Sampler of {self._table!r}>"

"""Tables: built in process, read from the file sin_cos writes, or unpickled."""

import errno
import os
import stat

import numpy as np

from . import _checks, _core, _law
from ._errors import kinds
from ._law import Law


class Table:
    """One histogram of a table: an envelope of n bins of equal area over the
    density x^M (1 - x^2)^((H-1)/2) on [xini, xfin].

    Tables come from `build_table`, `load_table` or pickling, never from
    this constructor. Two tables are equal when their H, M, xini, xfin,
    bin area and edges are (the loss, printed rounded in a file, is not
    compared); they pickle by their values, not by any file.

    Attributes
    ----------
    H : float
        The exponent of sin(y), H >= 1.
    M : int
        The exponent of cos(y), even and >= 0.
    xini, xfin : float
        The interval, -1 <= xini < xfin <= 1.
    loss : float
        The envelope's excess area over the density's, in percent.
    a : float
        The common area of the bins.
    bins : int
        n, the number of bins.
    edges : numpy.ndarray
        The n + 1 bin edges, float64, read-only; the last one is xfin.
    """

    __slots__ = ("_t", "_hash")
    __module__ = "sin_cos"

    @kinds
    def __init__(self, *args, **kwargs):
        raise TypeError("a sin_cos.Table comes from build_table or load_table, not from its constructor")

    @classmethod
    def _of(cls, core):
        self = object.__new__(cls)
        self._t = core
        self._hash = None
        return self

    @property
    def law(self):
        """The table's law, a `Law`."""
        return Law(self.xini, self.xfin, self.H, self.M)

    @property
    def H(self):
        """The exponent of sin(y), H >= 1."""
        return self._t.H

    @property
    def M(self):
        """The exponent of cos(y), even and >= 0."""
        return self._t.M

    @property
    def xini(self):
        """The interval's left end."""
        return self._t.xini

    @property
    def xfin(self):
        """The interval's right end."""
        return self._t.xfin

    @property
    def loss(self):
        """The envelope's excess area over the density's, in percent."""
        return self._t.loss

    @property
    def a(self):
        """The common bin area."""
        return self._t.a

    @property
    def bins(self):
        """The number of bins, n."""
        return self._t.bins

    @property
    def edges(self):
        """The n + 1 bin edges, float64, read-only; the last one is xfin."""
        return self._t.edges

    @kinds
    def save(self, path):
        """Write the table file byte for byte as ``sin_cos`` writes it.

        Parameters
        ----------
        path : str, bytes or os.PathLike
            The file to write; replaced if it exists.

        Raises
        ------
        OSError
            The subclass Python raises for the failure (FileNotFoundError for
            a directory that does not exist, PermissionError, ...), with
            ``errno``, ``strerror`` and ``filename``.
        """
        p = _checks.path("path", path)
        self._t.save(os.fsencode(p), p)

    @kinds
    def pdf(self, x):
        """The normalised density of the law on [xini, xfin].

        Parameters
        ----------
        x : array_like
            Points, anywhere; the density is 0 outside [xini, xfin].

        Returns
        -------
        numpy.ndarray or numpy.float64
            x^M (1 - x^2)^((H-1)/2) divided by its integral over
            [xini, xfin], elementwise; a scalar for a scalar.

        Raises
        ------
        ImportError
            Where scipy is not installed.
        """
        return _law.pdf(self, x)

    @kinds
    def cdf(self, x):
        """The distribution function of the law on [xini, xfin].

        With t = x^2 the density is a Beta((M+1)/2, (H+1)/2) law of t and is
        symmetric about 0, so the mass between 0 and x is sign(x) I(x^2) / 2
        of the whole, I the regularised incomplete beta function
        (scipy.special.betainc); the mass on [xini, x] follows, on either
        side of 0 or across it.

        Parameters
        ----------
        x : array_like
            Points, anywhere: 0 below xini, 1 above xfin.

        Returns
        -------
        numpy.ndarray or numpy.float64
            P(X <= x), elementwise; a scalar for a scalar.

        Raises
        ------
        ImportError
            Where scipy is not installed.
        """
        return _law.cdf(self, x)

    def _key(self):
        # -0.0 and 0.0 are equal edges: the same hash.
        return (self.H, self.M, self.xini, self.xfin, self.a, (self.edges + 0.0).tobytes())

    def __eq__(self, other):
        if not isinstance(other, Table):
            return NotImplemented
        return self._t.same(other._t)

    def __hash__(self):
        if self._hash is None:
            self._hash = hash(self._key())
        return self._hash

    def __reduce__(self):
        edges = np.ascontiguousarray(self.edges, dtype="<f8").tobytes()
        return _restore_table, (self.H, self.M, self.xini, self.xfin, self.loss, self.a, edges)

    def __repr__(self):
        return (f"<sin_cos.Table H={self.H!r} M={self.M} [{self.xini!r}, {self.xfin!r}] {self.bins} bins "
                f"loss={self.loss:.6g}% a={self.a!r}>")


@kinds
def _restore_table(H, M, xini, xfin, loss, a, edges):
    """The table a pickle holds (Table.__reduce__)."""
    values = [_checks.real(name, v) for name, v in (("H", H), ("xini", xini), ("xfin", xfin), ("loss", loss), ("a", a))]
    H, xini, xfin, loss, a = values
    return Table._of(_core.from_parts(H, _checks.c_int("M", M), xini, xfin, loss, a, np.frombuffer(edges, "<f8")))


_restore_table.__module__ = "sin_cos"  # pickles name it there


@kinds
def build_table(law, n, *more, tight=False):
    """The table ``sin_cos`` writes for the law and n, edge for edge.

    Parameters
    ----------
    law : Law
        The law, ``Law(xini, xfin, H, M)``, H >= 1.
    n : int
        The number of bins, 1..100000.
    tight : bool, optional, keyword-only
        False: the table of ``sin_cos``; True: that of ``sin_cos --tight``,
        the lowest loss n bins allow.

    Returns
    -------
    Table

    Raises
    ------
    ParameterError
        A parameter the tool refuses (also a BuildError and a ValueError;
        ``.kind`` 'refused').
    BuildError
        A numerical failure (``.kind`` 'numerical').
    TypeError
        A law that is not a `Law`, n of the wrong type, or the five numbers
        of 2.x's ``build_table(H, M, xini, xfin, n)``.
    OverflowError
        n beyond a C int, named.

    Examples
    --------
    >>> t = build_table(Law(-1, 1, 2, 4), 5000, tight=True)
    >>> t.bins
    5000
    """
    if more or not isinstance(law, Law):
        raise TypeError(f"build_table takes 2 positional arguments, a sin_cos.Law and n "
                        f"(build_table(Law(xini, xfin, H, M), n)), but {len(more) + 2} were given"
                        + ("" if isinstance(law, Law) else f", the first {law!r}"))
    n = _checks.c_int("n", n)
    return Table._of(_core.build(law.xini, law.xfin, law.H, law.M, n, bool(tight)))


def _read(path, read):
    """Opens the file in Python, so that its errors are Python's own, and lets
    the core read it from the descriptor."""
    p = _checks.path("path", path)
    fd = os.open(p, os.O_RDONLY | os.O_CLOEXEC)
    try:
        if stat.S_ISDIR(os.fstat(fd).st_mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), p)
        return read(fd, os.fsencode(p), p)
    finally:
        os.close(fd)


@kinds
def load_table(path, index=None):
    """Read the table of a file ``sin_cos`` wrote, and check it.

    A file of several histograms is refused with their count, unless
    `index` chooses one of them; `load_tables` reads them all.

    Parameters
    ----------
    path : str, bytes or os.PathLike
        The table file (``Sin_Cos.res``); any bytes path, UTF-8 or not.
    index : int, optional
        Histogram `index` of the file, counted from 0 as in C++ and C.

    Returns
    -------
    Table

    Raises
    ------
    OSError
        The subclass Python raises where the file cannot be opened or read
        (FileNotFoundError, PermissionError, IsADirectoryError, ...), with
        ``errno``, ``strerror`` and ``filename``.
    TableError
        A file that is not a table (``.kind == 'malformed'``) or whose
        envelope cannot be sampled from (``'unsound'``); ``.line`` is the
        file's line.
    IndexError
        An `index` past the file's last histogram, or negative.
    TypeError
        An `index` that is not an integer.
    """
    if index is None:
        return Table._of(_read(path, _core.load))
    i = _checks.integer("index", index)
    tables = _read(path, _core.load_all)
    if not 0 <= i < len(tables):
        raise IndexError(f"{os.fsdecode(_checks.path('path', path))}: no histogram {i}: the file holds "
                         f"{len(tables)}, numbered from 0")
    return Table._of(tables[i])


@kinds
def load_tables(path):
    """Read every histogram of a table file, in order, and check each.

    Parameters
    ----------
    path : str, bytes or os.PathLike
        The table file; a file of K single tables under one banner reads too.

    Returns
    -------
    list of Table

    Raises
    ------
    OSError
        As `load_table`.
    TableError
        As `load_table`, its message naming the histogram.
    """
    return [Table._of(t) for t in _read(path, _core.load_all)]


@kinds
def build_tables(laws, n, *, tight=False):
    """The tables of several laws with n bins each, built side by side.

    Parameters
    ----------
    laws : sequence of Law, or of (xini, xfin, H, M)
        The laws, in the order of the tables returned.
    n : int
        The number of bins of every table, 1..100000.
    tight : bool, optional, keyword-only
        As in `build_table`.

    Returns
    -------
    list of Table
        Each equal to `build_table` of its law.

    Raises
    ------
    ParameterError, BuildError
        For the first law in order that ``sin_cos`` would stop on, its
        message naming the law.
    ValueError
        No law at all, as C++, C and Fortran refuse it.
    TypeError
        A law that is not four numbers, named by its index.
    """
    checked = []
    for k, law in enumerate(laws):
        if isinstance(law, Law):
            checked.append((law.xini, law.xfin, law.H, law.M))
            continue
        try:
            xini, xfin, H, M = law
        except (TypeError, ValueError):
            raise TypeError(f"laws[{k}] must be a Law or (xini, xfin, H, M), not {law!r}") from None
        checked.append((_checks.real(f"laws[{k}] xini", xini), _checks.real(f"laws[{k}] xfin", xfin),
                        _checks.real(f"laws[{k}] H", H), _checks.c_int(f"laws[{k}] M", M)))
    return [Table._of(t) for t in _core.build_all(checked, _checks.c_int("n", n), bool(tight))]

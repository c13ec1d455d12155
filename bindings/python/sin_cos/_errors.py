"""The failures of sin_cos, one class for each kind.

Every exception the package raises says its kind on the instance, in the
vocabulary of every language's interface (C++'s sin_cos::errc): ``.kind`` is
'refused', 'numerical', 'malformed', 'unsound', 'io', 'invalid_argument' or
'no_memory'. A file that cannot be opened, read or written raises the OSError
subclass Python raises for it (FileNotFoundError, PermissionError, ...), with
``.kind == 'io'``; a wrong argument the built-in TypeError, ValueError,
OverflowError or IndexError, with ``.kind == 'invalid_argument'``. The classes
here keep their attributes through pickling, so that a failure on a Dask or
multiprocessing worker reaches the caller whole.
"""

import functools

__all__ = ["BuildError", "ParameterError", "TableError"]

KINDS = ("refused", "numerical", "malformed", "unsound", "io", "invalid_argument", "no_memory")


def _kind_of(e):
    if isinstance(e, OSError):
        return "io"
    if isinstance(e, MemoryError):
        return "no_memory"
    if isinstance(e, (TypeError, ValueError, OverflowError, IndexError)):
        return "invalid_argument"
    return None


def kinds(function):
    """Gives every exception leaving `function` its kind, where it has none."""

    @functools.wraps(function)
    def with_kinds(*args, **kwargs):
        try:
            return function(*args, **kwargs)
        except Exception as e:
            if getattr(e, "kind", None) not in KINDS:
                kind = _kind_of(e)
                if kind is not None and not isinstance(e, TableError):
                    try:
                        e.kind = kind
                    except AttributeError:
                        pass
            raise

    return with_kinds


class BuildError(RuntimeError):
    """A table ``sin_cos`` would not build.

    Raised as such for a numerical failure (``.kind == 'numerical'``); a
    refused parameter raises its subclass `ParameterError`.

    Parameters
    ----------
    message : str
        The tool's message.

    Attributes
    ----------
    kind : str
        'numerical', or 'refused' for a `ParameterError`.
    """

    __module__ = "sin_cos"

    def __init__(self, message):
        super().__init__(message)
        self.kind = "numerical"

    def __reduce__(self):
        return type(self), (str(self),)


class ParameterError(BuildError, ValueError):
    """A parameter ``sin_cos`` refuses (``.kind == 'refused'``).

    Both a `BuildError` and a ``ValueError``, as numpy raises for a bad
    parameter: H below 1 (below -1 for a `Law`), M odd or negative, n
    outside 1..100000, an interval not inside [-1, 1] or empty.

    Parameters
    ----------
    message : str
        The message, naming the value refused.
    """

    __module__ = "sin_cos"

    def __init__(self, message):
        super().__init__(message)
        self.kind = "refused"


class TableError(ValueError):
    """A table that cannot be used.

    Parameters
    ----------
    message : str
        What is wrong, after ``path:line:``.
    kind : {'malformed', 'unsound'}
        ``'malformed'``: not a table (bad syntax, truncated, counts that
        disagree); ``'unsound'``: a table whose envelope cannot be sampled
        from (edges out of order, an area that is not positive, a bin below
        the density).
    line : int
        The file's line, from 1; 0 if none.

    Attributes
    ----------
    kind : str
    line : int
    """

    __module__ = "sin_cos"

    def __init__(self, message, kind="malformed", line=0):
        super().__init__(message)
        self.kind = kind
        self.line = line

    def __reduce__(self):
        return type(self), (str(self), self.kind, self.line)

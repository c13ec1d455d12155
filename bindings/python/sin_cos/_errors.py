"""The failures of sin_cos, one class for each kind.

A file that cannot be opened, read or written raises the OSError subclass
Python raises for it (FileNotFoundError, PermissionError, ...); the classes
here keep their attributes through pickling, so that a failure on a Dask or
multiprocessing worker reaches the caller whole.
"""

__all__ = ["BuildError", "ParameterError", "TableError"]


class BuildError(RuntimeError):
    """A table ``sin_cos`` would not build.

    Raised as such for a numerical failure (the tool's exit status 1); a
    refused parameter raises its subclass `ParameterError`.

    Parameters
    ----------
    message : str
        The tool's message.
    status : int, optional
        The exit status the tool ends with: 1 for a numerical failure,
        255 for a refused parameter.

    Attributes
    ----------
    status : int
        1 or 255, as above.
    """

    __module__ = "sin_cos"

    def __init__(self, message, status=1):
        super().__init__(message)
        self.status = status

    def __reduce__(self):
        return type(self), (str(self), self.status)


class ParameterError(BuildError, ValueError):
    """A parameter ``sin_cos`` refuses (the tool's exit status 255).

    Both a `BuildError` and a ``ValueError``, as numpy raises for a bad
    parameter: H below 1, M odd or negative, n outside 1..100000, an
    interval not inside [-1, 1] or empty.

    Parameters
    ----------
    message : str
        The tool's message, naming the value refused.
    status : int, optional
        255.
    """

    __module__ = "sin_cos"

    def __init__(self, message, status=255):
        super().__init__(message, status)


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

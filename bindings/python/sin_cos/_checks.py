"""Arguments checked and converted before they reach C++: a wrong type is a
TypeError and a value C++ cannot hold a ValueError or OverflowError, each
naming the argument."""

import numbers
import operator
import os

import numpy as np

INT_MIN, INT_MAX = -(2**31), 2**31 - 1
UINT64_MAX = 2**64 - 1


def _type_name(value):
    return type(value).__name__


def real(name, value):
    """A float from a real number (a Python or numpy int or float)."""
    if not (isinstance(value, numbers.Real) or
            isinstance(value, np.ndarray) and value.ndim == 0 and value.dtype.kind in "biuf"):
        raise TypeError(f"{name} must be a real number, not {_type_name(value)}")
    try:
        return float(value)
    except OverflowError:
        raise OverflowError(f"{name} = {value} is out of range for a double") from None


def integer(name, value):
    """An int from anything numpy takes as an index (int, numpy integer)."""
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {_type_name(value)}") from None


def c_int(name, value):
    """An int that C's int holds: larger ones are an OverflowError naming the argument."""
    i = integer(name, value)
    if not INT_MIN <= i <= INT_MAX:
        raise OverflowError(f"{name} = {i} is out of range for a C int ({INT_MIN}..{INT_MAX})")
    return i


def seed(value):
    """A std::mt19937_64 seed: 0 <= seed < 2**64."""
    s = integer("seed", value)
    if s < 0:
        raise ValueError(f"seed = {s} must not be negative")
    if s > UINT64_MAX:
        raise OverflowError(f"seed = {s} is out of range: at most 2**64 - 1")
    return s


def shape(size):
    """numpy's size argument: None (one value), an int or a sequence of ints."""
    if size is None:
        return None
    if isinstance(size, (str, bytes)):
        raise TypeError(f"size must be None, an int or a tuple of ints, not {_type_name(size)}")
    try:
        dims = (operator.index(size),)
    except TypeError:
        try:
            dims = tuple(size)
        except TypeError:
            raise TypeError(f"size must be None, an int or a tuple of ints, not {_type_name(size)}") from None
        try:
            dims = tuple(operator.index(d) for d in dims)
        except TypeError:
            raise TypeError(f"size must be None, an int or a tuple of ints, not {size!r}") from None
    for d in dims:
        if d < 0:
            raise ValueError(f"size = {size!r}: negative dimensions are not allowed")
        if d > np.iinfo(np.intp).max:
            raise OverflowError(f"size = {size!r} is out of range: a dimension is at most {np.iinfo(np.intp).max}")
    return dims


def generator(rng):
    """What numpy.random.default_rng takes, as a Generator or BitGenerator to draw from."""
    if isinstance(rng, (np.random.Generator, np.random.BitGenerator)):
        return rng
    try:
        return np.random.default_rng(rng)
    except (TypeError, ValueError) as e:
        raise type(e)(f"rng: {e} (rng takes None, an int, a SeedSequence, a BitGenerator or a Generator)") from None


def path(name, value):
    """A path (str, bytes or os.PathLike) as str or bytes."""
    try:
        return os.fspath(value)
    except TypeError:
        raise TypeError(f"{name} must be str, bytes or os.PathLike, not {_type_name(value)}") from None

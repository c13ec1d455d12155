"""The library's engine, C++'s std::mt19937_64, as a numpy bit generator."""

import numpy as np

from . import _checks, _core
from ._errors import kinds

_WORDS = _core.MT19937_64_WORDS


class MT19937_64(np.random.BitGenerator):
    """C++'s ``std::mt19937_64`` as a numpy bit generator.

    The engine C++, C (``sin_cos_rng``) and Fortran draw with, so that
    ``Sampler.sample(size, rng=g)`` continues the C++ stream from call to
    call, and ``numpy.random.Generator(g)`` draws a simulation's other
    numbers from the same stream.

    Parameters
    ----------
    seed : {None, int, SeedSequence}, optional
        An int, 0 <= seed < 2**64, seeds the engine as ``std::mt19937_64(seed)``
        does. None takes a fresh `numpy.random.SeedSequence` of the operating
        system's entropy; a SeedSequence seeds the engine with its first
        64-bit word (``generate_state(1, numpy.uint64)``).

    Attributes
    ----------
    lock : threading.Lock
        Held by every draw of the bit generator, numpy's and `Sampler`'s
        alike, so that threads sharing it take turns.
    capsule : PyCapsule
        numpy's C interface to the engine, ``"BitGenerator"``.

    Raises
    ------
    TypeError
        A seed that is not None, an int or a SeedSequence, named.
    ValueError, OverflowError
        A negative seed, or one of 2**64 or more, named.

    See Also
    --------
    numpy.random.Generator : draws numpy's distributions from it.
    Sampler.sample : draws from a table with it.

    Notes
    -----
    Each draw takes the engine's 64-bit words in order: ``random_raw`` and
    ``next_uint64`` give them as they are, ``next_double`` gives
    ``(w >> 11) * 2**-53``, and ``next_uint32`` the low then the high half of
    a word. A `Sampler` takes two words a proposal, in line, without a call
    through numpy.

    The state is numpy's MT19937's with 64-bit words: ``key``, the block of
    312 words, and ``pos``, the next one's place in it (312: the next word
    starts a new block), with the half word ``next_uint32`` keeps back. It
    pickles with its state, so an unpickled copy continues the same stream.

    Examples
    --------
    >>> import numpy as np
    >>> import sin_cos
    >>> g = sin_cos.MT19937_64(12345)
    >>> s = sin_cos.Sampler(sin_cos.build_table(sin_cos.Law(-1, 1, 2, 4), 1000, tight=True))
    >>> x = np.concatenate([s.sample(10, rng=g), s.sample(10, rng=g)])  # C++'s first 20 draws
    >>> u = np.random.Generator(g).random(3)  # and then the same stream for numpy
    """

    __module__ = "sin_cos"

    @kinds
    def __init__(self, seed=None):
        if self.capsule is not None:
            raise TypeError("MT19937_64 is initialised once; make a new one to reseed")
        if seed is None or isinstance(seed, np.random.SeedSequence):
            sequence = np.random.SeedSequence() if seed is None else seed
            word = int(sequence.generate_state(1, np.uint64)[0])
        else:
            word = _checks.seed(seed)
            sequence = np.random.SeedSequence(word)
        super().__init__(sequence)
        _core.mt19937_64_attach(self.capsule, word)

    @property
    def state(self):
        """The engine's state, a dict in numpy's form.

        ``{'bit_generator': 'MT19937_64', 'state': {'key': uint64 array of
        312, 'pos': int}, 'has_uint32': int, 'uinteger': int}``; setting a
        dict of that form (from another MT19937_64) continues its stream.
        """
        with self.lock:
            key, pos, has_uint32, uinteger = _core.mt19937_64_state(self.capsule)
        return {"bit_generator": "MT19937_64", "state": {"key": key, "pos": pos}, "has_uint32": has_uint32,
                "uinteger": uinteger}

    @state.setter
    @kinds
    def state(self, value):
        if not isinstance(value, dict):
            raise TypeError(f"state must be a dict, not {type(value).__name__}")
        if value.get("bit_generator") != "MT19937_64":
            raise ValueError(f"state['bit_generator'] = {value.get('bit_generator')!r}: "
                             "the state must be an MT19937_64's")
        try:
            inner = value["state"]
            key, pos = inner["key"], inner["pos"]
            has_uint32, uinteger = value["has_uint32"], value["uinteger"]
        except (KeyError, TypeError) as e:
            raise ValueError(f"state lacks {e}: it needs 'state': {{'key', 'pos'}}, 'has_uint32', "
                             "'uinteger'") from None
        key = np.asarray(key)
        if key.shape != (_WORDS,) or key.dtype.kind not in "ui" or key.dtype.kind == "i" and (key < 0).any():
            raise ValueError(f"state['state']['key'] must be {_WORDS} integers 0..2**64 - 1, "
                             f"not {key.dtype} of shape {key.shape}")
        pos = _bounded("state['state']['pos']", pos, _WORDS)
        has_uint32 = _bounded("state['has_uint32']", has_uint32, 1)
        uinteger = _bounded("state['uinteger']", uinteger, 2**32 - 1)
        key = np.ascontiguousarray(key, dtype=np.uint64)
        with self.lock:
            _core.mt19937_64_set_state(self.capsule, key, pos, bool(has_uint32), uinteger)

    @kinds
    def random_raw(self, size=None, output=True):
        """The engine's next 64-bit words, as they are.

        Parameters
        ----------
        size : int or tuple of ints, optional
            The output shape; None (the default) gives one word.
        output : bool, optional
            False draws the words (advancing the engine) and returns None.

        Returns
        -------
        int or numpy.ndarray or None
            One Python int when `size` is None, else a uint64 array of shape
            `size`.
        """
        if self.capsule is None:  # numpy's would call a null function
            raise TypeError("MT19937_64.__init__ was not called")
        return super().random_raw(size, output)

    def __reduce__(self):
        return type(self), (self._seed_seq,), self.state

    @kinds
    def __setstate__(self, state):
        self.state = state


def _bounded(name, value, most):
    i = _checks.integer(name, value)
    if not 0 <= i <= most:
        raise ValueError(f"{name} = {i} is out of range 0..{most}")
    return i

"""The Python side of the vorn kernel.

The kernel itself is three extension modules, ``vorn_identity``, ``vorn_registry``
and ``vorn_wallet``. This package holds what is plain Python: the exception class
the kernel raises when one of its own invariants fails.

Every error a caller can cause is a ``TypeError``, ``OverflowError``, ``ValueError``
or ``MemoryError``. ``PanicException`` is different: it means a built-in constant
or table of the kernel is broken, which no argument can bring about. It derives
from ``BaseException`` (not ``Exception``) so that an ordinary ``except Exception``
does not swallow it; catch it by name where a program must survive it::

    import vorn
    try:
        vorn_identity.poseidon([1, 2])
    except vorn.PanicException as exc:
        report(exc)
"""

__all__ = ["PanicException"]


class PanicException(BaseException):
    """An internal invariant of the vorn kernel failed.

    Derived from BaseException: it is never raised for bad input, only when a
    built-in constant is broken or the kernel meets a state it cannot be in. The
    single argument is the failure text.
    """


# The kernel looks this class up when its first module is created, so the class the
# modules raise is this one, reachable by name.
PanicException.__module__ = "vorn"

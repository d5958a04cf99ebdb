"""Integers across the boundary, in this interpreter and in every other CPython 3.10+
found on the machine.

The modules choose their integer conversion by the interpreter they run in (the byte
conversions of 3.13 and later, those of 3.10 to 3.12, the int methods otherwise), so
the same abi3 build is loaded under each interpreter and made to convert a table of
values both ways, with the errors of the argument layer. Expected values are plain
Python arithmetic.
"""
import glob
import os
import subprocess
import sys

import pytest

import vorn_identity

CHILD = r'''
import sys
import vorn_identity as vi

R = vi.ORDER
Q = vi.FIELD_MODULUS
W = 1 << 256


class Sub(int):
    pass


class Index:
    def __init__(self, v):
        self.v = v

    def __index__(self):
        return self.v


values = [0, 1, 2, 255, 256, 2**31 - 1, 2**32, 2**62, 2**63 - 1, 2**63, 2**63 + 1, 2**64 - 1, 2**64,
          2**127, 2**128 + 3, R - 1, R, R + 1, Q - 1, 2**255, 2**255 + 12345, W - 2, W - 1]
values += [(0x9E3779B97F4A7C15 * (i + 1)) ** 4 % W for i in range(40)]
for v in values:
    for arg in (v, Sub(v), Index(v)):
        assert vi.reduce_mod_order(arg) == v % R, (v, type(arg))
    assert vi.keccak_scalar([v, v]) == vi.keccak_scalar((v, v))
assert vi.reduce_mod_order(True) == 1
for bad, exc, text in [(-1, OverflowError, "can't convert negative int to unsigned"),
                       (-(2**64), OverflowError, "can't convert negative int to unsigned"),
                       (-(2**300), OverflowError, "can't convert negative int to unsigned"),
                       (W, ValueError, "word out of range (>= 2^256)"),
                       (2**1000, ValueError, "word out of range (>= 2^256)"),
                       (Index(-5), OverflowError, "can't convert negative int to unsigned"),
                       (1.0, TypeError, None)]:
    try:
        vi.reduce_mod_order(bad)
    except exc as e:
        assert text is None or str(e) == text, (bad, str(e))
    else:
        raise AssertionError(bad)
# Results: every word size comes back as the same int.
G = vi.G1
for k in [1, 2, 3, 2**64 + 1, R - 1, R - 2]:
    p = vi.g1_mul(G, k)
    assert vi.g1_add(p, vi.g1_neg(p)) == (0, 0)
    assert vi.g1_neg(vi.g1_neg(p)) == p
    assert vi.g1_neg(p) == (p[0], Q - p[1])
for v in values:
    assert vi.reduce_mod_order(v) == v % R
print("ok", sys.version_info[:2])
'''


def interpreters():
    found = {}
    roots = [os.path.expanduser("~/.pyenv/versions/*/bin/python3.*"), "/usr/bin/python3.*",
             "/usr/local/bin/python3.*"]
    for pattern in roots:
        for path in sorted(glob.glob(pattern)):
            name = os.path.basename(path)
            if not name.replace("python3.", "").isdigit() or not os.access(path, os.X_OK):
                continue
            minor = int(name.replace("python3.", ""))
            if minor >= 10:
                found.setdefault(minor, path)
    return found


MODULE_DIR = os.path.dirname(os.path.abspath(vorn_identity.__file__))


def run_child(python):
    env = dict(os.environ, PYTHONPATH=MODULE_DIR)
    return subprocess.run([python, "-c", CHILD], capture_output=True, text=True, env=env, timeout=120)


def test_this_interpreter():
    run = run_child(sys.executable)
    assert run.returncode == 0, run.stderr
    assert run.stdout.startswith("ok")


@pytest.mark.parametrize("minor", sorted(interpreters()))
def test_other_interpreters(minor):
    python = interpreters()[minor]
    if minor == sys.version_info[1]:
        pytest.skip("this interpreter")
    run = run_child(python)
    assert run.returncode == 0, run.stderr[-3000:]
    assert run.stdout.startswith("ok")

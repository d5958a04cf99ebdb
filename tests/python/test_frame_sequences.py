"""Hostile sequence arguments: every sequence parameter against objects that lie about
their length, never end, fail midway or change while they are read.

Each case runs in a fresh interpreter, so an abort (an uncaught C++ exception, a
memory blow-up) shows as a failed case rather than taking the test run down. The
child prints what the call gave: the result's equality with the honest call, or the
exception's class and text.
"""
import json
import subprocess
import sys
import textwrap

import pytest

import vorn_identity as vi

CHILD = textwrap.dedent(r"""
    import json, sys
    import vorn_identity as vi, vorn_registry as vr

    ENV = (True, 4, [0, 1], 500, 300, 1000.0, [7, 9])
    KW = dict(scope=9, face=10, dep_type=1, dep_rate=500, premium_rate=300, now=1000.0)
    P, Q = vi.G1, vi.G2

    # Each parameter: the function taking the sequence and honest elements for it.
    PARAMS = {
        "words": (lambda s: vi.keccak_scalar(s), [1, 2, 3]),
        "cms": (lambda s: vi.batch_commitment(s), [1, 2, 3]),
        "inputs": (lambda s: vi.poseidon(s), [1, 2, 3]),
        "pairs": (lambda s: vi.pairing_check(s), [(P, Q), (vi.g1_neg(P), Q)]),
        "dep_models": (lambda s: vr.check_issuance(ENV[:2] + (s,) + ENV[3:], **KW), [0, 1]),
        "scopes": (lambda s: vr.check_issuance(ENV[:6] + (s,), **KW), [7, 9]),
    }

    class Lying:
        # A sequence whose __len__ says n whatever it holds.
        def __init__(self, n, items):
            self.n, self.items = n, list(items)
        def __len__(self):
            return self.n
        def __getitem__(self, i):
            if i >= len(self.items):
                raise IndexError(i)
            return self.items[i]

    class LenRaises(Lying):
        def __len__(self):
            raise RuntimeError("no length")

    class FailsMidway(Lying):
        def __getitem__(self, i):
            if i == 1:
                raise RuntimeError("midway")
            return Lying.__getitem__(self, i)

    class Endless:
        # Claims one element, never stops: the store must stop it.
        def __len__(self):
            return 1
        def __getitem__(self, i):
            return self.item
        def __init__(self, item):
            self.item = item

    class Grows(Lying):
        # A list that appends to itself while it is read.
        def __getitem__(self, i):
            if i < 40:
                self.items.append(self.items[0])
            return Lying.__getitem__(self, i)

    class Shrinks(Lying):
        def __getitem__(self, i):
            if i == 0:
                del self.items[1:]
            return Lying.__getitem__(self, i)

    def make(kind, items):
        return {
            "len-max": lambda: Lying(sys.maxsize, items),
            "len-2^33": lambda: Lying(2**33, items),
            "len-0": lambda: Lying(0, items),
            "len-raises": lambda: LenRaises(0, items),
            "fails-midway": lambda: FailsMidway(len(items), items),
            "grows": lambda: Grows(len(items), items),
            "shrinks": lambda: Shrinks(len(items), items),
            "range": lambda: range(10**12),
            "endless": lambda: Endless(items[0]),
        }[kind]()

    param, kind = sys.argv[1], sys.argv[2]
    fn, items = PARAMS[param]
    try:
        out = {"ok": True, "value": repr(fn(make(kind, items)))}
        out["honest"] = repr(fn(list(make(kind, items)) if kind in ("grows", "shrinks") else items))
    except BaseException as exc:
        out = {"ok": False, "type": type(exc).__name__, "text": str(exc)}
    print(json.dumps(out))
""")

PARAMS = ["words", "cms", "inputs", "pairs", "dep_models", "scopes"]
TOO_LONG = "sequence argument too long: more than 16777216 elements or 512 MiB once converted"


def run(param, kind):
    proc = subprocess.run([sys.executable, "-c", CHILD, param, kind], capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, f"interpreter died ({proc.returncode}): {proc.stderr[-2000:]}"
    return json.loads(proc.stdout)


@pytest.mark.parametrize("param", PARAMS)
@pytest.mark.parametrize("kind", ["len-max", "len-2^33", "len-0", "len-raises"])
def test_a_wrong_length_is_only_a_hint(param, kind):
    out = run(param, kind)
    assert out["ok"], out
    assert out["value"] == out["honest"]


@pytest.mark.parametrize("param", PARAMS)
def test_an_error_midway_passes_through(param):
    assert run(param, "fails-midway") == {"ok": False, "type": "RuntimeError", "text": "midway"}


@pytest.mark.parametrize("param", PARAMS)
@pytest.mark.parametrize("kind", ["grows", "shrinks"])
def test_a_sequence_changing_while_read_gives_what_was_read(param, kind):
    out = run(param, kind)
    if out["ok"]:
        assert out["value"] == out["honest"]
    else:  # a too-long input for its function (poseidon's arity), never an abort
        assert out["type"] == "ValueError", out


@pytest.mark.parametrize("param,expect", [
    ("words", ("MemoryError", TOO_LONG)),
    ("cms", ("MemoryError", TOO_LONG)),
    ("inputs", ("MemoryError", TOO_LONG)),
    # The first element of range() is an int, not a (G1, G2) tuple; dep_models' 256
    # does not fit in a byte.
    ("pairs", ("TypeError", "argument 'pairs': 'int' object cannot be converted to 'PyTuple'")),
    ("dep_models", ("OverflowError", "out of range integral type conversion attempted")),
    ("scopes", ("MemoryError", TOO_LONG)),
])
def test_a_huge_range_raises(param, expect):
    out = run(param, "range")
    assert (out["type"], out["text"]) == expect


@pytest.mark.parametrize("param", PARAMS)
def test_an_endless_sequence_stops_with_memory_error(param):
    out = run(param, "endless")
    assert (out["type"], out["text"]) == ("MemoryError", TOO_LONG)


def test_elements_in_order_decide_the_error():
    # A wide word early and a negative int later: the conversion of every element
    # comes first (OverflowError), the word range after it (ValueError).
    with pytest.raises(OverflowError):
        vi.keccak_scalar([2**256, -1])
    with pytest.raises(ValueError, match=r"^word out of range \(>= 2\^256\)$"):
        vi.keccak_scalar([1, 2**256, 3])
    with pytest.raises(TypeError, match="^argument 'pairs': "):
        vi.pairing_check([((2**256, 0), vi.G2), 5])
    with pytest.raises(ValueError, match=r"^word out of range \(>= 2\^256\)$"):
        vi.pairing_check([(vi.G1, vi.G2), (vi.G1, ((0, 2**256), (0, 0)))])
    with pytest.raises(ValueError, match="^expected tuple of length 2, but got tuple of length 3$"):
        vi.pairing_check([((2**256, 0), vi.G2), ((1, 2, 3), vi.G2)])

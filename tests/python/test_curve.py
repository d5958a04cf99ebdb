"""The curve primitives and the module frame as Python sees them."""
import inspect
import json
import pathlib

import pytest

import vorn_identity as vi
import vorn_registry
import vorn_wallet

from conftest import G1, G2, G2_INF, Q, R

VECTORS = pathlib.Path(__file__).resolve().parent.parent / "vectors" / "evm"


def words(hexstr, n):
    hexstr = hexstr.ljust(64 * n, "0")
    return [int(hexstr[64 * i: 64 * i + 64], 16) for i in range(n)]


# ---- constants -------------------------------------------------------------

def test_constants():
    assert vi.ORDER == vi.F_R == 0x30644E72E131A029B85045B68181585D2833E84879B9709143E1F593F0000001
    assert vi.FIELD_MODULUS == 0x30644E72E131A029B85045B68181585D97816A916871CA8D3C208C16D87CFD47
    assert vi.G1 == (1, 2)
    assert (vi.FLAVOR_A1, vi.FLAVOR_A2, vi.FLAVOR_B1) == (1, 2, 3)
    assert all(type(c) is int for c in (vi.ORDER, vi.F_R, vi.FIELD_MODULUS, vi.FLAVOR_A1))
    # The generator is in the group: r * G2 is infinity.
    assert vi.g2_mul(G2, R) == G2_INF


# ---- EVM precompile vectors -----------------------------------------------

def load(name):
    return json.loads((VECTORS / name).read_text())


@pytest.mark.parametrize("case", load("bn256Add.json"), ids=lambda c: c["Name"])
def test_evm_add(case):
    x1, y1, x2, y2 = words(case["Input"][:256], 4)
    try:
        got = vi.g1_add((x1, y1), (x2, y2))
    except ValueError:
        assert case["Expected"] == ""
        return
    assert got == tuple(words(case["Expected"], 2))


@pytest.mark.parametrize("case", load("bn256ScalarMul.json"), ids=lambda c: c["Name"])
def test_evm_mul(case):
    x, y, k = words(case["Input"][:192], 3)
    try:
        got = vi.g1_mul((x, y), k)
    except ValueError:
        assert case["Expected"] == ""
        return
    assert got == tuple(words(case["Expected"], 2))


def evm_pairs(hexstr):
    pairs = []
    for off in range(0, len(hexstr), 384):
        ax, ay, bxi, bxr, byi, byr = words(hexstr[off:off + 384], 6)
        pairs.append(((ax, ay), ((bxr, bxi), (byr, byi))))
    return pairs


@pytest.mark.parametrize("case", load("bn256Pairing.json"), ids=lambda c: c["Name"])
def test_evm_pairing(case):
    try:
        got = vi.pairing_check(evm_pairs(case["Input"]))
    except ValueError:
        assert case["Expected"] == ""
        return
    assert got == (int(case["Expected"], 16) == 1)


# ---- edge cases of the primitives -----------------------------------------

def test_group_edge_cases():
    neg = vi.g1_neg(G1)
    assert neg == (1, Q - 2)
    assert vi.g1_add(G1, neg) == (0, 0)
    assert vi.g1_neg((0, 0)) == (0, 0)
    assert vi.g1_add((0, 0), G1) == G1
    assert vi.g1_add(G1, G1) == vi.g1_mul(G1, 2)
    for k, expected in [(0, (0, 0)), (R, (0, 0)), (R + 1, G1), (1, G1), (True, G1)]:
        assert vi.g1_mul(G1, k) == expected
    assert vi.g1_mul(G1, 2**256 - 1) == vi.g1_mul(G1, (2**256 - 1) % R)
    assert vi.g2_mul(G2, 0) == G2_INF
    assert vi.g2_add(G2, G2) == vi.g2_mul(G2, 2)
    assert vi.g2_add(G2_INF, G2) == G2


def test_pairing_edge_cases():
    assert vi.pairing_check([]) is True
    assert vi.pairing_check([(G1, G2), ((1, Q - 2), G2)]) is True
    assert vi.pairing_check([(G1, G2)]) is False
    assert vi.pairing_check([((0, 0), G2)]) is True
    assert vi.pairing_check([(G1, G2_INF)]) is True
    # Bilinearity: e(aP, bQ) * e(-abP, Q) = 1.
    a, b = 0x1234567890ABCDEF, 0xFEDCBA0987654321
    ab = a * b % R
    assert vi.pairing_check([(vi.g1_mul(G1, a), vi.g2_mul(G2, b)), (vi.g1_neg(vi.g1_mul(G1, ab)), G2)])
    assert not vi.pairing_check([(vi.g1_mul(G1, a), vi.g2_mul(G2, b)), (vi.g1_neg(vi.g1_mul(G1, ab + 1)), G2)])
    # Lists and tuples of pairs are both sequences.
    assert vi.pairing_check(((G1, G2), ((1, Q - 2), G2))) is True


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: vi.g1_add((0, 1), G1), "G1 point not on curve"),
        (lambda: vi.g1_add((Q, 2), G1), "coordinate not a canonical Fq element"),
        (lambda: vi.g1_add((1, 2 + Q), G1), "coordinate not a canonical Fq element"),
        (lambda: vi.g1_add(G1, (1, 3)), "G1 point not on curve"),
        (lambda: vi.g1_mul(G1, 2**256), "word out of range (>= 2^256)"),
        (lambda: vi.g1_neg((2**256, 0)), "word out of range (>= 2^256)"),
        # c0 and c1 swapped in both coordinates: not on the twist.
        (lambda: vi.g2_add(((G2[0][1], G2[0][0]), (G2[1][1], G2[1][0])), G2), "G2 point not on curve"),
        (lambda: vi.g2_mul(((Q, 0), (0, 0)), 1), "coordinate not a canonical Fq element"),
        # All words are converted before any point is decoded.
        (lambda: vi.pairing_check([((0, 1), G2), (G1, ((2**256, 0), (0, 0)))]), "word out of range (>= 2^256)"),
        (lambda: vi.pairing_check([((0, 1), G2), (G1, G2)]), "G1 point not on curve"),
        (lambda: vi.reduce_mod_order(2**256), "word out of range (>= 2^256)"),
    ],
)
def test_decoding_messages(call, message):
    with pytest.raises(ValueError) as err:
        call()
    assert err.type is ValueError and str(err.value) == message


def test_twist_point_outside_subgroup():
    # x = 1 + 0u gives a point on the twist (y found by the test helper below);
    # the twist's cofactor is large, so such a point is almost never in G2.
    b2 = twist_b()
    for x0 in range(1, 50):
        x = (x0, 0)
        rhs = f2_add(f2_mul(f2_mul(x, x), x), b2)
        y = f2_sqrt(rhs)
        if y is None:
            continue
        with pytest.raises(ValueError, match="G2 point not in the prime-order subgroup"):
            vi.g2_mul((x, y), 1)
        return
    pytest.fail("no twist point found")


def test_reduce_mod_order():
    for v, expected in [(0, 0), (R - 1, R - 1), (R, 0), (2**256 - 1, (2**256 - 1) % R)]:
        assert vi.reduce_mod_order(v) == expected


# ---- the argument layer ----------------------------------------------------

@pytest.mark.parametrize(
    "call, exc, text",
    [
        (lambda: vi.g1_mul(G1, -1), OverflowError, None),
        (lambda: vi.g1_mul(G1, 1.0), TypeError, "argument 'k': "),
        (lambda: vi.g1_mul(G1, "1"), TypeError, "argument 'k': "),
        (lambda: vi.g1_mul(G1, None), TypeError, "argument 'k': "),
        (lambda: vi.g1_mul([1, 2], 1), TypeError, "argument 'p': "),
        (lambda: vi.g1_mul((1, 2, 3), 1), ValueError, "expected tuple of length 2, but got tuple of length 3"),
        (lambda: vi.g1_mul((1,), 1), ValueError, "expected tuple of length 2, but got tuple of length 1"),
        (lambda: vi.g1_mul((1, 2.0), 1), TypeError, "argument 'p': "),
        (lambda: vi.g1_neg(None), TypeError, "argument 'p': "),
        (lambda: vi.g2_add(((1, 2), (3, 4), (5, 6)), G2), ValueError, "expected tuple of length 2, but got tuple of length 3"),
        (lambda: vi.g2_add((G1, [3, 4]), G2), TypeError, "argument 'a': "),
        (lambda: vi.pairing_check("ab"), TypeError, "argument 'pairs': Can't extract `str` to `Vec`"),
        (lambda: vi.pairing_check(5), TypeError, "argument 'pairs': "),
        (lambda: vi.pairing_check([[G1, G2]]), TypeError, "argument 'pairs': "),
        (lambda: vi.pairing_check([(G1, G2, G2)]), ValueError, "expected tuple of length 2, but got tuple of length 3"),
        (lambda: vi.pairing_check({1: 2}), TypeError, "argument 'pairs': "),
        (lambda: vi.g1_mul(G1), TypeError, None),
        (lambda: vi.g1_mul(G1, 1, 2), TypeError, None),
        (lambda: vi.g1_mul(G1, k=1, q=2), TypeError, None),
        (lambda: vi.g1_mul(G1, 1, k=1), TypeError, None),
        (lambda: vi.reduce_mod_order(-(2**300)), OverflowError, None),
    ],
)
def test_argument_errors(call, exc, text):
    with pytest.raises(exc) as err:
        call()
    assert err.type is exc
    if text is not None:
        assert str(err.value).startswith(text) if text.endswith(": ") else str(err.value) == text


def test_argument_forms_accepted():
    class MyInt(int):
        pass

    class Indexable:
        def __index__(self):
            return 3

    p3 = vi.g1_mul(G1, 3)
    assert vi.g1_mul(G1, MyInt(3)) == p3
    assert vi.g1_mul(G1, Indexable()) == p3
    assert vi.g1_mul(p=G1, k=3) == p3
    assert vi.g1_mul(G1, k=3) == p3
    assert vi.g1_mul((MyInt(1), True + 1), 3) == p3
    assert vi.g1_mul(G1, 2**256 - 1) == vi.g1_mul(G1, (2**256 - 1) % R)
    # Results are plain ints and tuples.
    assert type(p3) is tuple and all(type(c) is int for c in p3)


def test_text_signatures_and_docstrings():
    assert str(inspect.signature(vi.g1_mul)) == "(p, k)"
    assert str(inspect.signature(vi.pairing_check)) == "(pairs)"
    assert vi.pairing_check.__doc__ == "EVM ecPairing semantics: `prod e(P_i, Q_i) == 1`."
    assert vi.g1_add.__module__ == "vorn_identity"
    for mod in (vi, vorn_registry, vorn_wallet):
        for name in dir(mod):
            f = getattr(mod, name)
            if callable(f) and not name.startswith("__"):
                inspect.signature(f)  # every function carries a text signature


# ---- a little Fq2 arithmetic for building twist points in tests -------------

def f2_add(a, b):
    return ((a[0] + b[0]) % Q, (a[1] + b[1]) % Q)


def f2_mul(a, b):
    return ((a[0] * b[0] - a[1] * b[1]) % Q, (a[0] * b[1] + a[1] * b[0]) % Q)


def f2_inv(a):
    d = pow(a[0] * a[0] + a[1] * a[1], Q - 2, Q)
    return (a[0] * d % Q, -a[1] * d % Q)


def f2_pow(a, e):
    out = (1, 0)
    while e:
        if e & 1:
            out = f2_mul(out, a)
        a = f2_mul(a, a)
        e >>= 1
    return out


def twist_b():
    return f2_mul((3, 0), f2_inv((9, 1)))


def f2_sqrt(a):
    # q^2 = 9 mod 16 is awkward; use the q = 3 mod 4 complex method.
    a1 = f2_pow(a, (Q - 3) // 4)
    alpha = f2_mul(a1, f2_mul(a1, a))
    x0 = f2_mul(a1, a)
    if alpha == (Q - 1, 0):
        return f2_mul((0, 1), x0)
    b = f2_pow(f2_add((1, 0), alpha), (Q - 1) // 2)
    x = f2_mul(b, x0)
    return x if f2_mul(x, x) == a else None

"""Keccak words and scalars, Poseidon and the Pedersen generator as Python sees them."""
import pytest

import vorn_identity as vi

from conftest import Q, R

EMPTY_KECCAK = 0xC5D2460186F7233C927E7DB2DCC703C0E500B653CA82273B7BFAD8045D85A470
ID_TAG = b"VeltriaVorn/Identity/Scalar/v2"


def word(b):
    return int.from_bytes(b, "big")


# ---- Keccak ------------------------------------------------------------------

def test_empty_lists_hash_the_empty_string():
    assert vi.batch_commitment([]) == EMPTY_KECCAK
    assert vi.keccak_scalar([]) == EMPTY_KECCAK % R


@pytest.mark.parametrize("words", [[0], [1], [1, 2], [R], [R + 1], [2**256 - 1], list(range(40))])
def test_scalar_is_the_reduced_batch_commitment(words):
    raw = vi.batch_commitment(words)
    assert 0 <= raw < 2**256
    assert vi.keccak_scalar(words) == raw % R


def test_batch_commitment_is_unreduced():
    # About four lists in five hash to r or more; the word is returned whole.
    raws = [vi.batch_commitment([n]) for n in range(20)]
    assert any(raw >= R for raw in raws)
    assert any(raw < R for raw in raws)


@pytest.mark.parametrize("text", ["ab", "0123456789abcdef0123456789abcdef01"])
def test_identity_scalar_is_the_tag_bytes_then_the_text(text):
    # Tag and text filling whole words can be hashed as words: no separator, no length.
    data = ID_TAG + text.encode()
    assert len(data) % 32 == 0
    ws = [word(data[i:i + 32]) for i in range(0, len(data), 32)]
    assert vi.identity_scalar(text) == vi.keccak_scalar(ws)


@pytest.mark.parametrize("text", ["", "alice", "n\u00e9e", "{\"k\":1}"])
def test_identity_scalar_accepts_any_text(text):
    assert 0 <= vi.identity_scalar(text) < R
    assert vi.identity_scalar(text) == vi.identity_scalar(canonical=text)


@pytest.mark.parametrize("fn", [vi.keccak_scalar, vi.batch_commitment, vi.poseidon])
@pytest.mark.parametrize("arg, exc, msg", [
    ([2**256], ValueError, "word out of range (>= 2^256)"),
    ([1, 2**300], ValueError, "word out of range (>= 2^256)"),
    ("12", TypeError, "Can't extract `str` to `Vec`"),
    ([-1], OverflowError, None),
    ([1.0], TypeError, None),
])
def test_word_lists_reject_bad_elements(fn, arg, exc, msg):
    with pytest.raises(exc) as info:
        fn(arg)
    if msg is not None:
        assert msg in str(info.value)


@pytest.mark.parametrize("fn", [vi.keccak_scalar, vi.batch_commitment, vi.poseidon])
def test_word_lists_take_any_sequence(fn):
    assert fn([1, 2]) == fn((1, 2)) == fn(range(1, 3)) == fn([True, 2])


def test_identity_scalar_takes_only_text():
    with pytest.raises(TypeError):
        vi.identity_scalar(b"alice")


# ---- Poseidon ----------------------------------------------------------------

@pytest.mark.parametrize("inputs, out", [
    ([1], 18586133768512220936620570745912940619677854269274689475585506675881198879027),
    ([1, 2], 7853200120776062878684798364095072458815029376092732009249414926327459813530),
    ([1, 2, 3], 6542985608222806190361240322586112750744169038454362455181422643027100751666),
    ([0], 19014214495641488759237505126948346942972912379615652741039992445865937985820),
    (list(range(1, 17)), 9989051620750914585850546081941653841776809718687451684622678807385399211877),
])
def test_poseidon_circomlib_values(inputs, out):
    assert vi.poseidon(inputs) == out


@pytest.mark.parametrize("a, b", [([R + 1], [1]), ([R], [0]), ([5, 2**256 - 1], [5, (2**256 - 1) % R])])
def test_poseidon_reduces_its_inputs(a, b):
    assert vi.poseidon(a) == vi.poseidon(b)


@pytest.mark.parametrize("n", [0, 17, 100])
def test_poseidon_arity(n):
    with pytest.raises(ValueError, match=r"^poseidon arity must be 1\.\.16$"):
        vi.poseidon([1] * n)


def test_poseidon_every_arity_gives_a_scalar():
    outs = [vi.poseidon(list(range(n))) for n in range(1, 17)]
    assert all(0 <= h < R for h in outs)
    assert len(set(outs)) == 16


# ---- Pedersen generator ------------------------------------------------------

def test_h_pedersen_is_an_even_curve_point():
    x, y = vi.h_pedersen()
    assert 0 <= x < Q and 0 < y < Q
    assert (y * y - x**3 - 3) % Q == 0
    assert y % 2 == 0


def test_h_pedersen_is_the_module_constant():
    assert vi.h_pedersen() == vi.H_PEDERSEN == vi.h_pedersen()
    assert all(type(c) is int for c in vi.H_PEDERSEN)


def test_h_pedersen_lies_in_the_group_of_order_r():
    assert vi.g1_mul(vi.H_PEDERSEN, R) == (0, 0)
    assert vi.g1_mul(vi.H_PEDERSEN, R + 1) == vi.H_PEDERSEN


def test_h_pedersen_takes_no_arguments():
    with pytest.raises(TypeError):
        vi.h_pedersen(1)


# ---- documentation -----------------------------------------------------------

@pytest.mark.parametrize("fn, sig, doc", [
    (vi.keccak_scalar, "(words)", ""),
    (vi.identity_scalar, "(canonical)", ""),
    (vi.poseidon, "(inputs)", ""),
    (vi.batch_commitment, "(cms)", "Raw UNREDUCED keccak word (matches the Python reference)."),
    (vi.h_pedersen, "()", "The Pedersen generator: hashed to the curve, so its discrete log is\n"
                          "unknown.  Every blind in the protocol sits on it; see the kernel's `nums`."),
])
def test_signatures_and_docstrings(fn, sig, doc):
    assert fn.__text_signature__ == sig
    assert (fn.__doc__ or "") == doc

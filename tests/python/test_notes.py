"""Note hashes, accumulator leaves, salts, tree tags and scope keys as Python sees them.

Every expected hash is rebuilt here from the exported `poseidon` over a tag scalar
computed by the small Keccak-256 below (written from the permutation's definition
and checked against published digests), with distinct input values, so a wrong tag,
a missing word or two swapped words all show.
"""
import inspect

import pytest

import vorn_identity as vi
import vorn_registry as vr

from conftest import R

WORD_ERR = "word out of range (>= 2^256)"
FLAVOR_ERR = "unknown flavor"
V_ERR = "v out of range [0, 2^128)"
RHO_ERR = "rho must be a non-zero scalar mod ORDER"
ID_ERR = "id_hash must lie in [0, F_R)"
PRED_ERR = "predicate must lie in [0, F_R)"
SCALAR_ERR = "scalars must lie in [1, ORDER)"
SALT_ERR = "salt must be in [1, F_R); 0 makes the leaf deterministic"
RECV_ERR = "receiving_leaf inputs must each lie in [1, F_R)"
TREE_ID_ERR = "tree_id must be a non-empty string"
SECRET_ERR = "holder_secret must be a positive int"
SCOPE_ERR = "scope name must be a non-empty string"


# ---- an independent Keccak-256 (padding byte 0x01) ------------------------------

def _round_constants():
    def bit(t):
        reg = 1
        for _ in range(t % 255):
            reg <<= 1
            if reg & 0x100:
                reg ^= 0x171
        return reg & 1
    return [sum(bit(j + 7 * i) << (2**j - 1) for j in range(7)) for i in range(24)]


def _rotations():
    rot = [[0] * 5 for _ in range(5)]
    x, y = 1, 0
    for t in range(24):
        rot[x][y] = (t + 1) * (t + 2) // 2 % 64
        x, y = y, (2 * x + 3 * y) % 5
    return rot


_RC, _ROT, _MASK = _round_constants(), _rotations(), 2**64 - 1


def _rol(v, n):
    return ((v << n) | (v >> (64 - n))) & _MASK if n else v


def _permute(a):
    for rc in _RC:
        c = [a[x][0] ^ a[x][1] ^ a[x][2] ^ a[x][3] ^ a[x][4] for x in range(5)]
        d = [c[(x - 1) % 5] ^ _rol(c[(x + 1) % 5], 1) for x in range(5)]
        a = [[a[x][y] ^ d[x] for y in range(5)] for x in range(5)]
        b = [[0] * 5 for _ in range(5)]
        for x in range(5):
            for y in range(5):
                b[y][(2 * x + 3 * y) % 5] = _rol(a[x][y], _ROT[x][y])
        a = [[b[x][y] ^ (~b[(x + 1) % 5][y] & b[(x + 2) % 5][y]) for y in range(5)] for x in range(5)]
        a[0][0] ^= rc
    return a


def keccak256(data):
    rate = 136
    msg = bytearray(data) + b"\x01" + bytes(-(len(data) + 1) % rate)
    msg[-1] |= 0x80
    a = [[0] * 5 for _ in range(5)]
    for off in range(0, len(msg), rate):
        for i in range(rate // 8):
            a[i % 5][i // 5] ^= int.from_bytes(msg[off + 8 * i: off + 8 * i + 8], "little")
        a = _permute(a)
    return int.from_bytes(b"".join(a[i % 5][i // 5].to_bytes(8, "little") for i in range(4)), "big")


def test_keccak_helper_matches_published_digests_and_the_kernel():
    assert keccak256(b"") == 0xC5D2460186F7233C927E7DB2DCC703C0E500B653CA82273B7BFAD8045D85A470
    assert keccak256(b"abc") == 0x4E03657AEA45A94FC7D47BA826C8D667C0D1E6E33A64A036EC44F58FA12D6C45
    long = bytes(range(256)) * 2  # several blocks
    words = [int.from_bytes(long[i:i + 32], "big") for i in range(0, len(long), 32)]
    assert keccak256(long) == vi.batch_commitment(words)


def tag(text):
    return keccak256(text.encode()) % R


def P(*items):
    return vi.poseidon(list(items))


TAGS = {
    "commitment": "VeltriaVorn/Notes/Commitment/v2",
    "nullifier": "VeltriaVorn/Notes/Nullifier/v2",
    "idhash": "VeltriaVorn/Notes/IdHash/v2",
    "leaf": "VeltriaVorn/Accumulator/Leaf/Identity/v2",
    "salted": "VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2",
    "receiving": "VeltriaVorn/Accumulator/Leaf/Receiving/v2",
    "salt": "VeltriaVorn/Accumulator/Salt/v2",
}

M = (11, 12)
E_NOTE = ((31, 32), (33, 34))
E_ISS = ((41, 42), (43, 44))
T = (51, 52)
BIG = 2**256


# ---- note commitment ------------------------------------------------------------

@pytest.mark.parametrize("args, msg", [
    # Every argument wrong at once: the flavor decides.
    ((0, 2**128, 0, R, R), FLAVOR_ERR),
    ((4, 2**256 - 1, R, R, R), FLAVOR_ERR),
    ((2**64 - 1, 1, 1, 0, 0), FLAVOR_ERR),
    ((1, 2**128, 0, R, R), V_ERR),
    ((3, 2**128 - 1, 0, R, R), RHO_ERR),
    ((1, 5, R, R, R), RHO_ERR),
    ((1, 5, R - 1, R, R), ID_ERR),
    ((1, 5, 9, R - 1, R), PRED_ERR),
    # Word conversion of every integer comes before any range check.
    ((0, 5, 9, 0, BIG), WORD_ERR),
    ((1, BIG, 0, 0, 0), WORD_ERR),
])
def test_note_commitment_check_order(args, msg):
    with pytest.raises(ValueError) as e:
        vi.note_commitment(*args)
    assert str(e.value) == msg


@pytest.mark.parametrize("bit", range(128, 256, 8))
def test_note_value_any_high_byte_is_out_of_range(bit):
    # Each byte of the upper half alone puts v out of range, the top one too.
    with pytest.raises(ValueError) as e:
        vi.note_commitment(1, 1 << bit, 1, 0, 0)
    assert str(e.value) == V_ERR


@pytest.mark.parametrize("flavor, v, rho, id_hash, predicate", [
    (1, 2**128 - 1, R - 1, 0, 0),
    (2, 0, 1, R - 1, R - 1),
    (3, 1000, 77, 78, 79),
])
def test_note_commitment_value(flavor, v, rho, id_hash, predicate):
    got = vi.note_commitment(flavor, v, rho, id_hash, predicate)
    assert got == P(tag(TAGS["commitment"]), flavor, v, rho, id_hash, predicate)
    assert got == vi.note_commitment(flavor=flavor, v=v, rho=rho, id_hash=id_hash, predicate=predicate)


def test_note_commitment_flavor_is_a_u64():
    with pytest.raises(OverflowError):
        vi.note_commitment(-1, 1, 1, 0, 0)
    with pytest.raises(OverflowError):
        vi.note_commitment(2**64, 1, 1, 0, 0)
    with pytest.raises(TypeError):
        vi.note_commitment(1.0, 1, 1, 0, 0)
    assert vi.note_commitment(True, 1, 1, 0, 0) == vi.note_commitment(1, 1, 1, 0, 0)


# ---- nullifier and id hashes --------------------------------------------------------

@pytest.mark.parametrize("rho, id_hash, msg", [
    (0, R, RHO_ERR), (R, 0, RHO_ERR), (1, R, ID_ERR), (1, 2**256 - 1, ID_ERR), (0, BIG, WORD_ERR),
])
def test_nullifier_checks(rho, id_hash, msg):
    with pytest.raises(ValueError) as e:
        vi.nullifier(rho, id_hash)
    assert str(e.value) == msg


def test_nullifier_value():
    assert vi.nullifier(R - 1, 0) == P(tag(TAGS["nullifier"]), R - 1, 0)
    assert vi.nullifier(3, 4) == P(tag(TAGS["nullifier"]), 3, 4)


@pytest.mark.parametrize("m", [0, R, R + 7, 2**256 - 1])
def test_id_hash_issuer_scalar_range(m):
    for call in (lambda: vi.id_hash_b1(m), lambda: vi.id_hash_a1(E_NOTE, m)):
        with pytest.raises(ValueError) as e:
            call()
        assert str(e.value) == SCALAR_ERR


def test_id_hash_values():
    t = tag(TAGS["idhash"])
    assert vi.id_hash_b1(R - 1) == P(t, R - 1)
    assert vi.id_hash_a1(E_NOTE, 5) == P(t, 31, 32, 33, 34, 5)
    assert vi.id_hash_a2(E_NOTE, E_ISS, T) == P(t, 31, 32, 33, 34, 41, 42, 43, 44, 51, 52)
    # Off-curve points and coordinates of r or more are taken modulo r.
    assert vi.id_hash_a2(((R + 31, 32), (33, 34)), E_ISS, (51, R + 52)) == vi.id_hash_a2(E_NOTE, E_ISS, T)


def test_id_hash_argument_shapes():
    with pytest.raises(TypeError):
        vi.id_hash_a1([[31, 32], [33, 34]], 5)
    with pytest.raises(ValueError) as e:
        vi.id_hash_a2(E_NOTE, E_ISS, (1, 2, 3))
    assert str(e.value) == "expected tuple of length 2, but got tuple of length 3"
    with pytest.raises(ValueError) as e:
        vi.id_hash_a1(((BIG, 0), (0, 0)), 0)  # the coordinate's word error precedes the scalar check
    assert str(e.value) == WORD_ERR


# ---- leaves -----------------------------------------------------------------------

def test_leaf_values():
    assert vi.identity_leaf(M) == P(tag(TAGS["leaf"]), 11, 12)
    assert vi.identity_leaf((0, 0)) == P(tag(TAGS["leaf"]), 0, 0)
    assert vi.identity_leaf_salted(M, 9) == P(tag(TAGS["salted"]), 11, 12, 9)
    assert vi.receiving_leaf(3, 4, 5) == P(tag(TAGS["receiving"]), 3, 4, 5)


@pytest.mark.parametrize("salt, ok", [(0, False), (R, False), (2**256 - 1, False), (1, True), (R - 1, True)])
def test_salted_leaf_range(salt, ok):
    if ok:
        assert vi.identity_leaf_salted(M, salt) == P(tag(TAGS["salted"]), 11, 12, salt)
    else:
        with pytest.raises(ValueError) as e:
            vi.identity_leaf_salted(M, salt)
        assert str(e.value) == SALT_ERR


@pytest.mark.parametrize("slot", [0, 1, 2])
@pytest.mark.parametrize("bad", [0, R, 2**256 - 1])
def test_receiving_leaf_range(slot, bad):
    args = [R - 1, R - 1, R - 1]
    assert vi.receiving_leaf(*args) == P(tag(TAGS["receiving"]), R - 1, R - 1, R - 1)
    args[slot] = bad
    with pytest.raises(ValueError) as e:
        vi.receiving_leaf(*args)
    assert str(e.value) == RECV_ERR


# ---- tree tags, salts, scope keys -------------------------------------------------

@pytest.mark.parametrize("text", list(TAGS.values()) + ["abc", "registry/alpha", "é"])
def test_tree_tag_is_reduced_keccak_of_the_utf8_bytes(text):
    assert vi.tree_tag(text) == keccak256(text.encode()) % R
    assert vi.tree_tag(text) == vr.scope_id(text) % R


@pytest.mark.parametrize("name, digest", [
    ("abc", 0x4E03657AEA45A94FC7D47BA826C8D667C0D1E6E33A64A036EC44F58FA12D6C45),
    ("Transfer(address,address,uint256)", 0xDDF252AD1BE2C89B69C2B068FC378DAA952BA7F163C4A11628F55A4DF523B3EF),
    ("é", None),
])
def test_scope_keys_are_unreduced_keccak(name, digest):
    want = digest if digest is not None else keccak256(name.encode())
    assert vr.scope_id(name) == vr.subtree_key(name) == want


def test_empty_names():
    for call, msg in [(lambda: vi.tree_tag(""), TREE_ID_ERR), (lambda: vr.scope_id(""), SCOPE_ERR),
                      (lambda: vr.subtree_key(""), SCOPE_ERR)]:
        with pytest.raises(ValueError) as e:
            call()
        assert str(e.value) == msg


@pytest.mark.parametrize("secret, tree_id, msg", [
    (0, "", SECRET_ERR), (0, "t", SECRET_ERR), (1, "", TREE_ID_ERR), (BIG, "", WORD_ERR),
])
def test_derive_salt_checks(secret, tree_id, msg):
    with pytest.raises(ValueError) as e:
        vi.derive_salt(secret, tree_id)
    assert str(e.value) == msg


@pytest.mark.parametrize("counter", [0, 1, 2**63, 2**64 - 1])
def test_derive_salt_value(counter):
    want = P(tag(TAGS["salt"]), 42, vi.tree_tag("registry/alpha"), counter)
    assert vi.derive_salt(42, "registry/alpha", counter) == want
    assert vi.derive_salt(42, "registry/alpha", association_counter=counter) == want
    assert want != 0


def test_derive_salt_defaults_and_bounds():
    assert vi.derive_salt(42, "t") == vi.derive_salt(42, "t", 0)
    assert vi.derive_salt(42, "t", 1) != vi.derive_salt(42, "t", 0)
    # The secret is not bounded by r; Poseidon reads it modulo r.
    assert vi.derive_salt(2**256 - 1, "t") == vi.derive_salt((2**256 - 1) % R, "t")
    with pytest.raises(OverflowError):
        vi.derive_salt(42, "t", 2**64)
    with pytest.raises(OverflowError):
        vi.derive_salt(42, "t", -1)
    with pytest.raises(TypeError):
        vi.derive_salt(42, b"t")


# ---- signatures and docstrings ----------------------------------------------------

@pytest.mark.parametrize("fn, sig, doc", [
    (vi.derive_salt, "(holder_secret, tree_id, association_counter=0)", None),
    (vi.note_commitment, "(flavor, v, rho, id_hash, predicate)", None),
    (vi.nullifier, "(rho, id_hash)", None),
    (vi.id_hash_a1, "(e_note, m_issuer)", None),
    (vi.id_hash_b1, "(m_issuer)", None),
    (vi.id_hash_a2, "(e_note, e_iss, t)",
     "`id_hash_a2(eNote, eIss, T)` -- `T` is the mint binding's blinded point."),
    (vi.identity_leaf, "(m_point)", None),
    (vi.identity_leaf_salted, "(m_point, salt)",
     "`identity_leaf_salted(M, salt)` -- the hiding leaf of a private subtree."),
    (vi.receiving_leaf, "(m_rec, k_recv, salt)",
     "`receiving_leaf(m_rec, k_recv, salt)` -- the hiding leaf binding an\n"
     "Identity to the receiving key its Notes are addressed to.  Over scalars."),
    (vi.tree_tag, "(tree_id)", None),
    (vr.scope_id, "(name)", None),
    (vr.subtree_key, "(name)", None),
])
def test_signatures_and_docstrings(fn, sig, doc):
    assert str(inspect.signature(fn)) == sig
    if doc is not None:
        assert fn.__doc__ == doc

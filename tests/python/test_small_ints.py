"""Both edges of every small-integer parameter: the largest and smallest values of the
machine type are accepted and reach the kernel unchanged, one past either edge is an
OverflowError. Each accepted value is checked where it lands (the wire bytes of a
certificate, the words Poseidon hashes, the gate's comparison, the length of an id),
so a conversion that truncates or wraps is caught as well as one that refuses."""
import base64
import hashlib
import struct

import pytest

import vorn_identity as vi
import vorn_registry as vr
import vorn_wallet as vw

U8, U32, U64 = 2**8 - 1, 2**32 - 1, 2**64 - 1
I64_MIN, I64_MAX = -(2**63), 2**63 - 1
R = vi.ORDER

# ---- the issuance gate: dep_type (u8), dep_rate and premium_rate (u32), and the
# envelope's face band, models (u8) and maximum rates (u32)

SCOPE = 7


def gate(dep_type=0, dep_rate=0, premium_rate=0, band=1, models=(0,), max_dep=0, max_prem=0):
    env = (True, band, list(models), max_dep, max_prem, 10.0, [SCOPE])
    return vr.check_issuance(env, SCOPE, 1, dep_type, dep_rate, premium_rate, 5.0)


def dep_rate_above(value, limit):
    return gate(dep_rate=value, max_dep=limit)


def premium_above(value, limit):
    return gate(premium_rate=value, max_prem=limit)


DEP_ABOVE = "depreciation rate above attested maximum"
PREM_ABOVE = "premium rate above attested maximum"
MODEL = "depreciation model not attested"
UNKNOWN_MODEL = "unknown depreciation type"
BAND = "face_band must be in [1, FACE_BAND_MAX]"


@pytest.mark.parametrize("call,want", [
    # dep_type: 0 and 255 arrive as themselves (255 is no attested model; 0 is).
    (lambda: gate(dep_type=0), ""),
    (lambda: gate(dep_type=U8), MODEL),
    # dep_rate and premium_rate: the maxima compare exactly at both edges.
    (lambda: dep_rate_above(U32, U32), ""),
    (lambda: dep_rate_above(U32, U32 - 1), DEP_ABOVE),
    (lambda: dep_rate_above(0, 0), ""),
    (lambda: dep_rate_above(1, 0), DEP_ABOVE),
    (lambda: premium_above(U32, U32), ""),
    (lambda: premium_above(U32, U32 - 1), PREM_ABOVE),
    (lambda: premium_above(0, 0), ""),
    (lambda: premium_above(1, 0), PREM_ABOVE),
])
def test_gate_small_ints_accepted(call, want):
    assert call() == want


@pytest.mark.parametrize("call,message", [
    (lambda: gate(band=U8), BAND),
    (lambda: gate(band=0), BAND),
    (lambda: gate(models=(0, U8)), UNKNOWN_MODEL),
])
def test_envelope_small_ints_accepted_then_checked(call, message):
    with pytest.raises(ValueError, match="^" + message.replace("[", r"\[") + "$"):
        call()


@pytest.mark.parametrize("call", [
    # One past the top (256 would wrap to the attested model 0, 2^32 to rate 0).
    lambda: gate(dep_type=U8 + 1),
    lambda: gate(dep_rate=U32 + 1),
    lambda: gate(premium_rate=U32 + 1),
    lambda: gate(band=U8 + 1),
    lambda: gate(models=(U8 + 1,)),
    lambda: gate(max_dep=U32 + 1),
    lambda: gate(max_prem=U32 + 1),
    # One below the bottom.
    lambda: gate(dep_type=-1),
    lambda: gate(dep_rate=-1),
    lambda: gate(premium_rate=-1),
    lambda: gate(band=-1),
    lambda: gate(models=(-1,)),
    lambda: gate(max_dep=-1),
    lambda: gate(max_prem=-1),
], ids=["dep_type+1", "dep_rate+1", "premium_rate+1", "band+1", "model+1", "max_dep+1", "max_prem+1",
        "dep_type-1", "dep_rate-1", "premium_rate-1", "band-1", "model-1", "max_dep-1", "max_prem-1"])
def test_gate_small_ints_overflow(call):
    with pytest.raises(OverflowError):
        call()


# ---- certificates: serial (u64), issued_at and expires_at (i64), read back from the wire

REG_ID, CANON = "r", "id"


def cert(serial=1, issued=0, expires=0):
    """The three fields as the wire carries them (layout read with struct)."""
    wire = vr.registry_sign_certificate(0x1234, REG_ID, CANON, serial, issued, expires, 1, 0x99)
    l1, l2 = len(REG_ID), len(CANON)
    (got_serial,) = struct.unpack_from(">Q", wire, 196 + l1)
    got_issued, got_expires = struct.unpack_from(">qq", wire, 272 + l1 + l2)
    return got_serial, got_issued, got_expires


@pytest.mark.parametrize("serial,issued,expires", [
    (U64, I64_MAX, I64_MIN),
    (0, I64_MIN, I64_MAX),
])
def test_certificate_edges_reach_the_wire(serial, issued, expires):
    assert cert(serial, issued, expires) == (serial, issued, expires)


@pytest.mark.parametrize("kw", [
    dict(serial=U64 + 1), dict(serial=-1),
    dict(issued=I64_MAX + 1), dict(issued=I64_MIN - 1),
    dict(expires=I64_MAX + 1), dict(expires=I64_MIN - 1),
], ids=lambda kw: "%s=%d" % next(iter(kw.items())))
def test_certificate_small_ints_overflow(kw):
    with pytest.raises(OverflowError):
        cert(**kw)


# ---- the Poseidon inputs: flavor and association_counter (u64)

SALT_TAG = "VeltriaVorn/Accumulator/Salt/v2"


@pytest.mark.parametrize("counter", [0, 1, U64])
def test_association_counter_is_hashed_as_given(counter):
    words = [vr.scope_id(SALT_TAG) % R, 5, vi.tree_tag("t"), counter]
    assert vi.derive_salt(5, "t", counter) == vi.poseidon(words)


@pytest.mark.parametrize("counter", [U64 + 1, -1])
def test_association_counter_overflow(counter):
    with pytest.raises(OverflowError):
        vi.derive_salt(5, "t", counter)


# The edges, and values whose low bytes are a valid flavor: a conversion that kept only
# the low 8 or 32 bits would accept them.
@pytest.mark.parametrize("flavor", [0, U64, 2**8 + 1, 2**32 + 2, 2**63 + 3])
def test_flavor_edges_reach_the_flavor_check(flavor):
    with pytest.raises(ValueError, match="^unknown flavor$"):
        vi.note_commitment(flavor, 1, 2, 3, 4)


@pytest.mark.parametrize("flavor", [U64 + 1, U64 + 2, -1])  # 2^64 + 1 would wrap to FLAVOR_A1
def test_flavor_overflow(flavor):
    with pytest.raises(OverflowError):
        vi.note_commitment(flavor, 1, 2, 3, 4)


# ---- lengths: prefix_len and width (u64)

DATA = b'{"a":1,"b":"receipt"}'


def b32_id(data):
    return base64.b32encode(hashlib.sha256(data).digest()).decode().rstrip("=").lower()


@pytest.mark.parametrize("prefix_len,want", [(0, ""), (1, b32_id(DATA)[:1]), (U64, b32_id(DATA))])
def test_prefix_len_edges(prefix_len, want):
    assert vw.receipt_id(DATA, prefix_len) == want


@pytest.mark.parametrize("width", [0, 1, U64])  # 0 means one character a line, as 1 does
def test_width_edges(width):
    body = base64.urlsafe_b64encode(DATA).decode().rstrip("=")
    assert vw.envelope_text(DATA, width).split("\n")[1:-1] == ([body] if width == U64 else list(body))


@pytest.mark.parametrize("call", [
    lambda: vw.receipt_id(DATA, U64 + 1), lambda: vw.receipt_id(DATA, -1),
    lambda: vw.envelope_text(DATA, U64 + 1), lambda: vw.envelope_text(DATA, -1),
], ids=["prefix_len+1", "prefix_len-1", "width+1", "width-1"])
def test_length_overflow(call):
    with pytest.raises(OverflowError):
        call()

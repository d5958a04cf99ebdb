"""ElGamal, Pointcheval-Sanders, the Schnorr signatures and the five sigma proofs as
Python sees them: edge cases, argument and conversion order (which message wins),
the exact-word comparison of e, and hostile argument objects.

Points are recomputed with a plain affine double-and-add written here, and
challenges with keccak_scalar over the listed words followed by the tag word
(scope_id of the tag text is its unreduced Keccak-256)."""
import pytest

import vorn_identity as vi
import vorn_registry as vr

from conftest import G1, G2, G2_INF, Q, R

INF = (0, 0)
W256 = 1 << 256
OFF_CURVE = (0, 1)
NON_CANONICAL = (Q, 2)
MSG_OFF = "G1 point not on curve"
MSG_NONCANON = "coordinate not a canonical Fq element"
MSG_WORD = "word out of range (>= 2^256)"


# ---- an independent G1 (affine, y^2 = x^3 + 3 over q) ---------------------------

def add(p, q):
    if p == INF:
        return q
    if q == INF:
        return p
    (x1, y1), (x2, y2) = p, q
    if x1 == x2 and (y1 + y2) % Q == 0:
        return INF
    if p == q:
        lam = 3 * x1 * x1 * pow(2 * y1, -1, Q) % Q
    else:
        lam = (y2 - y1) * pow(x2 - x1, -1, Q) % Q
    x3 = (lam * lam - x1 - x2) % Q
    return (x3, (lam * (x1 - x3) - y1) % Q)


def neg(p):
    return INF if p == INF else (p[0], (Q - p[1]) % Q)


def mul(p, k):
    k %= R
    acc = INF
    for bit in bin(k)[2:]:
        acc = add(acc, acc)
        if bit == "1":
            acc = add(acc, p)
    return acc


def g(k):
    return mul(G1, k)


def pts(*points):
    return [c for p in points for c in p]


def challenge(tag, words):
    return vi.keccak_scalar(list(words) + [vr.scope_id(tag)])


H = vi.H_PEDERSEN


# ---- ElGamal ----------------------------------------------------------------------

SK = 0x1234567890ABCDEF1234567890ABCDEF
PK = g(SK)
M = g(777)


@pytest.mark.parametrize("r", [0, 1, R - 1, R, R + 5, W256 - 1])
@pytest.mark.parametrize("m", [INF, G1, M])
def test_elgamal_round_trip_any_randomness(r, m):
    ct = vi.elgamal_encrypt(m, PK, r)
    assert ct == (g(r), add(m, mul(PK, r)))
    assert vi.elgamal_decrypt(ct, SK) == m
    assert vi.elgamal_decrypt(ct, SK + R) == m


def test_elgamal_edges():
    assert vi.elgamal_encrypt(M, PK, 0) == (INF, M)
    assert vi.elgamal_encrypt(M, INF, 9)[1] == M
    assert vi.elgamal_decrypt(vi.elgamal_encrypt(M, PK, 5), SK + 1) != M


# ---- Pointcheval-Sanders ----------------------------------------------------------

X_SK, Y_SK, MSG, T = 101, 202, 303, 404
PX, PY, Y1 = vi.g2_mul(G2, X_SK), vi.g2_mul(G2, Y_SK), g(Y_SK)


def test_ps_sign_matches_definition_and_verifies():
    s1, s2 = vi.ps_sign(X_SK, Y_SK, MSG, T)
    assert s1 == g(T) and s2 == mul(s1, X_SK + Y_SK * MSG)
    cases = [
        ((s1, s2), MSG, True),
        ((s1, s2), MSG + R, True),  # m is reduced
        ((s1, s2), MSG + 1, False),
        (vi.ps_sign(X_SK, Y_SK, MSG, 0), MSG, False),
        (vi.ps_sign(X_SK, Y_SK, MSG, R), MSG, False),
        (vi.ps_rerandomize(s1, s2, 0), MSG, False),
        (vi.ps_rerandomize(s1, s2, 55), MSG, True),
        ((s1, INF), MSG, False),
    ]
    for sig, m, want in cases:
        assert vi.ps_verify(PX, PY, sig[0], sig[1], m) is want
    with pytest.raises(ValueError, match=r"^word out of range \(>= 2\^256\)$"):
        vi.ps_verify(PX, PY, s1, s2, W256)


def test_ps_verify_identity_sigma_1_is_false_before_the_keys_are_decoded():
    bad_g2 = ((1, 2), (3, 4))
    assert vi.ps_verify(bad_g2, bad_g2, INF, G1, 1) is False
    with pytest.raises(ValueError, match=MSG_OFF):  # sigma_2 is decoded first
        vi.ps_verify(PX, PY, INF, OFF_CURVE, 1)
    with pytest.raises(ValueError, match="G2 point not on curve"):
        vi.ps_verify(bad_g2, PY, G1, G1, 1)


@pytest.mark.parametrize("a,b", [(R, 1), (1, 0), (0, 0), (2 * R, 3 * R)])
def test_ps_present_rejects_zero_scalars(a, b):
    s1, s2 = vi.ps_sign(X_SK, Y_SK, MSG, T)
    with pytest.raises(ValueError, match=r"^presentation scalars a, b must be nonzero$"):
        vi.ps_present(s1, s2, Y1, a, b)


def test_ps_present_values_and_decoding_before_scalar_check():
    s1, s2 = vi.ps_sign(X_SK, Y_SK, MSG, T)
    assert vi.ps_present(s1, s2, Y1, 1, 1) == (s1, add(s2, Y1))
    assert vi.ps_present(s1, s2, Y1, 6, 7) == (mul(s1, 6), add(mul(s2, 6), mul(Y1, 7)))
    with pytest.raises(ValueError, match=MSG_OFF):
        vi.ps_present(s1, s2, OFF_CURVE, 0, 0)


def test_ps_key_consistent():
    assert vi.ps_key_consistent(PY, Y1) is True
    assert vi.ps_key_consistent(PX, Y1) is False
    assert vi.ps_key_consistent(G2_INF, INF) is False
    assert vi.ps_key_consistent(((1, 2), (3, 4)), INF) is False  # Y not decoded
    with pytest.raises(ValueError, match="G2 point not on curve"):
        vi.ps_key_consistent(((1, 2), (3, 4)), Y1)


# ---- Schnorr ----------------------------------------------------------------------

ISS_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerSchnorr/v2"
H_BATCH = vi.batch_commitment([11, 22, 33])
ISSUER, CHAIN, K = 0xC0FFEE, 8453, 0xBEEF


def test_issuer_schnorr_sign_matches_the_transcript():
    e, s, r_pt = vi.issuer_schnorr_sign(SK, H_BATCH, ISSUER, CHAIN, K)
    assert r_pt == g(K)
    assert e == challenge(ISS_TAG, pts(PK, r_pt) + [H_BATCH, ISSUER, CHAIN])
    assert s == (K + e * SK) % R
    assert vi.issuer_schnorr_sign(SK + R, H_BATCH, ISSUER, CHAIN, K + R) == (e, s, r_pt)


def test_issuer_schnorr_verify_fields_and_exact_e():
    e, s, r_pt = vi.issuer_schnorr_sign(SK, H_BATCH, ISSUER, CHAIN, K)
    cases = [
        (PK, (e, s, r_pt), H_BATCH, ISSUER, CHAIN, True),
        (PK, (e, s + R, r_pt), H_BATCH, ISSUER, CHAIN, True),   # s is taken mod r
        (PK, (e + R, s, r_pt), H_BATCH, ISSUER, CHAIN, False),  # e is compared as a word
        (PK, (e, s, r_pt), H_BATCH + 1, ISSUER, CHAIN, False),
        (PK, (e, s, r_pt), H_BATCH, ISSUER + 1, CHAIN, False),
        (PK, (e, s, r_pt), H_BATCH, ISSUER, CHAIN + 1, False),
        (PK, (e, s, r_pt), H_BATCH, ISSUER + R, CHAIN, False),  # words enter unreduced
        (g(SK + 1), (e, s, r_pt), H_BATCH, ISSUER, CHAIN, False),
        (PK, (e, s, add(r_pt, G1)), H_BATCH, ISSUER, CHAIN, False),
    ]
    for pk, proof, h, iss, chain, want in cases:
        assert vi.issuer_schnorr_verify(pk, proof, h, iss, chain) is want


REG_ID = "registry-α/1"
MSG_HASH = bytes(range(32))


def test_registry_schnorr_sign_matches_the_seven_words():
    e, s, r_pt = vr.registry_schnorr_sign(SK, MSG_HASH, REG_ID, CHAIN, K)
    id_int = int.from_bytes(REG_ID.encode(), "big")
    words = pts(PK, r_pt) + [int.from_bytes(MSG_HASH, "big") % R, id_int % R, CHAIN]
    assert e == vi.keccak_scalar(words)
    assert s == (K + e * SK) % R


def test_registry_schnorr_verify_fields_and_exact_e():
    e, s, r_pt = vr.registry_schnorr_sign(SK, MSG_HASH, REG_ID, CHAIN, K)
    other_hash = bytes([1]) + MSG_HASH[1:]
    cases = [
        ((e, s), MSG_HASH, REG_ID, CHAIN, True),
        ((e, s + R), MSG_HASH, REG_ID, CHAIN, True),
        ((e + R, s), MSG_HASH, REG_ID, CHAIN, False),
        ((e, s), other_hash, REG_ID, CHAIN, False),
        ((e, s), MSG_HASH, REG_ID + "x", CHAIN, False),
        ((e, s), MSG_HASH, REG_ID, CHAIN + 1, False),
    ]
    for (ee, ss), msg, rid, chain, want in cases:
        assert vr.registry_schnorr_verify(PK, ee, ss, r_pt, msg, rid, chain) is want


def test_registry_identifier_enters_as_one_integer_mod_r():
    e, s, r_pt = vr.registry_schnorr_sign(SK, MSG_HASH, "", CHAIN, K)
    assert vr.registry_schnorr_verify(PK, e, s, r_pt, MSG_HASH, "\x00\x00", CHAIN) is True
    assert vr.registry_schnorr_verify(PK, e, s, r_pt, MSG_HASH, "\x01", CHAIN) is False


def test_the_two_schnorr_schemes_never_cross():
    msg_int = int.from_bytes(MSG_HASH, "big")
    ie, is_, ir = vi.issuer_schnorr_sign(SK, msg_int, 0, CHAIN, K)
    re, rs, rr = vr.registry_schnorr_sign(SK, MSG_HASH, "", CHAIN, K)
    assert ir == rr and ie != re
    assert vr.registry_schnorr_verify(PK, ie, is_, ir, MSG_HASH, "", CHAIN) is False
    assert vi.issuer_schnorr_verify(PK, (re, rs, rr), msg_int, 0, CHAIN) is False


@pytest.mark.parametrize("n", [0, 31, 33])
def test_registry_msg_hash_length(n):
    with pytest.raises(ValueError, match=r"^msg_hash must be exactly 32 bytes$"):
        vr.registry_schnorr_sign(SK, bytes(n), "r", CHAIN, K)
    with pytest.raises(ValueError, match=r"^msg_hash must be exactly 32 bytes$"):
        vr.registry_schnorr_verify(OFF_CURVE, 1, 2, OFF_CURVE, bytes(n), "r", CHAIN)


REG_MSG = "msg_hash must be exactly 32 bytes"


@pytest.mark.parametrize("call,msg", [
    # sign converts sk, msg_hash, chainid, k
    (lambda: vr.registry_schnorr_sign(W256, b"", "r", 1, 1), MSG_WORD),
    (lambda: vr.registry_schnorr_sign(1, b"", "r", W256, W256), REG_MSG),
    # verify converts e, s, pk, r_point, msg_hash, chainid, then decodes pk, then R
    (lambda: vr.registry_schnorr_verify(OFF_CURVE, W256, 1, G1, b"", "r", 1), MSG_WORD),
    (lambda: vr.registry_schnorr_verify(OFF_CURVE, 1, 1, (W256, 0), b"", "r", 1), MSG_WORD),
    (lambda: vr.registry_schnorr_verify(OFF_CURVE, 1, 1, OFF_CURVE, b"", "r", W256), REG_MSG),
    (lambda: vr.registry_schnorr_verify(OFF_CURVE, 1, 1, G1, bytes(32), "r", W256), MSG_WORD),
    (lambda: vr.registry_schnorr_verify(NON_CANONICAL, 1, 1, OFF_CURVE, bytes(32), "r", 1), MSG_NONCANON),
    (lambda: vr.registry_schnorr_verify(G1, 1, 1, OFF_CURVE, bytes(32), "r", 1), MSG_OFF),
    # issuer verify converts e, s, R, then pk_iss and the words; decodes pk_iss, then R
    (lambda: vi.issuer_schnorr_verify(OFF_CURVE, (1, 1, G1), 1, 1, W256), MSG_WORD),
    (lambda: vi.issuer_schnorr_verify(NON_CANONICAL, (1, 1, OFF_CURVE), 1, 1, 1), MSG_NONCANON),
    (lambda: vi.issuer_schnorr_verify(G1, (1, 1, OFF_CURVE), 1, 1, 1), MSG_OFF),
])
def test_schnorr_conversion_order(call, msg):
    with pytest.raises(ValueError) as exc:
        call()
    assert str(exc.value) == msg


def test_registry_msg_hash_is_bytes_only():
    with pytest.raises(TypeError, match="^argument 'msg_hash'"):
        vr.registry_schnorr_sign(SK, bytearray(32), "r", CHAIN, K)
    with pytest.raises(TypeError, match="^argument 'registry_id'"):
        vr.registry_schnorr_sign(SK, bytes(32), b"r", CHAIN, K)


# ---- registration -----------------------------------------------------------------

REG_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/Register/v2"


def registration_case(m=4242, a=31, blind=37, r=41, sk=43, signed_m=4242, pk_sk=43, ct_m=None):
    sig = vi.ps_sign(X_SK, Y_SK, signed_m, T)
    A, B = vi.ps_present(sig[0], sig[1], Y1, a, blind)
    pk = g(pk_sk)
    ct = vi.elgamal_encrypt(g(m if ct_m is None else ct_m), pk, r)
    ctx = (0xA11CE, 1, 0x5E9)
    proof = vi.registration_prove(A, B, blind, m, r, pk, ct, ctx[0], sk, ctx[1], ctx[2], 51, 52, 53, 54)
    return A, B, ct, pk, proof, ctx


def test_registration_round_trip_under_both_names():
    A, B, ct, pk, proof, ctx = registration_case()
    e, s_m, s_b, s_r, s_sk, C1, T_C, T_R, T_key = proof
    assert C1 == add(mul(A, 51), g(52)) and T_C == add(g(51), mul(pk, 53))
    assert (T_R, T_key) == (g(53), g(54))
    assert e == challenge(REG_TAG, pts(A, B, ct[0], ct[1], pk, C1, T_C, T_R, T_key) + list(ctx))
    assert (s_m, s_b, s_r, s_sk) == tuple((n + e * w) % R for n, w in [(51, 4242), (52, 37), (53, 41), (54, 43)])
    for verify in (vi.registration_verify, vi.registration_verify_v3):
        assert verify(A, B, ct, pk, PX, PY, proof, *ctx) is True


def test_registration_rejections():
    A, B, ct, pk, proof, ctx = registration_case()
    p = list(proof)

    def edited(i, v):
        q = list(p)
        q[i] = v
        return tuple(q)

    cases = [
        ("registrant", (A, B, ct, pk, proof, (ctx[0] + 1, ctx[1], ctx[2]))),
        ("chainid", (A, B, ct, pk, proof, (ctx[0], ctx[1] + 1, ctx[2]))),
        ("registry", (A, B, ct, pk, proof, (ctx[0], ctx[1], ctx[2] + 1))),
        ("A identity", (INF, B, ct, pk, proof, ctx)),
        ("B identity", (A, INF, ct, pk, proof, ctx)),
        ("pk identity", (A, B, ct, INF, proof, ctx)),
        ("R identity", (A, B, (INF, ct[1]), pk, proof, ctx)),
    ] + [(f"scalar {i} + r", (A, B, ct, pk, edited(i, p[i] + R), ctx)) for i in range(5)]
    for name, (a, b, c, k, pr, cx) in cases:
        assert vi.registration_verify_v3(a, b, c, k, PX, PY, pr, *cx) is False, name
    # False witnesses: an unsigned m (with a ciphertext of it) fails the presentation
    # check, a ciphertext of another point the ciphertext check, a key that does not
    # match pk the key check.
    for kw in ({"m": 4243}, {"ct_m": 4243}, {"sk": 44}):
        A2, B2, ct2, pk2, proof2, ctx2 = registration_case(**kw)
        assert vi.registration_verify_v3(A2, B2, ct2, pk2, PX, PY, proof2, *ctx2) is False, kw


def test_registration_range_check_precedes_decoding():
    A, B, ct, pk, proof, ctx = registration_case()
    bad = (R,) + proof[1:]
    # An out-of-range scalar answers False although A is off the curve...
    assert vi.registration_verify_v3(OFF_CURVE, B, ct, pk, PX, PY, bad, *ctx) is False
    # ...but every word is converted first.
    with pytest.raises(ValueError, match=r"^word out of range"):
        vi.registration_verify_v3(A, B, ct, pk, PX, PY, bad, ctx[0], ctx[1], W256)
    with pytest.raises(ValueError, match=r"^word out of range"):
        vi.registration_verify_v3(A, B, ct, pk, PX, PY, (W256,) + proof[1:], *ctx)
    # Decoding: statement points, then the proof's points, then the G2 keys.
    with pytest.raises(ValueError, match=MSG_NONCANON):
        vi.registration_verify_v3(A, B, ct, NON_CANONICAL, PX, PY, proof[:8] + (OFF_CURVE,), *ctx)
    with pytest.raises(ValueError, match=MSG_OFF):
        vi.registration_verify_v3(A, B, ct, pk, ((1, 2), (3, 4)), PY, proof[:8] + (OFF_CURVE,), *ctx)
    with pytest.raises(ValueError, match="G2 point not on curve"):
        vi.registration_verify_v3(A, B, ct, pk, ((1, 2), (3, 4)), PY, proof, *ctx)
    # An identity A is decoded, then answered False; a malformed later point still raises.
    with pytest.raises(ValueError, match=MSG_OFF):
        vi.registration_verify_v3(INF, B, ct, pk, PX, PY, proof[:5] + (OFF_CURVE,) + proof[6:], *ctx)


# ---- Chaum-Pedersen ---------------------------------------------------------------

CP_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2"
SK_B, R_A, R_PRIME = 0x5150, 61, 67
PK_B = g(SK_B)
E_A = vi.elgamal_encrypt(M, PK, R_A)
E_B = vi.elgamal_encrypt(M, PK_B, R_PRIME)
CP_CTX = (0x5E, 0x59, 1, 0x2E)


def cp_proof(e_b=E_B, pk_b=PK_B, k=(71, 73)):
    return vi.chaum_pedersen_prove(E_A, e_b, PK, pk_b, SK, R_PRIME, *CP_CTX, *k)


def test_chaum_pedersen_round_trip_and_transcript():
    proof = cp_proof()
    e, s1, s2, T1, T2, T3 = proof
    assert (T1, T2, T3) == (g(71), add(mul(E_A[0], 71), neg(mul(PK_B, 73))), g(73))
    assert e == challenge(CP_TAG, pts(*E_A, *E_B, PK, PK_B, T1, T2, T3) + list(CP_CTX))
    assert (s1, s2) == ((71 + e * SK) % R, (73 + e * R_PRIME) % R)
    assert vi.chaum_pedersen_verify(E_A, E_B, PK, PK_B, proof, *CP_CTX) is True


def test_chaum_pedersen_rejections():
    proof = cp_proof()
    s, sp, ch, rg = CP_CTX
    other = vi.elgamal_encrypt(add(M, G1), PK_B, R_PRIME)
    inf_bob = vi.elgamal_encrypt(M, INF, R_PRIME)
    cases = [
        ("sender/spender swapped", E_A, E_B, PK_B, proof, (sp, s, ch, rg)),
        ("chainid", E_A, E_B, PK_B, proof, (s, sp, ch + 1, rg)),
        ("registry", E_A, E_B, PK_B, proof, (s, sp, ch, rg + 1)),
        ("another point", E_A, other, PK_B, cp_proof(e_b=other), CP_CTX),
        ("s1 + r", E_A, E_B, PK_B, (proof[0], proof[1] + R) + proof[2:], CP_CTX),
        ("e + r", E_A, E_B, PK_B, (proof[0] + R,) + proof[1:], CP_CTX),
        ("pk_bob identity", E_A, inf_bob, INF, cp_proof(e_b=inf_bob, pk_b=INF), CP_CTX),
    ]
    for name, ea, eb, pkb, pr, ctx in cases:
        assert vi.chaum_pedersen_verify(ea, eb, PK, pkb, pr, *ctx) is False, name


@pytest.mark.parametrize("call,expect", [
    # The proof's words are converted first, all words before any decoding.
    (lambda p: vi.chaum_pedersen_verify(((W256, 0), E_A[1]), E_B, PK, PK_B, p[:5] + (OFF_CURVE,), *CP_CTX), MSG_WORD),
    (lambda p: vi.chaum_pedersen_verify((OFF_CURVE, E_A[1]), E_B, PK, PK_B, p[:5] + ((W256, 1),), *CP_CTX), MSG_WORD),
    # Decoding: statement points before the proof's points.
    (lambda p: vi.chaum_pedersen_verify((NON_CANONICAL, E_A[1]), E_B, PK, PK_B, p[:3] + (OFF_CURVE,) + p[4:], *CP_CTX),
     MSG_NONCANON),
    (lambda p: vi.chaum_pedersen_verify(E_A, E_B, PK, NON_CANONICAL, p[:3] + (OFF_CURVE,) + p[4:], *CP_CTX),
     MSG_NONCANON),
    # Range check before decoding: False, not the decoding error.
    (lambda p: vi.chaum_pedersen_verify((OFF_CURVE, E_A[1]), E_B, PK, PK_B, (p[0], p[1], R) + p[3:], *CP_CTX), False),
    # Identity keys are only looked at after decoding.
    (lambda p: vi.chaum_pedersen_verify(E_A, E_B, PK, INF, p[:5] + (OFF_CURVE,), *CP_CTX), MSG_OFF),
    # Prover: ciphertexts, then keys.
    (lambda p: vi.chaum_pedersen_prove(E_A, (NON_CANONICAL, E_B[1]), OFF_CURVE, PK_B, 1, 1, *CP_CTX, 1, 1), MSG_NONCANON),
    (lambda p: vi.chaum_pedersen_prove(E_A, E_B, OFF_CURVE, PK_B, 1, 1, *CP_CTX, 1, W256), MSG_WORD),
])
def test_chaum_pedersen_conversion_order(call, expect):
    proof = cp_proof()
    if expect is False:
        assert call(proof) is False
        return
    with pytest.raises(ValueError) as exc:
        call(proof)
    assert str(exc.value) == expect


# ---- verifiable decryption and identity opening ---------------------------------

VD_TAG = "VeltriaVorn/FiatShamir/Receipt/VerifiableDecrypt/v2"
IO_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/IdentityOpening/v2"
ACCOUNT, REGISTRY = 0xACC, 0x7E9


def test_dleq_both_transcripts():
    vd = vi.verifiable_decrypt_prove(E_A, SK, M, ACCOUNT, CHAIN, 97)
    io = vi.identity_opening_prove(E_A, SK, M, ACCOUNT, CHAIN, REGISTRY, 97)
    stmt = pts(*E_A, PK, M, g(97), mul(E_A[0], 97))
    assert vd[0] == challenge(VD_TAG, stmt + [ACCOUNT, CHAIN])
    assert io[0] == challenge(IO_TAG, stmt + [ACCOUNT, CHAIN, REGISTRY])
    assert vd[2:] == io[2:] == (g(97), mul(E_A[0], 97))
    assert vi.verifiable_decrypt_verify(E_A, PK, M, vd, ACCOUNT, CHAIN) is True
    assert vi.identity_opening_verify(E_A, PK, M, io, ACCOUNT, CHAIN, REGISTRY) is True
    assert vi.verifiable_decrypt_verify(E_A, PK, M, io, ACCOUNT, CHAIN) is False
    assert vi.identity_opening_verify(E_A, PK, M, vd, ACCOUNT, CHAIN, REGISTRY) is False


def test_dleq_rejections_and_mod_r_responses():
    vd = vi.verifiable_decrypt_prove(E_A, SK, M, ACCOUNT, CHAIN, 97)
    io = vi.identity_opening_prove(E_A, SK, M, ACCOUNT, CHAIN, REGISTRY, 97)
    e, s = vd[:2]
    assert vi.verifiable_decrypt_verify(E_A, PK, M, (e, s + R) + vd[2:], ACCOUNT, CHAIN) is True
    assert vi.verifiable_decrypt_verify(E_A, PK, M, (e + R, s) + vd[2:], ACCOUNT, CHAIN) is False
    assert vi.verifiable_decrypt_verify(E_A, PK, add(M, G1), vd, ACCOUNT, CHAIN) is False
    assert vi.verifiable_decrypt_verify(E_A, PK, M, vd, ACCOUNT + 1, CHAIN) is False
    assert vi.verifiable_decrypt_verify(E_A, PK, M, vd, ACCOUNT, CHAIN + 1) is False
    assert vi.identity_opening_verify(E_A, PK, M, io, ACCOUNT, CHAIN, REGISTRY + 1) is False
    # A prover given the wrong plaintext still proves; the proof fails.
    wrong = vi.verifiable_decrypt_prove(E_A, SK, add(M, G1), ACCOUNT, CHAIN, 97)
    assert vi.verifiable_decrypt_verify(E_A, PK, add(M, G1), wrong, ACCOUNT, CHAIN) is False
    # Verifiers convert the proof first; decoding follows R, C, pk, M, T1, T2.
    with pytest.raises(ValueError, match=r"^word out of range"):
        vi.verifiable_decrypt_verify((OFF_CURVE, M), PK, M, (W256, s) + vd[2:], ACCOUNT, CHAIN)
    with pytest.raises(ValueError, match=MSG_NONCANON):
        vi.identity_opening_verify(E_A, NON_CANONICAL, OFF_CURVE, io, ACCOUNT, CHAIN, REGISTRY)


# ---- issuer re-encryption ---------------------------------------------------------

RE_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerReenc/v2"
SK_REC = 0x7EC
PK_REC = g(SK_REC)
E_REG = vi.elgamal_encrypt(M, PK, 5)
E_ISS = vi.elgamal_encrypt(M, PK_REC, R_PRIME)
NONCES = (81, 82, 83, 84)


def reenc(e_iss=E_ISS, beta=7, gamma=9, r_prime=R_PRIME):
    return vi.issuer_reenc_prove(SK, r_prime, PK_REC, E_REG, e_iss, ISSUER, CHAIN, beta, gamma, *NONCES)


def test_issuer_reenc_round_trip_without_the_recipient_key():
    (e, s_r, s_b, s_s, s_g), (A1, A2, A3, A4, A5, Qp, U, Tp) = proof = reenc()
    assert Qp == add(PK_REC, mul(H, 7)) and U == mul(H, R_PRIME) and Tp == add(mul(PK_REC, R_PRIME), mul(H, 9))
    assert e == challenge(RE_TAG, pts(PK, *E_REG, *E_ISS, Qp, U, Tp, A1, A2, A3, A4, A5) + [ISSUER, CHAIN])
    assert vi.issuer_reenc_verify(PK, E_REG, E_ISS, proof, ISSUER, CHAIN) is True
    other = reenc(beta=8, gamma=10)
    assert other[1][5] != Qp and other[1][7] != Tp
    assert vi.issuer_reenc_verify(PK, E_REG, E_ISS, other, ISSUER, CHAIN) is True


@pytest.mark.parametrize("e_iss,msg", [
    (vi.elgamal_encrypt(M, PK_REC, R_PRIME + 1), "E_iss.R != r'*G"),
    (vi.elgamal_encrypt(add(M, G1), PK_REC, R_PRIME), "E_iss.C != M_iss + r'*pk_rec"),
    (vi.elgamal_encrypt(M, add(PK_REC, G1), R_PRIME), "E_iss.C != M_iss + r'*pk_rec"),
    (vi.elgamal_encrypt(add(M, G1), PK_REC, 1), "E_iss.R != r'*G"),
])
def test_issuer_reenc_witness_checks(e_iss, msg):
    with pytest.raises(ValueError) as exc:
        reenc(e_iss=e_iss)
    assert str(exc.value) == msg


def test_issuer_reenc_rejections():
    (sc, pt) = proof = reenc()
    T_other = (pt[:7] + (add(pt[7], G1),))
    cases = [
        ("T replaced", (sc, T_other), ISSUER, CHAIN, False),
        ("issuer", proof, ISSUER + 1, CHAIN, False),
        ("chainid", proof, ISSUER, CHAIN + 1, False),
        ("e + r", ((sc[0] + R,) + sc[1:], pt), ISSUER, CHAIN, False),
        ("responses + r", ((sc[0],) + tuple(x + R for x in sc[1:]), pt), ISSUER, CHAIN, True),
    ]
    for name, pr, iss, ch, want in cases:
        assert vi.issuer_reenc_verify(PK, E_REG, E_ISS, pr, iss, ch) is want, name
    # Proof words first: a wide scalar beats a malformed statement point.
    with pytest.raises(ValueError, match=r"^word out of range"):
        vi.issuer_reenc_verify(OFF_CURVE, E_REG, E_ISS, ((W256,) + sc[1:], pt), ISSUER, CHAIN)
    with pytest.raises(ValueError, match=MSG_NONCANON):
        vi.issuer_reenc_verify(NON_CANONICAL, E_REG, E_ISS, (sc, (OFF_CURVE,) + pt[1:]), ISSUER, CHAIN)


# ---- depositor binding ------------------------------------------------------------

B1_TAG = "VeltriaVorn/FiatShamir/IdentityRegistry/DepositorBinding/v2"
M_DEP, SK_DEP, SK_ISS = 0xD00D, 0xDE9, 0x155
PK_DEP, PK_ISS = g(SK_DEP), g(SK_ISS)
E_DEP = vi.elgamal_encrypt(g(M_DEP), PK_DEP, 3)


def bind(e_dep=E_DEP, b=13):
    return vi.b1_bind_prove(M_DEP, SK_DEP, e_dep, PK_ISS, ACCOUNT, CHAIN, 11, b, 91, 92, 93, 94)


def test_b1_bind_round_trip():
    proof, e_for_iss = bind()
    assert e_for_iss == vi.elgamal_encrypt(g(M_DEP), PK_ISS, 11)
    assert vi.elgamal_decrypt(e_for_iss, SK_ISS) == g(M_DEP)
    assert proof[10] == add(g(M_DEP), mul(H, 13))
    assert proof[0] == challenge(B1_TAG, pts(PK_DEP, *E_DEP, PK_ISS, *e_for_iss, *proof[5:]) + [ACCOUNT, CHAIN])
    assert vi.b1_bind_verify(PK_DEP, E_DEP, PK_ISS, e_for_iss, proof, ACCOUNT, CHAIN) is True
    other, e2 = bind(b=14)
    assert other[10] != proof[10]
    assert vi.b1_bind_verify(PK_DEP, E_DEP, PK_ISS, e2, other, ACCOUNT, CHAIN) is True


def test_b1_bind_witness_check_and_rejections():
    with pytest.raises(ValueError) as exc:
        bind(e_dep=vi.elgamal_encrypt(add(g(M_DEP), G1), PK_DEP, 3))
    assert str(exc.value) == "E_dep does not decrypt to m_dep*G under sk_dep"
    proof, e_for_iss = bind()
    other_e = vi.elgamal_encrypt(g(M_DEP), PK_ISS, 12)
    cases = [
        ("other e_dep_for_iss", other_e, proof, ACCOUNT, CHAIN, False),
        ("account", e_for_iss, proof, ACCOUNT + 1, CHAIN, False),
        ("chainid", e_for_iss, proof, ACCOUNT, CHAIN + 1, False),
        ("e + r", e_for_iss, (proof[0] + R,) + proof[1:], ACCOUNT, CHAIN, False),
        ("responses + r", e_for_iss, (proof[0],) + tuple(x + R for x in proof[1:5]) + proof[5:], ACCOUNT, CHAIN, True),
    ]
    for name, e_e, pr, acc, ch, want in cases:
        assert vi.b1_bind_verify(PK_DEP, E_DEP, PK_ISS, e_e, pr, acc, ch) is want, name


# ---- argument layer: shapes and hostile objects ----------------------------------

class Index:
    def __init__(self, v):
        self.v = v

    def __index__(self):
        return self.v


class Boom:
    def __index__(self):
        raise RuntimeError("boom")


def test_index_protocol_and_bool():
    assert vi.elgamal_encrypt(M, PK, Index(5)) == vi.elgamal_encrypt(M, PK, 5)
    assert vi.elgamal_encrypt(M, PK, True) == vi.elgamal_encrypt(M, PK, 1)
    assert vi.issuer_schnorr_verify(PK, vi.issuer_schnorr_sign(SK, 1, 2, 3, 4), True, Index(2), 3) is True


@pytest.mark.parametrize("call,exc,text", [
    (lambda: vi.elgamal_encrypt(M, PK, -1), OverflowError, None),
    (lambda: vi.elgamal_encrypt(M, PK, 1.0), TypeError, "argument 'r'"),
    (lambda: vi.elgamal_encrypt(M, PK, Boom()), RuntimeError, "boom"),
    (lambda: vi.elgamal_encrypt([1, 2], PK, 1), TypeError, "argument 'm_point'"),
    (lambda: vi.elgamal_decrypt((G1, G1, G1), 1), ValueError, "expected tuple of length 2, but got tuple of length 3"),
    (lambda: vi.chaum_pedersen_verify(E_A, E_B, PK, PK_B, [0] * 6, *CP_CTX), TypeError, "argument 'proof'"),
    (lambda: vi.chaum_pedersen_verify(E_A, E_B, PK, PK_B, (0,) * 5, *CP_CTX), ValueError,
     "expected tuple of length 6, but got tuple of length 5"),
    (lambda: vi.issuer_reenc_verify(PK, E_REG, E_ISS, ((0,) * 5, (INF,) * 7), ISSUER, CHAIN), ValueError,
     "expected tuple of length 8, but got tuple of length 7"),
    (lambda: vi.b1_bind_verify(PK_DEP, E_DEP, PK_ISS, E_DEP, (0,) * 5 + (INF,) * 6, ACCOUNT, "1"), TypeError,
     "argument 'chainid'"),
    (lambda: vi.registration_verify(G1, G1, E_A, PK, PX, "PY", (0,) * 5 + (INF,) * 4, 1, 2, 3), TypeError,
     "argument 'issuer_y'"),
    (lambda: vi.ps_sign(1, 2, 3), TypeError, None),
    (lambda: vi.ps_sign(1, 2, 3, 4, t=5), TypeError, None),
])
def test_hostile_arguments(call, exc, text):
    with pytest.raises(exc) as info:
        call()
    if text is not None:
        assert str(info.value).startswith(text)


def test_keywords_and_docstrings():
    assert vi.ps_present(sigma_1=G1, sigma_2=G1, y1=G1, a=1, b=1) == (G1, add(G1, G1))
    assert vi.ps_present.__doc__ == "`(A, B) = (a*sigma_1, a*sigma_2 + b*Y1)`: the hiding presentation."
    assert vi.ps_key_consistent.__doc__ == "`e(Y1, g_2) == e(G, Y)`."
    assert vi.registration_verify.__doc__ == "Same verifier under the historical name (the relation is A')."
    assert vi.registration_verify_v3.__doc__.splitlines()[0] == (
        "The A' verifier.  Exported as `registration_verify_v3`; the Python wallet")
    assert vi.identity_opening_prove.__doc__.splitlines() == [
        "The same DLEQ, its transcript bound to (account, chainid, registry) under",
        "its own tag: an Identity opening to one registry, never a receipt."]
    assert vi.registration_prove.__text_signature__ == (
        "(a, b, blind, m, r, pk, e_ct, registrant, sk, chainid, registry, m_tilde, b_tilde, r_tilde, sk_tilde)")
    assert vr.registry_schnorr_verify.__text_signature__ == "(pk, e, s, r_point, msg_hash, registry_id, chainid)"

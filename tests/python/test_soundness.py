"""Each verification equation of each verifier on its own.

For every sigma verifier a prover written here (plain affine arithmetic, the
challenge recomputed honestly from the transcript words) makes one proof per
equation in which that equation alone fails: its commitment is moved by G before the
challenge is drawn, so every other equation still holds and the challenge matches.
One more row keeps every equation true and breaks only the challenge: the responses
are computed for a challenge other than the transcript's. A verifier that skips or
miswires any one check accepts its row.

The eoa-priv receipt ties are checked the same way: each tie broken alone, in a
receipt whose proofs are re-made so that every other check passes.
"""
import copy
import json

import pytest

import vorn_identity as vi
import vorn_registry as vr

from test_crypto import (B1_TAG, CP_TAG, H, IO_TAG, ISS_TAG, PX, PY, R, RE_TAG, REG_TAG, T, VD_TAG, X_SK, Y1, Y_SK,
                         add, challenge, g, mul, neg, pts)
from conftest import G1
import test_wallet_receipts as wr

OFF = G1  # the shift that breaks one commitment


def shifted(point, row, name):
    return add(point, OFF) if row == name else point


def rows(*names):
    """The honest row, one row per equation, and the challenge row."""
    return [("honest", True)] + [(n, False) for n in names] + [("challenge", False)]


def respond(e, pairs):
    return tuple((k + e * w) % R for k, w in pairs)


# ---- Schnorr ------------------------------------------------------------------------

SK, K = 0x5C4A11, 0x77AB
PK = g(SK)
H_BATCH, ISSUER, CHAIN = vi.batch_commitment([5, 6]), 0xC0FFEE, 8453
MSG_HASH, REG_ID = bytes(range(100, 132)), "registry-1"  # the hash lies above r: it enters reduced


def schnorr(row, words_of):
    r_pt = shifted(g(K), row, "equation")
    e = words_of(r_pt)
    if row == "challenge":
        e = (e + 1) % R
    (s,) = respond(e, [(K, SK)])
    return e, s, r_pt


@pytest.mark.parametrize("row,want", rows("equation"))
def test_issuer_schnorr_each_check(row, want):
    e, s, r_pt = schnorr(row, lambda r_pt: challenge(ISS_TAG, pts(PK, r_pt) + [H_BATCH, ISSUER, CHAIN]))
    if row == "honest":
        assert vi.issuer_schnorr_sign(SK, H_BATCH, ISSUER, CHAIN, K) == (e, s, r_pt)
    assert vi.issuer_schnorr_verify(PK, (e, s, r_pt), H_BATCH, ISSUER, CHAIN) is want


@pytest.mark.parametrize("row,want", rows("equation"))
def test_registry_schnorr_each_check(row, want):
    id_word = int.from_bytes(REG_ID.encode(), "big") % R
    msg_word = int.from_bytes(MSG_HASH, "big") % R
    e, s, r_pt = schnorr(row, lambda r_pt: vi.keccak_scalar(pts(PK, r_pt) + [msg_word, id_word, CHAIN]))
    if row == "honest":
        assert vr.registry_schnorr_sign(SK, MSG_HASH, REG_ID, CHAIN, K) == (e, s, r_pt)
    assert vr.registry_schnorr_verify(PK, e, s, r_pt, MSG_HASH, REG_ID, CHAIN) is want


# ---- registration -------------------------------------------------------------------

REG_M, REG_A, REG_BLIND, REG_R, REG_SK = 4242, 31, 37, 41, 43
REG_CTX = (0xA11CE, 1, 0x5E9)
REG_NONCES = (51, 52, 53, 54)


@pytest.mark.parametrize("row,want", rows("presentation", "ciphertext", "randomness", "key"))
def test_registration_each_check(row, want):
    sigma_1 = g(T)
    sigma_2 = mul(sigma_1, X_SK + Y_SK * REG_M)
    A = mul(sigma_1, REG_A)
    B = add(mul(sigma_2, REG_A), mul(Y1, REG_BLIND))
    pk = g(REG_SK)
    ct = (g(REG_R), add(g(REG_M), mul(pk, REG_R)))
    m_t, b_t, r_t, sk_t = REG_NONCES
    c1 = shifted(add(mul(A, m_t), g(b_t)), row, "presentation")
    t_c = shifted(add(g(m_t), mul(pk, r_t)), row, "ciphertext")
    t_r = shifted(g(r_t), row, "randomness")
    t_key = shifted(g(sk_t), row, "key")
    e = challenge(REG_TAG, pts(A, B, ct[0], ct[1], pk, c1, t_c, t_r, t_key) + list(REG_CTX))
    if row == "challenge":
        e = (e + 1) % R
    s = respond(e, [(m_t, REG_M), (b_t, REG_BLIND), (r_t, REG_R), (sk_t, REG_SK)])
    proof = (e, *s, c1, t_c, t_r, t_key)
    if row == "honest":
        assert vi.registration_prove(A, B, REG_BLIND, REG_M, REG_R, pk, ct, REG_CTX[0], REG_SK, REG_CTX[1],
                                     REG_CTX[2], *REG_NONCES) == proof
    for verify in (vi.registration_verify, vi.registration_verify_v3):
        assert verify(A, B, ct, pk, PX, PY, proof, *REG_CTX) is want


# ---- Chaum-Pedersen -----------------------------------------------------------------

CP_M, CP_SK_A, CP_R_A, CP_SK_B, CP_R_PRIME = g(777), 0xA1, 61, 0xB2, 67
CP_CTX = (0x5E, 0x59, 1, 0x2E)


@pytest.mark.parametrize("row,want", rows("key", "randomness", "equality"))
def test_chaum_pedersen_each_check(row, want):
    pk_a, pk_b = g(CP_SK_A), g(CP_SK_B)
    e_a = (g(CP_R_A), add(CP_M, mul(pk_a, CP_R_A)))
    e_b = (g(CP_R_PRIME), add(CP_M, mul(pk_b, CP_R_PRIME)))
    k1, k2 = 71, 73
    t1 = shifted(g(k1), row, "key")
    t2 = shifted(add(mul(e_a[0], k1), neg(mul(pk_b, k2))), row, "equality")
    t3 = shifted(g(k2), row, "randomness")
    e = challenge(CP_TAG, pts(*e_a, *e_b, pk_a, pk_b, t1, t2, t3) + list(CP_CTX))
    if row == "challenge":
        e = (e + 1) % R
    proof = (e, *respond(e, [(k1, CP_SK_A), (k2, CP_R_PRIME)]), t1, t2, t3)
    if row == "honest":
        assert vi.chaum_pedersen_prove(e_a, e_b, pk_a, pk_b, CP_SK_A, CP_R_PRIME, *CP_CTX, k1, k2) == proof
    assert vi.chaum_pedersen_verify(e_a, e_b, pk_a, pk_b, proof, *CP_CTX) is want


# ---- verifiable decryption and identity opening -------------------------------------

VD_SK, VD_M, VD_T = 0xD1, g(999), 97
VD_CTX = (0xACC, 8453, 0x7E9)  # account, chainid, registry


@pytest.mark.parametrize("opening", [False, True], ids=["verifiable_decrypt", "identity_opening"])
@pytest.mark.parametrize("row,want", rows("key", "decryption"))
def test_dleq_each_check(opening, row, want):
    pk = g(VD_SK)
    ct = (g(5), add(VD_M, mul(pk, 5)))
    t1 = shifted(g(VD_T), row, "key")
    t2 = shifted(mul(ct[0], VD_T), row, "decryption")
    words = list(VD_CTX) if opening else list(VD_CTX[:2])
    e = challenge(IO_TAG if opening else VD_TAG, pts(*ct, pk, VD_M, t1, t2) + words)
    if row == "challenge":
        e = (e + 1) % R
    proof = (e, *respond(e, [(VD_T, VD_SK)]), t1, t2)
    prove, verify = ((vi.identity_opening_prove, vi.identity_opening_verify) if opening else
                     (vi.verifiable_decrypt_prove, vi.verifiable_decrypt_verify))
    if row == "honest":
        assert prove(ct, VD_SK, VD_M, *words, VD_T) == proof
    assert verify(ct, pk, VD_M, proof, *words) is want


# ---- issuer re-encryption -----------------------------------------------------------

RE_SK, RE_SK_REC, RE_R_PRIME, RE_BETA, RE_GAMMA = 0x155, 0x7EC, 67, 7, 9
RE_NONCES = (81, 82, 83, 84)  # k_r, k_b, k_s, k_g


@pytest.mark.parametrize("row,want", rows("A1", "A2", "A3", "A4", "A5"))
def test_issuer_reenc_each_check(row, want):
    pk_iss, pk_rec, m = g(RE_SK), g(RE_SK_REC), g(1234)
    e_reg = (g(5), add(m, mul(pk_iss, 5)))
    e_iss = (g(RE_R_PRIME), add(m, mul(pk_rec, RE_R_PRIME)))
    q = add(pk_rec, mul(H, RE_BETA))
    u = mul(H, RE_R_PRIME)
    t = add(mul(pk_rec, RE_R_PRIME), mul(H, RE_GAMMA))
    k_r, k_b, k_s, k_g = RE_NONCES
    commitments = [
        g(k_r),
        mul(H, k_r),
        add(add(mul(q, k_r), neg(mul(u, k_b))), mul(H, k_g)),
        g(k_s),
        add(mul(e_reg[0], k_s), mul(H, k_g)),
    ]
    a = tuple(shifted(c, row, f"A{i + 1}") for i, c in enumerate(commitments))
    e = challenge(RE_TAG, pts(pk_iss, *e_reg, *e_iss, q, u, t, *a) + [ISSUER, CHAIN])
    if row == "challenge":
        e = (e + 1) % R
    s = respond(e, [(k_r, RE_R_PRIME), (k_b, RE_BETA), (k_s, RE_SK), (k_g, RE_GAMMA)])
    proof = ((e, *s), (*a, q, u, t))
    if row == "honest":
        assert vi.issuer_reenc_prove(RE_SK, RE_R_PRIME, pk_rec, e_reg, e_iss, ISSUER, CHAIN, RE_BETA, RE_GAMMA,
                                     *RE_NONCES) == proof
    assert vi.issuer_reenc_verify(pk_iss, e_reg, e_iss, proof, ISSUER, CHAIN) is want


# ---- depositor binding --------------------------------------------------------------

B1_M, B1_SK, B1_SK_ISS, B1_R, B1_B = 0xD00D, 0xDE9, 0x155, 11, 13
B1_NONCES = (91, 92, 93, 94)  # k_m, k_s, k_r, k_b
B1_CTX = (0xACC, 8453)


@pytest.mark.parametrize("row,want", rows("D1", "D2", "D3", "D4", "D5"))
def test_b1_bind_each_check(row, want):
    pk_dep, pk_iss, m_dep = g(B1_SK), g(B1_SK_ISS), g(B1_M)
    e_dep = (g(3), add(m_dep, mul(pk_dep, 3)))
    e_e = (g(B1_R), add(m_dep, mul(pk_iss, B1_R)))
    cm = add(m_dep, mul(H, B1_B))
    k_m, k_s, k_r, k_b = B1_NONCES
    commitments = [
        add(g(k_m), mul(e_dep[0], k_s)),
        g(k_s),
        g(k_r),
        add(g(k_m), mul(pk_iss, k_r)),
        add(g(k_m), mul(H, k_b)),
    ]
    d = tuple(shifted(c, row, f"D{i + 1}") for i, c in enumerate(commitments))
    e = challenge(B1_TAG, pts(pk_dep, *e_dep, pk_iss, *e_e, *d, cm) + list(B1_CTX))
    if row == "challenge":
        e = (e + 1) % R
    s = respond(e, [(k_m, B1_M), (k_s, B1_SK), (k_r, B1_R), (k_b, B1_B)])
    proof = (e, *s, *d, cm)
    if row == "honest":
        assert vi.b1_bind_prove(B1_M, B1_SK, e_dep, pk_iss, *B1_CTX, B1_R, B1_B, *B1_NONCES) == (proof, e_e)
    assert vi.b1_bind_verify(pk_dep, e_dep, pk_iss, e_e, proof, *B1_CTX) is want


# ---- eoa-priv: each tie of the approval and of vd_payer alone -----------------------

APPROVE_PARTIES = "eoa-priv: the approval does not name the receipt's parties"
VD_PAYER_UNBOUND = "eoa-priv: vd_payer is not about the approved ciphertext"
# The payer and the re-encryption randomness of the approval made by eoa_args.
ALICE = wr.Party("Alice", 0xA1, 0xA1A1, 80)
R_PRIME = 0x4242


def cp_record(proof):
    e, s1, s2, t1, t2, t3 = proof
    return {"e": wr.hx(e), "s1": wr.hx(s1), "s2": wr.hx(s2), "T1": wr.pt(t1), "T2": wr.pt(t2), "T3": wr.pt(t3)}


def approval(r, *, e_a=None, pk_b=None, sender=None, spender=None, chainid=None):
    """Replaces the receipt's approval by a valid one over the given statement: the
    payer's point, decrypted from e_a, re-encrypted to pk_b with the builder's
    randomness (so that E_b stays the same when pk_b does)."""
    a = r["proof"]["approve"]
    e_a = wr.from_ct(a["E_a"]) if e_a is None else e_a
    pk_b = wr.from_pt(a["pk_b"]) if pk_b is None else pk_b
    sender = int(a["sender"], 16) if sender is None else sender
    spender = int(a["spender"], 16) if spender is None else spender
    chainid = a["chainid"] if chainid is None else chainid
    e_b = vi.elgamal_encrypt(vi.elgamal_decrypt(e_a, ALICE.sk), pk_b, R_PRIME)
    pk_a = ALICE.pk
    proof = vi.chaum_pedersen_prove(e_a, e_b, pk_a, pk_b, ALICE.sk, R_PRIME, sender, spender, chainid, wr.REGISTRY,
                                    41, 42)
    assert vi.chaum_pedersen_verify(e_a, e_b, pk_a, pk_b, proof, sender, spender, chainid, wr.REGISTRY)
    a.update(E_a=wr.ctj(e_a), E_b=wr.ctj(e_b), pk_a=wr.pt(pk_a), pk_b=wr.pt(pk_b), sender=wr.hx(sender),
             spender=wr.hx(spender), chainid=chainid, proof=cp_record(proof))


def vd_payer(r, *, e_ct=None, account=None, chainid=None):
    """Replaces vd_payer by a valid proof, made with the payee's key, naming the payer."""
    v = r["proof"]["vd_payer"]
    e_ct = wr.from_ct(v["E_ct"]) if e_ct is None else e_ct
    account = wr.PAYEE.addr if account is None else account
    chainid = wr.CHAIN if chainid is None else chainid
    r["proof"]["vd_payer"] = wr.vd_record(e_ct, wr.PAYEE.sk, ALICE.M, account, chainid)


TIES = [
    ("honest", lambda r: None, None),
    # The approval: payer's registered ciphertext and key, payer as sender, payee's key
    # and address as spender, this chain.
    ("E_a", lambda r: approval(r, e_a=vi.elgamal_encrypt(ALICE.M, ALICE.pk, 0x99)), APPROVE_PARTIES),
    # No sound approval names another key for the payer's registered ciphertext: the
    # receipt's payer record names another key instead (nothing else reads it here).
    ("pk_a", lambda r: r["payer"].update(pk=wr.pt(wr.OTHER.pk)), APPROVE_PARTIES),
    # A ciphertext for another key cannot be opened by the payee, so vd_payer is then
    # about another ciphertext too; the approval's tie is checked first.
    ("pk_b", lambda r: approval(r, pk_b=wr.OTHER.pk), APPROVE_PARTIES),
    ("sender", lambda r: approval(r, sender=wr.OTHER.addr), APPROVE_PARTIES),
    ("spender", lambda r: approval(r, spender=wr.OTHER.addr), APPROVE_PARTIES),
    ("chainid", lambda r: approval(r, chainid=wr.CHAIN + 1), APPROVE_PARTIES),
    # vd_payer: the approved ciphertext, the payee's account, this chain.
    ("vd.E_ct", lambda r: vd_payer(r, e_ct=vi.elgamal_encrypt(ALICE.M, wr.PAYEE.pk, 0xF00D)), VD_PAYER_UNBOUND),
    ("vd.account", lambda r: vd_payer(r, account=wr.OTHER.addr), VD_PAYER_UNBOUND),
    ("vd.chainid", lambda r: vd_payer(r, chainid=wr.CHAIN + 1), VD_PAYER_UNBOUND),
]


@pytest.fixture(scope="module")
def eoa_priv_receipt():
    return json.loads(wr.build(wr.eoa_args("eoa-priv")[0]))


@pytest.mark.parametrize("name,edit,reason", TIES, ids=[t[0] for t in TIES])
def test_eoa_priv_each_tie_alone(eoa_priv_receipt, name, edit, reason):
    r = copy.deepcopy(eoa_priv_receipt)
    edit(r)
    got = wr.verify(r)
    if reason is None:
        assert got == wr.ok_result(ALICE)
    else:
        assert got == {"identity_M": None, "ok": False, "reason": reason, "value": None}

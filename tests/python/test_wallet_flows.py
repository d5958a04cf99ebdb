"""Receipt flows and credential issuance as Python sees them.

The rounds a wallet runs (issue, mint, deliver, open, make and verify a recipient
receipt) for A1 and A2 notes, against identity trees with and without the parties;
the mints rebuilt from the exported primitives; each verification check failing in
its order; the issuance edge cases; and the example road run as a new user runs it.

Expected values are rebuilt independently: identity scalars with the Keccak-256 of
test_notes, trees as the fully zero-padded reference tree of test_wallet_delivery,
the issuer's binding with issuer_reenc_verify, signatures with ps_verify.
"""
import copy
import json
import os
import pathlib
import subprocess
import sys

import pytest

import vorn_identity as vi
import vorn_wallet as vw

from conftest import R, Q
from test_notes import P, keccak256, tag
from test_wallet_delivery import reference_root_and_path
from test_wallet_receipts import CHAIN, ISSUER, PAYEE, K_RECV, PK_RECV, V, RHO, R_NOTE, R_ID, BETA, GAMMA, hx, pt, \
    ctj, from_pt

G = vi.G1
ISSUER_WORD = ISSUER.addr
T_VD = 0x103
SALT_ISS = 0x5A17
DEPTH = 4

VD_BAD = "verifiable decryption invalid"
REC_UNKNOWN = "recipient M not a registered identity"
ISS_UNKNOWN = "issuer M not a registered identity"
BINDING_BAD = "issuer binding invalid"
CARRIED = "the binding's Identity is not the one decrypted"
MISSING = "receipt: missing field"
TOGETHER = "args: applicant_pk and r_delivery go together"
RANDOMNESS = "mint: r_note and r_prime must be nonzero and distinct mod ORDER"
NONCES = "args: proof nonces must be nonzero and pairwise distinct mod ORDER"
ZERO_ISSUER_NONCE = "issuer: t_sig and r_delivery must be nonzero mod ORDER"
ROAD = pathlib.Path(__file__).resolve().parents[2] / "examples" / "receipt_road.py"


def call(fn, args):
    return json.loads(fn(json.dumps(args)))


def raises(msg, fn, args):
    with pytest.raises(ValueError) as e:
        fn(json.dumps(args))
    assert str(e.value) == msg


def bump(obj, *path):
    """A deep copy of obj with the hex word at path increased by one."""
    out = copy.deepcopy(obj)
    cur = out
    for k in path[:-1]:
        cur = cur[k]
    cur[path[-1]] = hx(int(cur[path[-1]], 16) + 1)
    return out


# ---- identity trees ---------------------------------------------------------

def identity_leaf(m_point):
    return P(tag("VeltriaVorn/Accumulator/Leaf/Identity/v2"), *m_point)


def tree_of(*members):
    leaves = [0xF00D] + [identity_leaf(p.M) for p in members]  # someone else's leaf first
    root, _, _ = reference_root_and_path(leaves, DEPTH, 0)
    return {"depth": DEPTH, "leaves": [hx(x) for x in leaves]}, root


BOTH, BOTH_ROOT = tree_of(ISSUER, PAYEE)


# ---- credential issuance ----------------------------------------------------

SK_X, SK_Y, T_SIG = 0x5EC1, 0x5EC2, 0x7516


def cred_args(fields=None, **over):
    a = {"fields": {"name": "x"} if fields is None else fields, "sk_x": hx(SK_X), "sk_y": hx(SK_Y),
         "issuer_id": "reg-1", "t_sig": hx(T_SIG)}
    a.update(over)
    return a


def test_issue_credential_stamps_the_issuer_signs_m_and_delivers_M():
    applicant_k, r_del = 0xA991, 0xDE11
    c = call(vw.issue_credential, cred_args({"name": "x", "issuer_id": "other"},
                                            applicant_pk=pt(vi.g1_mul(G, applicant_k)), r_delivery=hx(r_del)))
    assert c["canonical"] == '{"issuer_id":"reg-1","name":"x"}'
    m = keccak256(b"VeltriaVorn/Identity/Scalar/v2" + c["canonical"].encode()) % R
    assert m == vi.identity_scalar(c["canonical"])
    assert c["m"] == hx(m)
    s1, s2 = from_pt(c["sigma_1"]), from_pt(c["sigma_2"])
    assert s1 == vi.g1_mul(G, T_SIG)
    assert vi.ps_verify(vi.g2_mul(vi.G2, SK_X), vi.g2_mul(vi.G2, SK_Y), s1, s2, m)
    assert not vi.ps_verify(vi.g2_mul(vi.G2, SK_X), vi.g2_mul(vi.G2, SK_Y), s1, s2, m + 1)
    assert c["delivery"] == ctj(vi.elgamal_encrypt(vi.g1_mul(G, m), vi.g1_mul(G, applicant_k), r_del))
    assert vi.elgamal_decrypt(vi.elgamal_encrypt(vi.g1_mul(G, m), vi.g1_mul(G, applicant_k), r_del),
                              applicant_k) == vi.g1_mul(G, m)
    plain = call(vw.issue_credential, cred_args())
    assert "delivery" not in plain and sorted(plain) == ["canonical", "m", "sigma_1", "sigma_2"]


@pytest.mark.parametrize("args,msg", [
    # The pairing is refused before anything else is read or signed.
    ({"fields": {}, "applicant_pk": pt(G)}, TOGETHER),
    ({"fields": {}, "r_delivery": "0x5"}, TOGETHER),
    (cred_args(applicant_pk=pt(G), r_delivery=None), TOGETHER),
    (cred_args(applicant_pk={}, r_delivery="0x5"), TOGETHER),
    (cred_args(applicant_pk=pt(G), r_delivery=5), "args: r_delivery must be a hex string"),
    (cred_args(applicant_pk=pt(G), r_delivery="0xg"), "invalid hex"),
    ({"sk_x": "0x1"}, MISSING),
    (cred_args([1]), "issuer: identity fields must be a JSON object"),
    (cred_args('{"name":"x"}'), "issuer: identity fields must be a JSON object"),
    (cred_args({"name": "x", "height": 1.5}), "canonical_json: floats are not canonical"),
    (cred_args(issuer_id=7), "receipt: expected a string"),
    (cred_args(t_sig=hx(R)), ZERO_ISSUER_NONCE),
    (cred_args(applicant_pk=pt(G), r_delivery="0x0"), ZERO_ISSUER_NONCE),
    (cred_args(applicant_pk=pt((1, 3)), r_delivery="0x5"), "G1 point not on curve"),
    (cred_args(applicant_pk=pt((Q, 2)), r_delivery="0x5"), "coordinate not a canonical Fq element"),
])
def test_issue_credential_refusals(args, msg):
    raises(msg, vw.issue_credential, args)


# ---- mints ------------------------------------------------------------------

def mint_a1_args(**over):
    a = {"nonces": {"r_prime": hex(R_ID), "r_note": hex(R_NOTE)}, "M_rec": pt(PAYEE.M), "pk_recv": pt(PK_RECV),
         "v": hex(V), "rho": hex(RHO), "m_issuer": hex(ISSUER.m), "predicate": "0x0"}
    a.update(over)
    return a


A2_NONCES = {"r_prime": hex(R_ID), "r_note": hex(R_NOTE), "beta": hex(BETA), "gamma": hex(GAMMA),
             "k_r": "0xb", "k_b": "0xc", "k_s": "0xd", "k_g": "0xe"}


def mint_a2_args(**over):
    a = {"nonces": A2_NONCES, "sk_iss": hex(ISSUER.sk), "E_reg": ctj(ISSUER.E), "pk_recv": pt(PK_RECV),
         "v": hex(V), "rho": hex(RHO), "issuer": hex(ISSUER_WORD), "chainid": hex(CHAIN), "predicate": "0x0"}
    a.update(over)
    return a


def test_mint_a1_is_the_two_encryptions_and_the_commitment():
    m = call(vw.mint_unilateral_a1, mint_a1_args())
    e_note = vi.elgamal_encrypt(vi.g1_mul(G, V), PK_RECV, R_NOTE)
    e_rec = vi.elgamal_encrypt(PAYEE.M, PK_RECV, R_ID)
    id_hash = vi.id_hash_a1(e_note, ISSUER.m)
    assert m == {"eNote": ctj(e_note), "eRec": ctj(e_rec), "idHash": hx(id_hash),
                 "cm": hx(vi.note_commitment(1, V, RHO, id_hash, 0)),
                 "opening": {"flavor": hx(1), "v": hx(V), "rho": hx(RHO), "idHash": hx(id_hash), "predicate": hx(0)},
                 "r_prime": hx(R_ID), "r_note": hx(R_NOTE)}
    # r_prime is used and reported modulo r; the same arguments give the same text.
    wide = call(vw.mint_unilateral_a1, mint_a1_args(nonces={"r_prime": hex(R_ID + R), "r_note": hex(R_NOTE)}))
    assert wide == m
    assert vw.mint_unilateral_a1(json.dumps(mint_a1_args())) == vw.mint_unilateral_a1(json.dumps(mint_a1_args()))


def test_mint_a2_reencrypts_the_issuer_with_a_verifying_binding():
    m = call(vw.mint_unilateral_a2, mint_a2_args())
    e_note = vi.elgamal_encrypt(vi.g1_mul(G, V), PK_RECV, R_NOTE)
    e_iss = vi.elgamal_encrypt(ISSUER.M, PK_RECV, R_ID)
    b = m["binding"]
    proof = (tuple(int(b[k], 16) for k in ("e", "s_r", "s_b", "s_s", "s_g")),
             tuple(from_pt(b[k]) for k in ("A1", "A2", "A3", "A4", "A5", "Q", "U", "T")))
    t = vi.g1_add(vi.g1_mul(PK_RECV, R_ID), vi.g1_mul(vi.H_PEDERSEN, GAMMA))
    assert proof[1][7] == t
    assert vi.issuer_reenc_verify(ISSUER.pk, ISSUER.E, e_iss, proof, ISSUER_WORD, CHAIN)
    # The same proof as the exported prover makes with the same nonces.
    assert proof == vi.issuer_reenc_prove(ISSUER.sk, R_ID, PK_RECV, ISSUER.E, e_iss, ISSUER_WORD, CHAIN, BETA, GAMMA,
                                          0xb, 0xc, 0xd, 0xe)
    id_hash = vi.id_hash_a2(e_note, e_iss, t)
    assert (m["M_I"], m["eNote"], m["eIss"]) == (pt(ISSUER.M), ctj(e_note), ctj(e_iss))
    assert (m["idHash"], m["cm"]) == (hx(id_hash), hx(vi.note_commitment(2, V, RHO, id_hash, 0)))
    assert m["opening"]["flavor"] == hx(2)
    assert (m["gamma"], m["r_prime"], m["r_note"]) == (hx(GAMMA), hx(R_ID), hx(R_NOTE))


@pytest.mark.parametrize("fn,args,msg", [
    (vw.mint_unilateral_a1, mint_a1_args(nonces={"r_prime": hex(R_ID), "r_note": "0x0"}), RANDOMNESS),
    (vw.mint_unilateral_a1, mint_a1_args(nonces={"r_prime": hex(R), "r_note": hex(R_NOTE)}), RANDOMNESS),
    (vw.mint_unilateral_a1, mint_a1_args(nonces={"r_prime": hex(R_NOTE + R), "r_note": hex(R_NOTE)}), RANDOMNESS),
    (vw.mint_unilateral_a2, mint_a2_args(nonces=dict(A2_NONCES, r_note=hex(R_ID))), RANDOMNESS),
    (vw.mint_unilateral_a2, mint_a2_args(nonces=dict(A2_NONCES, k_s="0x0")), NONCES),
    (vw.mint_unilateral_a2, mint_a2_args(nonces=dict(A2_NONCES, k_g="0xd")), NONCES),
    (vw.mint_unilateral_a2, mint_a2_args(nonces=dict(A2_NONCES, k_r=hex(0xc + R))), NONCES),
    (vw.mint_unilateral_a1, {k: v for k, v in mint_a1_args().items() if k != "nonces"}, MISSING),
    (vw.mint_unilateral_a2, mint_a2_args(nonces={k: v for k, v in A2_NONCES.items() if k != "k_g"}), MISSING),
    (vw.mint_unilateral_a2, mint_a2_args(chainid=CHAIN), "receipt: expected a string"),
    (vw.mint_unilateral_a1, mint_a1_args(M_rec=pt((1, 3))), "G1 point not on curve"),
    (vw.mint_unilateral_a1, mint_a1_args(m_issuer="0x0"), "scalars must lie in [1, ORDER)"),
    (vw.mint_unilateral_a1, mint_a1_args(v=hex(2**128)), "v out of range [0, 2^128)"),
    (vw.mint_unilateral_a2, mint_a2_args(E_reg=ctj(((1, 3), G))), "G1 point not on curve"),
])
def test_mint_refusals(fn, args, msg):
    raises(msg, fn, args)


def test_args_text_errors():
    with pytest.raises(ValueError, match="^args: invalid JSON: "):
        vw.mint_unilateral_a1("{")
    raises(MISSING, vw.verify_receipt_a1, [])
    with pytest.raises(TypeError):
        vw.make_receipt_a2(b"{}")


# ---- the wallet's rounds ----------------------------------------------------

def make_a1_args(minted, tree=BOTH, **over):
    a = {"minted": minted, "tree": tree, "k_recv": hex(K_RECV), "M_rec": pt(PAYEE.M), "M_iss": pt(ISSUER.M),
         "issuer": hex(ISSUER_WORD), "chainid": hex(CHAIN), "t_vd": hex(T_VD)}
    a.update(over)
    return a


def make_a2_args(minted, tree=BOTH, **over):
    a = make_a1_args(minted, tree, **over)
    del a["M_iss"]
    return a


def verify_a1(receipt, tree=BOTH, root=None):
    root = BOTH_ROOT if root is None else root
    return call(vw.verify_receipt_a1, {"receipt": receipt, "tree": tree, "identity_root": hx(root)})


def verify_a2(receipt, tree=BOTH, root=None, pk_iss=None, e_reg=None):
    root = BOTH_ROOT if root is None else root
    return call(vw.verify_receipt_a2, {"receipt": receipt, "tree": tree, "pk_iss": pt(pk_iss or ISSUER.pk),
                                       "E_reg": ctj(e_reg or ISSUER.E), "identity_root": hx(root)})


def verdict(reason, valid=False):
    return {"valid": valid, "reason": reason, "issuer_M": pt(ISSUER.M) if valid else None,
            "recipient_M": pt(PAYEE.M) if valid else None, "value": hx(V)}


MINTED_A1 = call(vw.mint_unilateral_a1, mint_a1_args())
MINTED_A2 = call(vw.mint_unilateral_a2, mint_a2_args())
RECEIPT_A1 = call(vw.make_receipt_a1, make_a1_args(MINTED_A1))
RECEIPT_A2 = call(vw.make_receipt_a2, make_a2_args(MINTED_A2))


def test_a1_round_mint_deliver_open_make_verify():
    delivery = call(vw.deliver_a1, {"eNote": MINTED_A1["eNote"], "eRec": MINTED_A1["eRec"], "v": hex(V),
                                    "rho": hex(RHO), "predicate": "0x0", "r_note": hex(R_NOTE),
                                    "pk_recv": pt(PK_RECV)})
    opened = call(vw.open_a1, {"delivery": delivery, "k": hex(K_RECV), "m_issuer": hex(ISSUER.m)})
    assert opened["opening"]["cm"] == MINTED_A1["cm"]
    assert int(opened["r_note"], 16) == R_NOTE

    rc = RECEIPT_A1
    assert (rc["pk_recv"], rc["value"], rc["eRec"]) == (pt(PK_RECV), hx(V), MINTED_A1["eRec"])
    assert (rc["issuer"], rc["chainid"], rc["M_iss_member"], rc["M_rec_member"]) == \
        (hx(ISSUER_WORD), hx(CHAIN), True, True)
    vd = rc["vd"]
    proof = (int(vd["e"], 16), int(vd["s"], 16), from_pt(vd["T1"]), from_pt(vd["T2"]))
    e_rec = vi.elgamal_encrypt(PAYEE.M, PK_RECV, R_ID)
    assert vi.verifiable_decrypt_verify(e_rec, PK_RECV, PAYEE.M, proof, ISSUER_WORD, CHAIN)
    assert verify_a1(rc) == verdict("VALID", True)

    # Trees without the parties: the maker records it and the verifier refuses.
    no_bob, no_bob_root = tree_of(ISSUER)
    no_iss, no_iss_root = tree_of(PAYEE)
    made = call(vw.make_receipt_a1, make_a1_args(MINTED_A1, no_bob))
    assert (made["M_iss_member"], made["M_rec_member"]) == (True, False)
    assert verify_a1(rc, no_bob, no_bob_root) == verdict(REC_UNKNOWN)
    assert verify_a1(rc, no_iss, no_iss_root) == verdict(ISS_UNKNOWN)
    assert verify_a1(rc, BOTH, BOTH_ROOT + 1) == verdict(REC_UNKNOWN)  # the posted root is another


def test_a2_round_mint_deliver_open_make_verify():
    delivery = call(vw.deliver_a2, {"eNote": MINTED_A2["eNote"], "eIss": MINTED_A2["eIss"],
                                    "T": MINTED_A2["binding"]["T"], "v": hex(V), "rho": hex(RHO),
                                    "predicate": "0x0", "r_note": hex(R_NOTE), "r_prime": hex(R_ID),
                                    "salt_iss": hex(SALT_ISS), "gamma": hex(GAMMA), "pk_recv": pt(PK_RECV)})
    opened = call(vw.open_a2, {"delivery": delivery, "k": hex(K_RECV)})
    assert opened["opening"]["cm"] == MINTED_A2["cm"]
    assert opened["M_I"] == MINTED_A2["M_I"] == pt(ISSUER.M)

    rc = RECEIPT_A2
    assert (rc["M_I"], rc["binding"], rc["gamma"]) == (pt(ISSUER.M), MINTED_A2["binding"], MINTED_A2["gamma"])
    assert (rc["M_I_member"], rc["M_rec_member"]) == (True, True)
    assert verify_a2(rc) == verdict("VALID", True)

    no_bob, no_bob_root = tree_of(ISSUER)
    no_iss, no_iss_root = tree_of(PAYEE)
    assert call(vw.make_receipt_a2, make_a2_args(MINTED_A2, no_iss))["M_I_member"] is False
    assert verify_a2(rc, no_bob, no_bob_root) == verdict(REC_UNKNOWN)
    assert verify_a2(rc, no_iss, no_iss_root) == verdict(ISS_UNKNOWN)


# ---- verification failures, in order ----------------------------------------
# Each row breaks its own check and every later one, so its check must decide.

NOBODY, NOBODY_ROOT = tree_of()
ONLY_BOB, ONLY_BOB_ROOT = tree_of(PAYEE)


@pytest.mark.parametrize("receipt,tree,reason", [
    (bump(RECEIPT_A1, "vd", "s"), NOBODY, VD_BAD),
    (bump(RECEIPT_A1, "vd", "e"), NOBODY, VD_BAD),
    (bump(RECEIPT_A1, "issuer"), NOBODY, VD_BAD),
    (bump(RECEIPT_A1, "chainid"), NOBODY, VD_BAD),
    (dict(RECEIPT_A1, M_rec=pt(ISSUER.M)), NOBODY, VD_BAD),
    (dict(RECEIPT_A1, pk_recv=pt(vi.g1_mul(G, 5))), NOBODY, VD_BAD),
    (RECEIPT_A1, NOBODY, REC_UNKNOWN),
    (RECEIPT_A1, ONLY_BOB, ISS_UNKNOWN),
    (RECEIPT_A1, BOTH, "VALID"),
], ids=["vd.s", "vd.e", "issuer", "chainid", "M_rec", "pk_recv", "recipient", "issuer-member", "valid"])
def test_verify_receipt_a1_checks_in_order(receipt, tree, reason):
    root = {id(NOBODY): NOBODY_ROOT, id(ONLY_BOB): ONLY_BOB_ROOT, id(BOTH): BOTH_ROOT}[id(tree)]
    assert verify_a1(receipt, tree, root)["reason"] == reason


# gamma is bound by neither proof: changing it breaks only the carried identity.
BAD_GAMMA = bump(RECEIPT_A2, "gamma")
BAD_VD = bump(BAD_GAMMA, "vd", "s")


@pytest.mark.parametrize("receipt,tree,keys,reason", [
    (bump(BAD_VD, "binding", "s_s"), NOBODY, {}, BINDING_BAD),
    (bump(BAD_VD, "binding", "e"), NOBODY, {}, BINDING_BAD),
    (dict(BAD_VD, binding=dict(BAD_VD["binding"], T=pt(G))), NOBODY, {}, BINDING_BAD),
    (bump(BAD_VD, "issuer"), NOBODY, {}, BINDING_BAD),
    (BAD_VD, NOBODY, {"pk_iss": vi.g1_mul(G, 9)}, BINDING_BAD),
    (BAD_VD, NOBODY, {"e_reg": vi.elgamal_encrypt(PAYEE.M, ISSUER.pk, 77)}, BINDING_BAD),
    (BAD_VD, NOBODY, {}, VD_BAD),
    (dict(BAD_GAMMA, pk_recv=pt(vi.g1_mul(G, 5))), NOBODY, {}, VD_BAD),
    (dict(BAD_GAMMA, M_I=pt(PAYEE.M)), NOBODY, {}, VD_BAD),
    (BAD_GAMMA, NOBODY, {}, CARRIED),
    (RECEIPT_A2, NOBODY, {}, REC_UNKNOWN),
    (RECEIPT_A2, ONLY_BOB, {}, ISS_UNKNOWN),
    (RECEIPT_A2, BOTH, {}, "VALID"),
], ids=["binding.s_s", "binding.e", "binding.T", "issuer", "pk_iss", "E_reg", "vd.s", "pk_recv", "M_I", "gamma",
        "recipient", "issuer-member", "valid"])
def test_verify_receipt_a2_checks_in_order(receipt, tree, keys, reason):
    root = {id(NOBODY): NOBODY_ROOT, id(ONLY_BOB): ONLY_BOB_ROOT, id(BOTH): BOTH_ROOT}[id(tree)]
    out = verify_a2(receipt, tree, root, **keys)
    assert out["reason"] == reason
    assert out["valid"] is (reason == "VALID")
    assert out["value"] == hx(V)


@pytest.mark.parametrize("fn,args,msg", [
    (vw.make_receipt_a1, make_a1_args(MINTED_A1, t_vd=hex(R)), NONCES),
    (vw.make_receipt_a2, make_a2_args(MINTED_A2, t_vd="0x0"), NONCES),
    (vw.make_receipt_a1, make_a1_args({k: v for k, v in MINTED_A1.items() if k != "idHash"}), MISSING),
    (vw.make_receipt_a2, make_a2_args({k: v for k, v in MINTED_A2.items() if k != "binding"}), MISSING),
    (vw.make_receipt_a2, make_a2_args(dict(MINTED_A2, binding=dict(MINTED_A2["binding"], Q=None))), MISSING),
    (vw.make_receipt_a1, make_a1_args(MINTED_A1, tree={"depth": 0, "leaves": []}), "depth must be in [1, 32]"),
    (vw.make_receipt_a1, make_a1_args(MINTED_A1, chainid=CHAIN), "receipt: expected a string"),
    (vw.make_receipt_a1, make_a1_args(dict(MINTED_A1, eRec=ctj(((1, 3), G)))), "G1 point not on curve"),
    (vw.verify_receipt_a1, {"receipt": RECEIPT_A1, "tree": BOTH}, MISSING),
    (vw.verify_receipt_a1, {"receipt": {k: v for k, v in RECEIPT_A1.items() if k != "vd"}, "tree": BOTH,
                            "identity_root": "0x1"}, MISSING),
    (vw.verify_receipt_a2, {"receipt": RECEIPT_A2, "tree": BOTH, "pk_iss": pt((1, 3)), "E_reg": ctj(ISSUER.E),
                            "identity_root": "0x1"}, "G1 point not on curve"),
])
def test_recipient_receipt_reading_errors_and_unsafe_nonce(fn, args, msg):
    raises(msg, fn, args)


# ---- the receiving key zero -----------------------------------------------------
# Under pk_recv = infinity a verifiable decryption needs no secret: C itself is the
# "decrypted" point and the prover's key is 0. A receipt forged that way from public
# data alone verifies as a proof, so the verifiers refuse the key itself and the
# makers refuse a zero k_recv.

ZERO_KEY = "args: k_recv must be nonzero mod ORDER"
INFINITE_KEY = "pk_recv is the point at infinity"


def forged_vd(ct, m_point):
    e, s, t1, t2 = vi.verifiable_decrypt_prove(ct, 0, m_point, ISSUER_WORD, CHAIN, T_VD)
    return {"e": hx(e), "s": hx(s), "T1": pt(t1), "T2": pt(t2)}


@pytest.mark.parametrize("k", [0, R, 2 * R])
@pytest.mark.parametrize("fn,make", [(vw.make_receipt_a1, lambda k: make_a1_args(MINTED_A1, k_recv=hex(k))),
                                     (vw.make_receipt_a2, lambda k: make_a2_args(MINTED_A2, k_recv=hex(k)))],
                         ids=["a1", "a2"])
def test_makers_refuse_a_zero_receiving_key(fn, make, k):
    raises(ZERO_KEY, fn, make(k))


def test_verifiers_refuse_an_infinite_receiving_key():
    # A1: the recipient's identity "encrypted" to infinity is (r*G, M_rec).
    e_rec = ((vi.g1_mul(G, 77)), PAYEE.M)
    forged = dict(RECEIPT_A1, pk_recv=pt((0, 0)), eRec=ctj(e_rec), vd=forged_vd(e_rec, PAYEE.M))
    assert verify_a1(forged) == verdict(INFINITE_KEY)
    # A2: an issuer binding minted to the infinite key, opened without any secret.
    minted = call(vw.mint_unilateral_a2, mint_a2_args(pk_recv=pt((0, 0))))
    e_iss = tuple(from_pt(minted["eIss"][k]) for k in ("R", "C"))
    assert e_iss[1] == ISSUER.M
    forged = dict(RECEIPT_A2, pk_recv=pt((0, 0)), eIss=minted["eIss"], binding=minted["binding"],
                  gamma=minted["gamma"], vd=forged_vd(e_iss, ISSUER.M))
    assert verify_a2(forged) == verdict(INFINITE_KEY)
    # The same forgery under the real key fails its proof, as before.
    assert verify_a1(dict(RECEIPT_A1, eRec=ctj(e_rec), vd=forged_vd(e_rec, PAYEE.M)))["reason"] == VD_BAD


# ---- the example road -------------------------------------------------------

def test_receipt_road_example_ends_valid():
    env = dict(os.environ)
    here = os.path.dirname(os.path.abspath(vw.__file__))
    env["PYTHONPATH"] = os.pathsep.join(p for p in (here, env.get("PYTHONPATH")) if p)
    run = subprocess.run([sys.executable, str(ROAD)], capture_output=True, text=True, env=env, timeout=120)
    assert run.returncode == 0, run.stdout + run.stderr
    assert run.stdout.rstrip("\n").splitlines()[-1] == "VALID"

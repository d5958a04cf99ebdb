"""What SECURITY.md says a verifier's True or VALID does not prove, measured.

Each test is one statement of SECURITY.md, shown on the running kernel. When a test
here fails, the kernel has changed what it accepts: SECURITY.md changes with it.
"""
import copy
import json
import re

import pytest

import vorn_identity as vi
import vorn_registry as vr
import vorn_wallet as vw
from test_wallet_flows import PK_RECV, call, make_a1_args, verify_a1
from test_wallet_receipts import CHAIN, PAYEE, hx, pt, receipt

R = vi.ORDER
G = vi.G1
SK, K = 0x1234, 0x77
PK = vi.g1_mul(G, SK)
M = vi.g1_mul(G, 99)
CT = vi.elgamal_encrypt(M, PK, 0x55)
MSG = bytes(range(32))
PK_REC = vi.g1_mul(G, 0x4EC1)
E_ISS = vi.elgamal_encrypt(M, PK_REC, 0x42)


def bump_at(t, *path):
    """A copy of the nested tuple t with r added to the integer at path."""
    if len(path) == 1:
        return t[:path[0]] + (t[path[0]] + R,) + t[path[0] + 1:]
    return t[:path[0]] + (bump_at(t[path[0]], *path[1:]),) + t[path[0] + 1:]


# (name, proof, verify(proof), paths of the responses s, path of the challenge e)
def _cases():
    isig = vi.issuer_schnorr_sign(SK, 5, 6, CHAIN, K)
    rsig = vr.registry_schnorr_sign(SK, MSG, "reg-1", CHAIN, K)
    vd = vi.verifiable_decrypt_prove(CT, SK, M, 1, CHAIN, 0x66)
    op = vi.identity_opening_prove(CT, SK, M, 1, CHAIN, 7, 0x66)
    reenc = vi.issuer_reenc_prove(SK, 0x42, PK_REC, CT, E_ISS, 6, CHAIN, 5, 6, 7, 8, 9, 10)
    bind, e_for_iss = vi.b1_bind_prove(99, SK, CT, PK_REC, 3, CHAIN, 11, 12, 13, 14, 15, 16)
    return [
        ("issuer_schnorr", isig, lambda p: vi.issuer_schnorr_verify(PK, p, 5, 6, CHAIN), [(1,)], (0,)),
        ("registry_schnorr", rsig, lambda p: vr.registry_schnorr_verify(PK, p[0], p[1], p[2], MSG, "reg-1", CHAIN),
         [(1,)], (0,)),
        ("verifiable_decrypt", vd, lambda p: vi.verifiable_decrypt_verify(CT, PK, M, p, 1, CHAIN), [(1,)], (0,)),
        ("identity_opening", op, lambda p: vi.identity_opening_verify(CT, PK, M, p, 1, CHAIN, 7), [(1,)], (0,)),
        ("issuer_reenc", reenc, lambda p: vi.issuer_reenc_verify(PK, CT, E_ISS, p, 6, CHAIN),
         [(0, 1), (0, 2), (0, 3), (0, 4)], (0, 0)),
        ("b1_bind", bind, lambda p: vi.b1_bind_verify(PK, CT, PK_REC, e_for_iss, p, 3, CHAIN),
         [(1,), (2,), (3,), (4,)], (0,)),
    ]


@pytest.mark.parametrize("name,proof,verify,responses,challenge", _cases(), ids=[c[0] for c in _cases()])
def test_responses_are_accepted_modulo_r_the_challenge_is_not(name, proof, verify, responses, challenge):
    assert verify(proof)
    for path in responses:
        assert verify(bump_at(proof, *path)), path  # a second byte form of the same proof
    assert not verify(bump_at(proof, *challenge))


def test_chaum_pedersen_refuses_responses_of_r_or_more():
    sk_b = 0xB0B
    pk_b = vi.g1_mul(G, sk_b)
    e_b = vi.elgamal_encrypt(M, pk_b, 0x4242)
    cp = vi.chaum_pedersen_prove(CT, e_b, PK, pk_b, SK, 0x4242, 1, 2, CHAIN, 9, 21, 22)
    assert vi.chaum_pedersen_verify(CT, e_b, PK, pk_b, cp, 1, 2, CHAIN, 9)
    for i in (1, 2):
        assert not vi.chaum_pedersen_verify(CT, e_b, PK, pk_b, bump_at(cp, i), 1, 2, CHAIN, 9)


def cid(obj_or_text):
    text = obj_or_text if isinstance(obj_or_text, str) else vw.canonical_json(json.dumps(obj_or_text))
    return vw.receipt_id(text.encode())


def verdict(obj_or_text):
    text = obj_or_text if isinstance(obj_or_text, str) else json.dumps(obj_or_text)
    return json.loads(vw.verify_receipt(text))["reason"]


@pytest.mark.parametrize("path", [["payee_vd", "proof", "s"], ["note", "vdNote", "proof", "s"],
                                  ["note", "vdRec", "proof", "s"], ["proof", "issuer_sig", "s"]])
def test_a_receipt_re_encoded_with_s_plus_r_stays_valid_under_a_new_id(path):
    r = receipt("note-a1")
    edited = copy.deepcopy(r)
    d = edited
    for k in path[:-1]:
        d = d[k]
    d[path[-1]] = hx(int(d[path[-1]], 16) + R)
    assert verdict(edited) == verdict(r) == "VALID"
    assert cid(edited) != cid(r)


def test_non_canonical_texts_verify_each_under_its_own_id():
    canon = vw.canonical_json(json.dumps(receipt("note-a1")))
    pretty = json.dumps(json.loads(canon), indent=2)
    upper = re.sub(r'"0x([0-9a-f]{64})"', lambda m: '"0x' + m.group(1).upper() + '"', canon)
    ids = {vw.receipt_id(t.encode()) for t in (canon, pretty, upper)}
    assert [verdict(t) for t in (canon, pretty, upper)] == ["VALID"] * 3 and len(ids) == 3
    # canonical_json undoes the layout, not the text inside the strings.
    assert vw.canonical_json(pretty) == canon and vw.canonical_json(upper) != canon


def test_under_the_identity_point_as_key_anyone_signs_and_proves():
    inf = (0, 0)
    assert vi.issuer_schnorr_verify(inf, vi.issuer_schnorr_sign(0, 5, 6, CHAIN, K), 5, 6, CHAIN)
    e, s, rp = vr.registry_schnorr_sign(0, MSG, "reg-1", CHAIN, K)
    assert vr.registry_schnorr_verify(inf, e, s, rp, MSG, "reg-1", CHAIN)
    wire = vr.registry_sign_certificate(0, "reg-1", "{}", 7, 1, 2, CHAIN, K)
    assert wire[128:192] == bytes(64) and vr.registry_verify_certificate(wire, CHAIN)
    # Any ciphertext "decrypts" under the identity key to its second point.
    proof = vi.verifiable_decrypt_prove(CT, 0, CT[1], 1, CHAIN, 5)
    assert vi.verifiable_decrypt_verify(CT, inf, CT[1], proof, 1, CHAIN)


def test_a_receipt_whose_payer_key_is_the_identity_point_verifies_unsigned():
    # The batch "signature" is made with the secret 0: anyone can make it.
    r = receipt("note-a1")
    cms = [int(c, 16) for c in r["proof"]["cms"]]
    e, s, rp = vi.issuer_schnorr_sign(0, vi.batch_commitment(cms), int(r["payer"]["addr"], 16), CHAIN, 0x99)
    r["payer"]["pk"] = pt((0, 0))
    r["proof"]["issuer_sig"] = {"e": hx(e), "s": hx(s), "R": pt(rp)}
    assert verdict(r) == "VALID"


def test_registry_ids_enter_the_registry_signature_as_an_integer_mod_r():
    e, s, rp = vr.registry_schnorr_sign(SK, MSG, "abc", CHAIN, K)
    assert vr.registry_schnorr_verify(PK, e, s, rp, MSG, "\x00abc", CHAIN)
    assert not vr.registry_schnorr_verify(PK, e, s, rp, MSG, "abd", CHAIN)
    # A certificate hashes its registry_id with its length: there the two differ.
    wire = vr.registry_sign_certificate(SK, "abc", "{}", 7, 1, 2, CHAIN, K)
    moved = wire[:192] + (4).to_bytes(4, "big") + b"\x00abc" + wire[192 + 4 + 3:]
    assert vr.registry_verify_certificate(wire, CHAIN) and not vr.registry_verify_certificate(moved, CHAIN)


def test_a_recipient_receipt_does_not_show_that_a_note_was_received():
    # No note was minted: the recipient encrypts its own identity to its own key and
    # names any value; the receipt verifies, and its value is not covered by the proof.
    e_rec = vi.elgamal_encrypt(PAYEE.M, PK_RECV, 0xABC)
    ct = {"R": {"x": hx(e_rec[0][0]), "y": hx(e_rec[0][1])}, "C": {"x": hx(e_rec[1][0]), "y": hx(e_rec[1][1])}}
    minted = {"eNote": ct, "eRec": ct, "idHash": hx(1), "cm": hx(2),
              "opening": {"flavor": "0x1", "v": hx(10**9), "rho": hx(3), "idHash": hx(1), "predicate": "0x0"}}
    rc = call(vw.make_receipt_a1, make_a1_args(minted))
    assert verify_a1(rc)["reason"] == "VALID"
    rc["value"] = hx(5 * 10**9)
    out = verify_a1(rc)
    assert out["reason"] == "VALID" and out["value"] == hx(5 * 10**9)


def test_the_eoa_pub_payee_proof_is_not_bound_to_the_transaction():
    r = receipt("eoa-pub")
    r["txn"].update(value=10**12, txhash="0x" + "11" * 32, block=1)
    out = json.loads(vw.verify_receipt(json.dumps(r)))
    assert out["reason"] == "VALID" and out["value"] == hx(10**12)


def test_the_txn_nullifier_is_not_compared_with_the_proven_one():
    r = receipt("note-a1")
    r["txn"]["nullifier"] = hx(12345)
    assert r["proof"]["nullifier"] != r["txn"]["nullifier"]
    assert verdict(r) == "VALID"

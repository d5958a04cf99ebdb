"""Receipts as Python sees them: build_receipt for the five kinds, the envelope road,
and tier-1 verify_receipt with one tampered receipt per check.

Every note is minted here by hand from the exported primitives (ElGamal, the note
hashes, batch_commitment, the issuer Schnorr signature, the issuer re-encryption
proof), so the verifier is checked against receipts whose pieces it did not make.
"""
import copy
import json

import pytest

import vorn_identity as vi
import vorn_wallet as vw

R = vi.ORDER
G = vi.G1
CHAIN = 31337
REGISTRY = 0x5FBDB2315678AFECB367F032D93F642F64180AA3
MAILBOX_TAG = "VeltriaVorn/Accumulator/Leaf/Mailbox/v2"


def hx(n):
    return "0x%064x" % n


def pt(p):
    return {"x": hx(p[0]), "y": hx(p[1])}


def ctj(c):
    return {"R": pt(c[0]), "C": pt(c[1])}


def mul(p, k):
    return vi.g1_mul(p, k)


def from_pt(j):
    return (int(j["x"], 16), int(j["y"], 16))


def from_ct(j):
    return (from_pt(j["R"]), from_pt(j["C"]))


class Party:
    def __init__(self, name, sk, addr, r):
        self.identity = vw.canonical_identity_data(json.dumps({"name": name, "issuer_id": "reg-1"}))
        self.m = vi.identity_scalar(self.identity)
        self.M = mul(G, self.m)
        self.sk, self.pk, self.addr = sk, mul(G, sk), addr
        self.E = vi.elgamal_encrypt(self.M, self.pk, r)

    def arg(self, sk=True, E=True):
        a = {"addr": hex(self.addr), "identity": self.identity, "M": pt(self.M), "pk": pt(self.pk)}
        if E:
            a["E"] = ctj(self.E)
        if sk:
            a["sk"] = hex(self.sk)
        return a


ISSUER = Party("Issuer Bank", 0x1CE5, 0xA11CE, 77)
PAYEE = Party("Bob", 0xB0B5EC, 0xB0B, 78)
OTHER = Party("Mallory", 0x3A11, 0xBAD, 79)
K_RECV = 0x4EC1
PK_RECV = mul(G, K_RECV)
V, RHO, R_NOTE, R_ID = 1000, 0x5EED, 0x1111, 0x2222
BETA, GAMMA = 0x7777, 0x8888
NONCES = {"t_self": "0x101", "t_vd_payer": "0x102", "t_vd": "0x103", "t_note": "0x104", "t_id": "0x105"}
TXN = {"value": V, "block_time": 1700000000, "txhash": "0xfeed", "block": 120, "logindex": 3,
       "mint_txhash": "0xbeef", "mint_block": 100}


def mailbox_binding(salt=0x5A17):
    tag = vi.tree_tag(MAILBOX_TAG)
    leaf = vi.poseidon([tag, *PAYEE.M, *PK_RECV, salt])
    out = json.loads(vw.prove_receiving_binding(json.dumps({
        "M_rec": pt(PAYEE.M), "pk_recv": pt(PK_RECV), "salt": hex(salt),
        "leaves": [hex(7), hex(leaf), hex(9)], "depth": 4})))
    return {"salt": out["salt"], **out["path"]}


def note_args(kind, role="recipient", v=V, m_iss=None, id_t=None, binding=True, mailbox=False):
    """The arguments of a note receipt of `kind`, minted by hand."""
    flavor = {"note-a1": 1, "note-a2": 2, "note-b1": 3}[kind]
    m_iss = ISSUER.m if m_iss is None else m_iss
    a = {"kind": kind, "role": role, "chainid": CHAIN, "contracts": {"registry": hx(REGISTRY)},
         "payer": ISSUER.arg(E=kind == "note-a2"), "payee": PAYEE.arg(), "txn": dict(TXN, value=v),
         "nonces": NONCES, "notes": ["coffee", 5]}
    e_note = vi.elgamal_encrypt(mul(G, v), PK_RECV, R_NOTE)
    if kind == "note-a1":
        e_rec = vi.elgamal_encrypt(PAYEE.M, PK_RECV, R_ID)
        id_hash = vi.id_hash_a1(e_note, m_iss)
        a.update(eNote=ctj(e_note), eRec=ctj(e_rec))
    elif kind == "note-a2":
        e_iss = vi.elgamal_encrypt(ISSUER.M, PK_RECV, R_ID)
        scal, pts = vi.issuer_reenc_prove(ISSUER.sk, R_ID, PK_RECV, ISSUER.E, e_iss, ISSUER.addr, CHAIN, BETA, GAMMA,
                                          11, 12, 13, 14)
        t = pts[7]
        id_hash = vi.id_hash_a2(e_note, e_iss, t if id_t is None else id_t)
        a.update(eNote=ctj(e_note), eIss=ctj(e_iss), T=pt(t), gamma=hex(GAMMA))
        if binding:
            a["binding"] = dict(zip(["e", "s_r", "s_b", "s_s", "s_g"], map(hx, scal)))
            a["binding"].update(zip(["A1", "A2", "A3", "A4", "A5", "Q", "U", "T"], map(pt, pts)))
    else:
        id_hash = vi.id_hash_b1(m_iss)
        # The depositor's (payee's) identity re-encrypted to the issuer.
        a["eDepForIss"] = ctj(vi.elgamal_encrypt(PAYEE.M, ISSUER.pk, 0x3333))
    cm = vi.note_commitment(flavor, v, RHO, id_hash, 0)
    cms = [0x1234, cm, 0x5678]
    a.update(opening={"flavor": hex(flavor), "v": hex(v), "rho": hex(RHO), "idHash": hex(id_hash), "predicate": "0"},
             cms=[hex(c) for c in cms], nullifier=hx(vi.nullifier(RHO, id_hash)), face=hex(v))
    if kind != "note-b1":
        a.update(pk_recv=pt(PK_RECV), k_recv=hex(K_RECV), r_note=hex(R_NOTE), r_id=hex(R_ID))
    if kind != "note-a2":
        e, s, rp = vi.issuer_schnorr_sign(ISSUER.sk, vi.batch_commitment(cms), ISSUER.addr, CHAIN, 0x5160)
        a["issuer_sig"] = {"e": hx(e), "s": hx(s), "R": pt(rp)}
    if mailbox:
        a["mailbox_binding"] = mailbox_binding()
    return a


def eoa_args(kind):
    payer = Party("Alice", 0xA1, 0xA1A1, 80) if kind == "eoa-priv" else ISSUER
    a = {"kind": kind, "role": "issuer", "chainid": CHAIN, "contracts": {"registry": hx(REGISTRY), "x": [1]},
         "payer": payer.arg(sk=False, E=kind == "eoa-priv"), "payee": PAYEE.arg(), "txn": TXN, "nonces": NONCES}
    if kind == "eoa-priv":
        r_prime = 0x4242
        e_for_payee = vi.elgamal_encrypt(payer.M, PAYEE.pk, r_prime)
        e, s1, s2, t1, t2, t3 = vi.chaum_pedersen_prove(payer.E, e_for_payee, payer.pk, PAYEE.pk, payer.sk, r_prime,
                                                         payer.addr, PAYEE.addr, CHAIN, REGISTRY, 21, 22)
        a.update(E_for_payee=ctj(e_for_payee),
                 cp_proof={"e": hx(e), "s1": hx(s1), "s2": hx(s2), "T1": pt(t1), "T2": pt(t2), "T3": pt(t3)})
    return a, payer


def build(args):
    return vw.build_receipt(json.dumps(args))


def verify(receipt):
    text = receipt if isinstance(receipt, str) else json.dumps(receipt)
    return json.loads(vw.verify_receipt(text))


def ok_result(payer, reason="VALID", value=V):
    return {"identity_M": pt(payer.M), "ok": True, "reason": reason, "value": hx(value)}


# ---- the road ---------------------------------------------------------------


def test_road_of_a_note_a1_receipt():
    # 1. The minter mints the note to the recipient's receiving key.
    minted = json.loads(vw.mint_unilateral_a1(json.dumps({
        "nonces": {"r_prime": hex(R_ID), "r_note": hex(R_NOTE)}, "M_rec": pt(PAYEE.M), "pk_recv": pt(PK_RECV),
        "v": hex(V), "rho": hex(RHO), "m_issuer": hex(ISSUER.m), "predicate": "0x0"})))
    # 2. The issuer signs the batch the note was minted in.
    cms = [0x1234, int(minted["cm"], 16)]
    e, s, rp = vi.issuer_schnorr_sign(ISSUER.sk, vi.batch_commitment(cms), ISSUER.addr, CHAIN, 0x5160)
    # 3. The note travels wrapped; the recipient opens it with its receiving secret.
    delivery = json.loads(vw.deliver_a1(json.dumps({
        "eNote": minted["eNote"], "eRec": minted["eRec"], "v": hex(V), "rho": hex(RHO), "predicate": "0x0",
        "r_note": hex(R_NOTE), "pk_recv": pt(PK_RECV)})))
    opened = json.loads(vw.open_a1(json.dumps({"delivery": delivery, "k": hex(K_RECV), "m_issuer": hex(ISSUER.m)})))
    assert opened["opening"]["cm"] == minted["cm"]
    opening = {k: opened["opening"][k] for k in ("v", "rho", "idHash", "predicate")}
    opening["flavor"] = hx(opened["opening"]["flavor"])
    # 4. The recipient assembles the receipt when the note is spent.
    args = {"kind": "note-a1", "chainid": CHAIN, "contracts": {"registry": hx(REGISTRY)},
            "payer": ISSUER.arg(E=False), "payee": PAYEE.arg(), "txn": TXN, "nonces": NONCES,
            "opening": opening, "cms": [hx(c) for c in cms], "face": opening["v"],
            "nullifier": hx(vi.nullifier(RHO, int(opening["idHash"], 16))),
            "pk_recv": pt(PK_RECV), "k_recv": hex(K_RECV), "mailbox_binding": mailbox_binding(),
            "issuer_sig": {"e": hx(e), "s": hx(s), "R": pt(rp)}, "eNote": opened["eNote"], "eRec": opened["eRec"]}
    text = build(args)
    assert text == vw.canonical_json(text)  # canonical already
    # 5. The canonical bytes travel in the envelope, known by their id.
    envelope = vw.envelope_text(text.encode())
    assert envelope.startswith("VV-RCPT/2.\n") and envelope.endswith("\n.END")
    rid = vw.receipt_id(text.encode())
    assert len(rid) == 12
    # 6. Anyone holding the envelope reads it back and verifies it.
    carried = vw.parse_envelope("Forwarded:\r\n  " + envelope.replace("\n", "\r\n  ") + "\nthanks")
    assert carried == text.encode()
    assert vw.receipt_id(carried) == rid
    assert verify(carried.decode()) == ok_result(ISSUER)


# ---- the five kinds ---------------------------------------------------------


@pytest.mark.parametrize("kind,role,extra,reason", [
    ("note-a1", "recipient", {}, "VALID"),
    ("note-a1", "recipient", {"mailbox": True}, "VALID"),
    ("note-a1", "issuer", {}, "UNVERIFIED RECIPIENT"),
    ("note-a1", "issuer", {"mailbox": True}, "VALID"),
    ("note-a2", "recipient", {}, "VALID"),
    ("note-a2", "recipient", {"binding": False}, "UNVERIFIED ISSUER"),
    ("note-a2", "issuer", {"mailbox": True}, "VALID"),
    ("note-a2", "issuer", {"binding": False}, "UNVERIFIED ISSUER + UNVERIFIED RECIPIENT"),
    ("note-b1", "recipient", {}, "VALID"),
    ("note-b1", "issuer", {}, "VALID"),
])
def test_note_kinds_build_and_verify(kind, role, extra, reason):
    args = note_args(kind, role, **extra)
    text = build(args)
    assert build(args) == text  # no randomness
    r = json.loads(text)
    assert r["type"] == kind and r["role"] == role and r["v"] == 1 and r["chainid"] == CHAIN
    assert r["notes"] == ["coffee"]
    assert "sk" not in text and hex(PAYEE.sk)[2:].rjust(64, "0") not in text
    assert r["txn"]["nullifier"] == args["nullifier"] and r["txn"]["mint_block"] == 100
    if kind == "note-a2":
        assert r["issuer_binding_status"] == ("bound" if extra.get("binding", True) else "unverified")
        assert ("issuer_binding" in r) == extra.get("binding", True)
    # The holder's own naming proof; an issuer-side A1 receipt (public payer) has none.
    self_keys = {("note-a1", "issuer"): set(), ("note-a2", "issuer"): {"payer_vd"},
                 ("note-b1", "issuer"): {"vd_payee"}}.get((kind, role), {"payee_vd"})
    assert self_keys == {"payee_vd", "payer_vd", "vd_payee"} & set(r)
    assert verify(r) == ok_result(ISSUER, reason)


@pytest.mark.parametrize("kind", ["eoa-pub", "eoa-priv"])
def test_eoa_kinds_build_and_verify(kind):
    args, payer = eoa_args(kind)
    r = json.loads(build(args))
    assert r["role"] == "recipient"  # an eoa receipt ignores "role"
    assert r["contracts"] == args["contracts"]
    assert "notes" not in r
    assert r["payer"]["kind"] == ("private" if kind == "eoa-priv" else "public")
    assert ("E_addr" in r["payer"]) == (kind == "eoa-priv")
    assert verify(r) == ok_result(payer)


def test_builder_writes_exact_integers_and_notes():
    args = note_args("note-b1", v=2**128 - 1)
    args["notes"] = []
    text = build(args)
    assert '"value":340282366920938463463374607431768211455' in text
    assert json.loads(text)["notes"] == []
    args["notes"] = "not an array"
    assert "notes" not in json.loads(build(args))


# ---- builder failures -------------------------------------------------------


def drop(d, *path):
    for k in path[:-1]:
        d = d[k]
    del d[path[-1]]


@pytest.mark.parametrize("kind,role,edit,message", [
    ("note-a1", "recipient", lambda a: a.update(kind="note-c9"), "args: unknown receipt kind"),
    ("note-a1", "recipient", lambda a: a.update(kind="note-c9", payer={}), "receipt: missing field"),
    ("note-a1", "auditor", None, "unknown receipt role"),
    ("note-a1", "recipient", lambda a: drop(a, "k_recv"), "addressed recipient receipt needs k_recv"),
    ("note-a1", "issuer", lambda a: drop(a, "r_id"), "addressed issuer receipt needs the mint randomness (r_note, r_id)"),
    ("note-a1", "recipient", lambda a: drop(a, "payee", "sk"), "note-a1 recipient receipt needs payee_sk + payee_E_addr"),
    ("note-a1", "recipient", lambda a: a["nonces"].update(t_vd=5), "args: t_vd must be a hex string"),
    ("note-a1", "recipient", lambda a: a["payee"].update(sk=5), "args: sk must be a hex string"),
    ("note-a2", "recipient", lambda a: drop(a, "gamma"),
     "note-a2 receipt with a binding needs gamma, which ties it to the named issuer"),
    ("note-a2", "recipient", lambda a: drop(a, "payer", "E"), "args: payer.E required"),
    ("note-a2", "recipient", lambda a: drop(a, "payee", "E"), "note-a2 recipient receipt needs payee_sk + payee_E_addr"),
    ("note-a2", "issuer", lambda a: drop(a, "payer", "sk"), "note-a2 issuer receipt needs issuer_sk"),
    ("note-b1", "recipient", lambda a: drop(a, "payee", "E"), "note-b1 recipient receipt needs payee_sk + payee_E_addr"),
    ("note-b1", "issuer", lambda a: drop(a, "eDepForIss"), "note-b1 issuer receipt needs eDepForIss + issuer_sk"),
    ("note-b1", "issuer", lambda a: drop(a, "payer", "sk"), "note-b1 issuer receipt needs eDepForIss + issuer_sk"),
    ("note-b1", "recipient", lambda a: a.update(cms="0x1"), "args: cms must be an array"),
    ("note-b1", "recipient", lambda a: a["opening"].update(flavor="0x1" + "0" * 16), "unknown flavor"),
    ("note-b1", "recipient", lambda a: a["txn"].update(block=2**64), "receipt: integer out of range"),
    ("note-b1", "recipient", lambda a: a.update(chainid=2**64 + CHAIN), "receipt: integer out of range"),
    ("note-b1", "recipient", lambda a: a.update(contracts=1.5), "canonical_json: floats are not canonical"),
    # A recipient leg needs its nonce; a nonce of zero, or one shared by two proofs,
    # would publish a secret key in the receipt.
    ("note-a1", "recipient", lambda a: drop(a, "nonces", "t_note"), "receipt: missing field"),
    ("note-a1", "recipient", lambda a: a["nonces"].update(t_id="0x0"),
     "args: proof nonces must be nonzero and pairwise distinct mod ORDER"),
    ("note-a1", "recipient", lambda a: a["nonces"].update(t_id=hex(0x104 + R)),
     "args: proof nonces must be nonzero and pairwise distinct mod ORDER"),
    ("note-a1", "recipient", lambda a: a.update(eNote={"R": pt((1, 3)), "C": pt(G)}), "G1 point not on curve"),
])
def test_builder_messages(kind, role, edit, message):
    args = copy.deepcopy(note_args(kind, role))
    if edit:
        edit(args)
    with pytest.raises(ValueError, match="^" + message.replace("(", r"\(").replace(")", r"\)").replace("+", r"\+")
                       + "$"):
        build(args)


@pytest.mark.parametrize("kind,edit,message", [
    ("eoa-pub", lambda a: drop(a, "payee", "sk"), "args: payee.sk required"),
    ("eoa-pub", lambda a: drop(a, "payee", "E"), "args: payee.E required"),
    ("eoa-priv", lambda a: drop(a, "payer", "E"), "args: payer.E required"),
    ("eoa-priv", lambda a: drop(a, "cp_proof", "T3"), "receipt: missing field"),
    ("eoa-priv", lambda a: a.update(nonces=dict(NONCES, t_self="0x102")),
     "args: proof nonces must be nonzero and pairwise distinct mod ORDER"),
])
def test_eoa_builder_messages(kind, edit, message):
    args, _ = eoa_args(kind)
    args = copy.deepcopy(args)
    edit(args)
    with pytest.raises(ValueError, match="^" + message.replace("+", r"\+") + "$"):
        build(args)


def test_builder_argument_text_errors():
    with pytest.raises(ValueError, match="^args: invalid JSON: "):
        vw.build_receipt("{")
    with pytest.raises(ValueError, match="^receipt: missing field$"):
        vw.build_receipt("[]")
    with pytest.raises(TypeError):
        vw.build_receipt(b"{}")


# ---- verification: one tampered receipt per check -----------------------------


def vd_record(ct, sk, m_point, account, chainid=CHAIN, t=0x999):
    e, s, t1, t2 = vi.verifiable_decrypt_prove(ct, sk, m_point, account, chainid, t)
    return {"E_ct": ctj(ct), "M_named": pt(m_point), "account": hx(account), "chainid": chainid,
            "proof": {"e": hx(e), "s": hx(s), "T1": pt(t1), "T2": pt(t2)}}


def receipt(kind, role="recipient", **kw):
    if kind.startswith("eoa"):
        return json.loads(build(eoa_args(kind)[0]))
    return json.loads(build(note_args(kind, role, **kw)))


def setk(path, value):
    def edit(r):
        d = r
        for k in path[:-1]:
            d = d[k]
        d[path[-1]] = value(r) if callable(value) else value
    return edit


def bump(path):
    """Adds one to the hex word at `path`."""
    return setk(path, lambda r: hx(int(_get(r, path), 16) + 1))


def _get(r, path):
    for k in path:
        r = r[k]
    return r


FRESH_CT = ctj(vi.elgamal_encrypt(PAYEE.M, PAYEE.pk, 0xF00))


def eoa_priv_foreign_approval(r):
    # A valid approval of the same ciphertexts, but with another sender address.
    a = r["proof"]["approve"]
    e_a, e_b, pk_a, pk_b = from_ct(a["E_a"]), from_ct(a["E_b"]), from_pt(a["pk_a"]), from_pt(a["pk_b"])
    alice_sk = 0xA1
    e, s1, s2, t1, t2, t3 = vi.chaum_pedersen_prove(e_a, e_b, pk_a, pk_b, alice_sk, 0x4242, OTHER.addr, PAYEE.addr,
                                                     CHAIN, REGISTRY, 31, 32)
    a.update(sender=hx(OTHER.addr),
             proof={"e": hx(e), "s1": hx(s1), "s2": hx(s2), "T1": pt(t1), "T2": pt(t2), "T3": pt(t3)})


def eoa_priv_fresh_encryption(r):
    # The payee opens its own fresh encryption of the payer's point, not the approved one.
    payer_m = from_pt(r["payer"]["M"])
    ct = vi.elgamal_encrypt(payer_m, PAYEE.pk, 0xABC)
    r["proof"]["vd_payer"] = vd_record(ct, PAYEE.sk, payer_m, PAYEE.addr)


def eoa_priv_names_other(r):
    ct = vi.elgamal_encrypt(OTHER.M, PAYEE.pk, 0xABC)
    r["proof"]["vd_payer"] = vd_record(ct, PAYEE.sk, OTHER.M, PAYEE.addr)


def b1_names_other(r):
    # A sound proof, over the ciphertext the note carries, naming someone else.
    ct = vi.elgamal_encrypt(OTHER.M, ISSUER.pk, 5)
    r["note"]["eDepForIss"] = ctj(ct)
    r["vd_payee"] = vd_record(ct, ISSUER.sk, OTHER.M, ISSUER.addr)


TAMPER = [
    # (receipt maker, edit, reason)
    (lambda: receipt("eoa-pub"), setk(["role"], "issuer"), "eoa-pub: issuer-side receipts exist for Notes only"),
    (lambda: receipt("eoa-pub"), setk(["role"], "auditor"), "unknown receipt role: auditor"),
    (lambda: receipt("eoa-pub"), setk(["type"], "note-c9"), "unknown receipt type: note-c9"),
    (lambda: receipt("note-a1"), setk(["payer", "identity"], "{}"), "payer M != keccak(identity)\u00b7G"),
    (lambda: receipt("note-a1"), setk(["payee", "M"], pt(OTHER.M)), "payee M != keccak(identity)\u00b7G"),
    (lambda: receipt("eoa-pub"), setk(["payee_vd"], None), "missing payee self-naming proof"),
    (lambda: receipt("eoa-pub"), setk(["payee_vd", "chainid"], CHAIN + 1), "payee self-naming: chainid mismatch"),
    (lambda: receipt("eoa-pub"), bump(["payee_vd", "account"]), "payee self-naming: account mismatch"),
    (lambda: receipt("eoa-pub"), setk(["payee_vd", "M_named"], pt(OTHER.M)), "payee self-naming: named M mismatch"),
    (lambda: receipt("eoa-pub"), setk(["payee", "E_addr"], FRESH_CT),
     "payee self-naming: ciphertext is not the registered E_addr"),
    (lambda: receipt("eoa-pub"), setk(["payee", "E_addr"], None),
     "payee self-naming: ciphertext is not the registered E_addr"),
    (lambda: receipt("eoa-pub"), bump(["payee_vd", "proof", "s"]), "payee self-naming: vd fails"),
    (lambda: receipt("note-a2", "issuer"), setk(["payer_vd"], {}), "missing payer self-naming proof"),
    (lambda: receipt("note-a2", "issuer"), bump(["payer_vd", "proof", "e"]), "payer self-naming: vd fails"),
    # eoa-priv
    (lambda: receipt("eoa-priv"), setk(["proof"], None), "eoa-priv: missing proof"),
    (lambda: receipt("eoa-priv"), setk(["proof", "vd_payer"], None), "eoa-priv: missing approve/vd_payer"),
    (lambda: receipt("eoa-priv"), bump(["proof", "approve", "proof", "s1"]), "eoa-priv: approve handshake fails"),
    (lambda: receipt("eoa-priv"), setk(["contracts", "registry"], hx(REGISTRY + 1)), "eoa-priv: approve handshake fails"),
    (lambda: receipt("eoa-priv"), bump(["proof", "vd_payer", "proof", "s"]), "eoa-priv: vd_payer fails"),
    (lambda: receipt("eoa-priv"), eoa_priv_names_other, "eoa-priv: named M != payer M"),
    (lambda: receipt("eoa-priv"), eoa_priv_foreign_approval, "eoa-priv: the approval does not name the receipt's parties"),
    (lambda: receipt("eoa-priv"), eoa_priv_fresh_encryption, "eoa-priv: vd_payer is not about the approved ciphertext"),
    # note types: payload, opening, batch, identity hash
    (lambda: receipt("note-a1"), setk(["proof"], None), "note-a1: missing proof"),
    (lambda: receipt("note-b1"), setk(["note"], None), "note-b1: missing Identity-M note payload"),
    (lambda: receipt("note-a1"), setk(["proof", "opening", "flavor"], hx(2)), "note-a1: opening flavor mismatch"),
    (lambda: receipt("note-a2"), setk(["proof", "cms"], [hx(1)]), "note-a2: opening cm not in minted batch"),
    (lambda: receipt("note-b1", m_iss=OTHER.m), None, "note-b1: idHash != id_hash_b1(m_iss)"),
    (lambda: receipt("note-a1", m_iss=OTHER.m), None, "note-a1: idHash != id_hash_a1(eNote, m_iss)"),
    (lambda: receipt("note-a2"), setk(["note", "T"], None), "note-a2: missing T"),
    (lambda: receipt("note-a2", id_t=OTHER.M), None, "note-a2: idHash != id_hash_a2(eNote, eIss, T)"),
    # addressed legs
    (lambda: receipt("note-a1"), setk(["note", "pkRecv"], None), "note-a1: missing pkRecv"),
    (lambda: receipt("note-a1", "issuer"), setk(["note", "rId"], None),
     "note-a1: issuer receipt needs the mint randomness (rNote, rId)"),
    (lambda: receipt("note-a2", "issuer"), bump(["note", "rNote"]),
     "note-a2: the disclosed mint randomness does not produce these ciphertexts"),
    (lambda: receipt("note-a1", "issuer"), bump(["note", "rId"]),
     "note-a1: the disclosed mint randomness does not produce these ciphertexts"),
    (lambda: receipt("note-a1"), setk(["note", "vdNote"], None), "note-a1: recipient receipt needs vdNote"),
    (lambda: receipt("note-a2"), setk(["note", "vdIss"], None), "note-a2: recipient receipt needs vdIss"),
    (lambda: receipt("note-a1"), bump(["note", "vdNote", "account"]), "note-a1: vdNote context mismatch"),
    (lambda: receipt("note-a1"), setk(["note", "vdRec", "chainid"], 1), "note-a1: vdRec context mismatch"),
    (lambda: receipt("note-a1"), setk(["note", "vdRec", "E_ct"], FRESH_CT),
     "note-a1: vdRec is about a different ciphertext"),
    (lambda: receipt("note-a2"), setk(["note", "vdIss", "M_named"], pt(OTHER.M)),
     "note-a2: vdIss names the wrong plaintext"),
    (lambda: receipt("note-a1"), bump(["note", "vdNote", "proof", "s"]), "note-a1: vdNote does not verify under pkRecv"),
    # mailbox binding
    (lambda: receipt("note-a1", mailbox=True), bump(["note", "binding", "salt"]),
     "note-a1: mailbox binding: leaf does not commit (M_rec, pkRecv, salt)"),
    (lambda: receipt("note-a2", mailbox=True), bump(["note", "binding", "root"]),
     "note-a2: mailbox binding: path does not fold to the stated root"),
    (lambda: receipt("note-a1", mailbox=True), setk(["note", "binding", "indexBits"], [0, 1, 0, 0]),
     "note-a1: mailbox binding: path does not fold to the stated root"),
    # issuer authority
    (lambda: receipt("note-a1"), setk(["proof", "issuer_sig"], None), "note-a1: missing issuer batch Schnorr"),
    (lambda: receipt("note-b1"), bump(["proof", "issuer_sig", "s"]), "note-b1: issuer batch binding fails"),
    (lambda: receipt("note-a1"), setk(["chainid"], CHAIN + 1), "payee self-naming: chainid mismatch"),
    (lambda: receipt("note-a2"), setk(["payer", "E_addr"], None), "note-a2: issuer E_addr missing"),
    (lambda: receipt("note-a2"), bump(["issuer_binding", "s_g"]), "note-a2: issuer binding fails"),
    (lambda: receipt("note-a2", id_t=OTHER.M), setk(["note", "T"], pt(OTHER.M)), "note-a2: binding T != committed T"),
    (lambda: receipt("note-a2"), setk(["note", "gamma"], None), "note-a2: binding carried without gamma"),
    (lambda: receipt("note-a2"), bump(["note", "gamma"]), "note-a2: the binding's Identity is not the named issuer"),
    # nullifier, face, value
    (lambda: receipt("note-a1"), bump(["proof", "nullifier"]), "note-a1: nullifier mismatch"),
    (lambda: receipt("note-b1"), setk(["txn", "value"], V + 1), "note-b1: txn value != face"),
    (lambda: receipt("note-a2"), lambda r: (r["txn"].update(value=V + 1), r["proof"].update(face=hx(V + 1))),
     "note-a2: face != note value"),
    # issuer-side B1
    (lambda: receipt("note-b1", "issuer"), setk(["vd_payee"], None), "note-b1: issuer receipt needs eDepForIss + vd_payee"),
    (lambda: receipt("note-b1", "issuer"), setk(["note", "eDepForIss"], {}),
     "note-b1: issuer receipt needs eDepForIss + vd_payee"),
    (lambda: receipt("note-b1", "issuer"), bump(["vd_payee", "account"]), "note-b1: vd_payee context mismatch"),
    (lambda: receipt("note-b1", "issuer"), setk(["note", "eDepForIss"], FRESH_CT),
     "note-b1: vd_payee ciphertext != eDepForIss"),
    (lambda: receipt("note-b1", "issuer"), b1_names_other, "note-b1: vd_payee names a different M"),
    # Another point on the curve for T1: the proof's equations fail.
    (lambda: receipt("note-b1", "issuer"), setk(["vd_payee", "proof", "T1"], pt(OTHER.M)), "note-b1: vd_payee fails"),
]



@pytest.mark.parametrize("make,edit,reason", TAMPER, ids=[t[2] for t in TAMPER])
def test_each_check_catches_its_tampering(make, edit, reason):
    r = make()
    if edit:
        edit(r)
    assert verify(r) == {"identity_M": None, "ok": False, "reason": reason, "value": None}


def test_note_a1_recipient_without_role_key_is_a_recipient_receipt():
    r = receipt("note-a1")
    del r["role"]
    assert verify(r)["ok"]


@pytest.mark.parametrize("text,message", [
    ("[]", "receipt core must be a JSON object"),
    ("{", "receipt core is not valid JSON"),
    ('{"type": 5}', "receipt: expected a string"),
    ('{"type": "eoa-pub", "role": 7, "chainid": 1}', "receipt: expected a string"),
    ('{"type": "eoa-pub", "chainid": "1"}', "receipt: expected an integer"),
    ('{"type": "eoa-pub", "chainid": 1}', "receipt: missing field"),
])
def test_unreadable_receipts_raise(text, message):
    with pytest.raises(ValueError, match="^" + message + "$"):
        vw.verify_receipt(text)


@pytest.mark.parametrize("make,edit,message", [
    (lambda: receipt("note-a1"), setk(["txn"], None), "receipt: missing field"),
    (lambda: receipt("note-a1"), setk(["proof", "cms"], {}), "receipt: expected an array"),
    (lambda: receipt("note-a1"), setk(["proof", "opening", "flavor"], "0x1" + "0" * 16), "unknown flavor"),
    (lambda: receipt("note-a1", mailbox=True), setk(["note", "binding", "siblings"], "x"),
     "mailbox binding: siblings must be an array"),
    (lambda: receipt("note-a1", mailbox=True), setk(["note", "binding", "indexBits"], None),
     "mailbox binding: indexBits must be an array"),
    (lambda: receipt("note-a1", mailbox=True), setk(["note", "binding", "siblings"], [5]), "sibling must be hex"),
    # Points are decoded where a verifier uses them: here the payee's key.
    (lambda: receipt("eoa-pub"), setk(["payee", "pk"], {"x": hx(1), "y": hx(3)}), "G1 point not on curve"),
])
def test_structural_errors_raise(make, edit, message):
    r = make()
    edit(r)
    with pytest.raises(ValueError, match="^" + message + "$"):
        vw.verify_receipt(json.dumps(r))


def test_issuer_rnote_must_be_hex():
    r = receipt("note-a1", "issuer")
    r["note"]["rNote"] = 5
    with pytest.raises(ValueError, match="^rNote must be hex$"):
        vw.verify_receipt(json.dumps(r))
    r["note"]["rNote"] = hx(R_NOTE)
    r["note"]["rId"] = [1]
    with pytest.raises(ValueError, match="^rId must be hex$"):
        vw.verify_receipt(json.dumps(r))


def test_recipient_b1_receipt_with_an_empty_payload_verifies():
    # Without eDepForIss a recipient-side B1 receipt discloses nothing in "note": the
    # empty payload is still a payload.
    args = note_args("note-b1")
    del args["eDepForIss"]
    r = json.loads(build(args))
    assert r["note"] == {}
    assert verify(r) == ok_result(ISSUER)

"""Golden receipts: every kind, in each role it has, built from fixed arguments.

The expected text of each receipt is assembled here key by key from the receipt
layout (core, parties, transaction, proof records, note payload), its
verifiable-decryption proofs made by the prover written here (the affine arithmetic
of test_crypto and the transcript's challenge), and written in canonical form with
Python's json (sorted keys, no whitespace). The builder's text must equal it byte for
byte, so a renamed, missing or extra key, or a changed encoding, fails here.

The receipt ids and the digests of the flow results pinned below are the kernel's
own output, recorded when these tests were written: they guard the exact bytes
against any later change. The ids are also recomputed with hashlib and base64.
"""
import base64
import hashlib
import json

import pytest

import vorn_identity as vi
import vorn_wallet as vw

from test_crypto import VD_TAG, add, challenge, g, mul, pts
from test_wallet_receipts import ctj, hx, pt

R = vi.ORDER
CHAIN = 84532
REGISTRY = 0x9A3F00D1C0FFEE5EED0000000000000000000042
CONTRACTS = {"registry": hx(REGISTRY), "credit": "0xc4ed17"}
NONCES = {"t_self": "0x201", "t_vd_payer": "0x202", "t_vd": "0x203", "t_note": "0x204", "t_id": "0x205"}
T_SELF, T_VD_PAYER, T_VD, T_NOTE, T_ID = (int(NONCES[k], 16) for k in
                                          ("t_self", "t_vd_payer", "t_vd", "t_note", "t_id"))
TXN = {"value": 2500, "block_time": 1712345678, "txhash": "0x7a11", "block": 4242, "logindex": 17,
       "mint_txhash": "0x3a11", "mint_block": 4000}
V, RHO, R_NOTE, R_ID, K_RECV = TXN["value"], 0x90E5, 0x7101, 0x7102, 0x6EC7
PK_RECV = g(K_RECV)
BETA, GAMMA = 0x8B, 0x9C
NOTES = ["golden", 7, "receipt"]


def enc(m_point, pk, r):
    return (g(r), add(m_point, mul(pk, r)))


class Party:
    def __init__(self, name, sk, addr, r):
        self.identity = vw.canonical_identity_data(json.dumps({"name": name, "issuer_id": "reg-9"}))
        self.m = vi.identity_scalar(self.identity)
        self.M = g(self.m)
        self.sk, self.pk, self.addr = sk, g(sk), addr
        self.E = enc(self.M, self.pk, r)

    def arg(self, sk=True, E=True):
        a = {"addr": hx(self.addr), "identity": self.identity, "M": pt(self.M), "pk": pt(self.pk)}
        if E:
            a["E"] = ctj(self.E)
        if sk:
            a["sk"] = hx(self.sk)
        return a

    def record(self, kind, E=True):
        out = {"kind": kind, "addr": hx(self.addr), "identity": self.identity, "M": pt(self.M), "pk": pt(self.pk)}
        if E:
            out["E_addr"] = ctj(self.E)
        return out


ISSUER = Party("Golden Issuer", 0x15E7, 0x1551E7, 0x61)
PAYEE = Party("Golden Payee", 0xBEE5, 0xBEE, 0x62)
ALICE = Party("Golden Alice", 0xA11, 0xA11CE, 0x63)


def vd(ct, sk, m_point, account, t):
    """A verifiable-decryption record, its proof made here."""
    pk, t1, t2 = g(sk), g(t), mul(ct[0], t)
    e = challenge(VD_TAG, pts(ct[0], ct[1], pk, m_point, t1, t2) + [account, CHAIN])
    return {"E_ct": ctj(ct), "M_named": pt(m_point), "account": hx(account), "chainid": CHAIN,
            "proof": {"e": hx(e), "s": hx((t + e * sk) % R), "T1": pt(t1), "T2": pt(t2)}}


def common(kind, role, payer, payer_kind, payer_e):
    args = {"kind": kind, "role": role, "chainid": CHAIN, "contracts": CONTRACTS,
            "payer": payer.arg(E=payer_e), "payee": PAYEE.arg(), "txn": TXN, "nonces": NONCES}
    eoa = kind.startswith("eoa")
    txn = {"kind": "eoa-transfer" if eoa else "note-spend", "value": V, "timestamp": TXN["block_time"],
           "event": {"eoa-pub": "Transfer", "eoa-priv": "Transfer", "note-a1": "SpentCoupledA1",
                     "note-a2": "SpentCoupledA2", "note-b1": "SpentCoupledB1"}[kind],
           "txhash": TXN["txhash"], "block": TXN["block"], "logindex": TXN["logindex"]}
    want = {"v": 1, "type": kind, "chainid": CHAIN, "contracts": CONTRACTS,
            "payer": payer.record(payer_kind, E=payer_e), "payee": PAYEE.record("private"), "txn": txn,
            "role": "recipient" if eoa else role}
    if not eoa:
        args["notes"] = NOTES
        want["notes"] = [n for n in NOTES if isinstance(n, str)]
    return args, want


def payee_vd(t):
    return vd(PAYEE.E, PAYEE.sk, PAYEE.M, PAYEE.addr, t)


def eoa(kind):
    priv = kind == "eoa-priv"
    payer = ALICE if priv else ISSUER
    # An eoa receipt always speaks for the recipient, whatever "role" says.
    args, want = common(kind, "issuer", payer, "private" if priv else "public", priv)
    want["payee_vd"] = payee_vd(T_SELF)
    if priv:
        r_prime = 0x4E4E
        e_b = enc(ALICE.M, PAYEE.pk, r_prime)
        e, s1, s2, t1, t2, t3 = vi.chaum_pedersen_prove(ALICE.E, e_b, ALICE.pk, PAYEE.pk, ALICE.sk, r_prime,
                                                         ALICE.addr, PAYEE.addr, CHAIN, REGISTRY, 0x31, 0x32)
        cp = {"e": hx(e), "s1": hx(s1), "s2": hx(s2), "T1": pt(t1), "T2": pt(t2), "T3": pt(t3)}
        args.update(E_for_payee=ctj(e_b), cp_proof=cp)
        want["proof"] = {
            "approve": {"E_a": ctj(ALICE.E), "E_b": ctj(e_b), "pk_a": pt(ALICE.pk), "pk_b": pt(PAYEE.pk),
                        "sender": hx(ALICE.addr), "spender": hx(PAYEE.addr), "chainid": CHAIN, "proof": cp},
            "vd_payer": vd(e_b, PAYEE.sk, ALICE.M, PAYEE.addr, T_VD_PAYER)}
    return args, want


def mailbox_binding(salt=0x5A1):
    tag = vi.tree_tag("VeltriaVorn/Accumulator/Leaf/Mailbox/v2")
    leaf = vi.poseidon([tag, *PAYEE.M, *PK_RECV, salt])
    out = json.loads(vw.prove_receiving_binding(json.dumps({
        "M_rec": pt(PAYEE.M), "pk_recv": pt(PK_RECV), "salt": hex(salt), "leaves": [hex(3), hex(leaf)], "depth": 3})))
    return {"salt": out["salt"], **out["path"]}


def note(kind, role):
    flavor = {"note-a1": 1, "note-a2": 2, "note-b1": 3}[kind]
    a2 = kind == "note-a2"
    args, want = common(kind, role, ISSUER, "private" if a2 else "public", a2)
    recipient = role == "recipient"
    e_note = enc(g(V), PK_RECV, R_NOTE)
    payload = {}
    if kind == "note-a1":
        e_rec = enc(PAYEE.M, PK_RECV, R_ID)
        id_hash = vi.id_hash_a1(e_note, ISSUER.m)
        args.update(eNote=ctj(e_note), eRec=ctj(e_rec))
        payload.update(eNote=ctj(e_note), eRec=ctj(e_rec))
        second, second_name, second_plain = e_rec, "vdRec", PAYEE.M
    elif a2:
        e_iss = enc(ISSUER.M, PK_RECV, R_ID)
        scalars, points = vi.issuer_reenc_prove(ISSUER.sk, R_ID, PK_RECV, ISSUER.E, e_iss, ISSUER.addr, CHAIN, BETA,
                                                GAMMA, 0x41, 0x42, 0x43, 0x44)
        t = points[7]
        id_hash = vi.id_hash_a2(e_note, e_iss, t)
        args.update(eNote=ctj(e_note), eIss=ctj(e_iss), T=pt(t))
        payload.update(eNote=ctj(e_note), eIss=ctj(e_iss), T=pt(t))
        second, second_name, second_plain = e_iss, "vdIss", ISSUER.M
        if recipient:  # the recipient holds the issuer's binding; the issuer-side receipt goes without
            binding = dict(zip(["e", "s_r", "s_b", "s_s", "s_g"], map(hx, scalars)))
            binding.update(zip(["A1", "A2", "A3", "A4", "A5", "Q", "U", "T"], map(pt, points)))
            args.update(binding=binding, gamma=hx(GAMMA))
            payload["gamma"] = hx(GAMMA)
            want.update(issuer_binding=binding, issuer_binding_status="bound")
        else:
            want["issuer_binding_status"] = "unverified"
    else:
        id_hash = vi.id_hash_b1(ISSUER.m)
        e_dep = enc(PAYEE.M, ISSUER.pk, 0x3E3E)
        args["eDepForIss"] = ctj(e_dep)
        payload["eDepForIss"] = ctj(e_dep)
    cm = vi.note_commitment(flavor, V, RHO, id_hash, 0)
    cms = [0xC0, cm, 0xC2]
    nf = vi.nullifier(RHO, id_hash)
    opening = {"flavor": hx(flavor), "v": hx(V), "rho": hx(RHO), "idHash": hx(id_hash), "predicate": hx(0)}
    args.update(opening=opening, cms=[hex(c) for c in cms], nullifier=hx(nf), face=hex(V))
    want["txn"].update(mint_txhash=TXN["mint_txhash"], mint_block=TXN["mint_block"], nullifier=hx(nf))
    want["proof"] = {"opening": opening, "cms": [hx(c) for c in cms], "nullifier": hx(nf), "face": hx(V)}
    if not a2:
        e, s, r_pt = vi.issuer_schnorr_sign(ISSUER.sk, vi.batch_commitment(cms), ISSUER.addr, CHAIN, 0x5160)
        args["issuer_sig"] = {"e": hx(e), "s": hx(s), "R": pt(r_pt)}
        want["proof"]["issuer_sig"] = args["issuer_sig"]
    if kind != "note-b1":
        args["pk_recv"] = pt(PK_RECV)
        payload["pkRecv"] = pt(PK_RECV)
        if recipient:
            args["k_recv"] = hx(K_RECV)
            payload["vdNote"] = vd(e_note, K_RECV, g(V), PAYEE.addr, T_NOTE)
            payload[second_name] = vd(second, K_RECV, second_plain, PAYEE.addr, T_ID)
        else:
            args.update(r_note=hx(R_NOTE), r_id=hx(R_ID))
            payload.update(rNote=hx(R_NOTE), rId=hx(R_ID))
    if kind == "note-a1" and recipient:
        mailbox = mailbox_binding()
        args["mailbox_binding"] = mailbox
        payload["binding"] = mailbox
    want["note"] = payload
    if recipient:
        want["payee_vd"] = payee_vd(T_VD)
    elif a2:
        want["payer_vd"] = vd(ISSUER.E, ISSUER.sk, ISSUER.M, ISSUER.addr, T_VD)
    elif kind == "note-b1":
        want["vd_payee"] = vd(e_dep, ISSUER.sk, PAYEE.M, ISSUER.addr, T_VD)
    return args, want


# (kind, role, receipt id, verification reason): the ids are the kernel's output when
# this table was made.
GOLDEN = [
    ("eoa-pub", "recipient", "m2jzalz24nym", "VALID"),
    ("eoa-priv", "recipient", "fijlgza2ekwd", "VALID"),
    ("note-a1", "recipient", "zwlwibnslj5u", "VALID"),
    ("note-a1", "issuer", "gbnblsnl5inm", "UNVERIFIED RECIPIENT"),
    ("note-a2", "recipient", "dsqngtyahz23", "VALID"),
    ("note-a2", "issuer", "hic42ms2mu34", "UNVERIFIED ISSUER + UNVERIFIED RECIPIENT"),
    ("note-b1", "recipient", "e243vil6snhc", "VALID"),
    ("note-b1", "issuer", "jap7kpr2owv7", "VALID"),
]


def canonical(value):
    return json.dumps(value, sort_keys=True, separators=(",", ":"), ensure_ascii=False)


def b32_id(data, n=12):
    return base64.b32encode(hashlib.sha256(data).digest()).decode().rstrip("=").lower()[:n]


@pytest.mark.parametrize("kind,role,rid,reason", GOLDEN, ids=[f"{k}-{r}" for k, r, _, _ in GOLDEN])
def test_golden_receipt(kind, role, rid, reason):
    args, want = eoa(kind) if kind.startswith("eoa") else note(kind, role)
    text = vw.build_receipt(json.dumps(args))
    assert text == canonical(want)
    data = text.encode()
    assert vw.receipt_id(data, 52) == b32_id(data, 52)
    assert vw.receipt_id(data) == rid
    payer = ALICE if kind == "eoa-priv" else ISSUER
    assert json.loads(vw.verify_receipt(text)) == {"identity_M": pt(payer.M), "ok": True, "reason": reason,
                                                  "value": hx(V)}


# ---- the flows: digests of the exact result texts (kernel output, as recorded) ------

TREE = {"depth": 3, "leaves": [hx(vi.identity_leaf(ISSUER.M)), hx(0xF00D), hx(vi.identity_leaf(PAYEE.M))]}
MINT_A1 = {"nonces": {"r_prime": hx(R_ID), "r_note": hx(R_NOTE)}, "M_rec": pt(PAYEE.M), "pk_recv": pt(PK_RECV),
           "v": hx(V), "rho": hx(RHO), "m_issuer": hx(ISSUER.m), "predicate": hx(0x9)}
MINT_A2 = {"nonces": {"r_prime": hx(R_ID), "r_note": hx(R_NOTE), "beta": hx(BETA), "gamma": hx(GAMMA),
                      "k_r": "0x51", "k_b": "0x52", "k_s": "0x53", "k_g": "0x54"},
           "sk_iss": hx(ISSUER.sk), "E_reg": ctj(ISSUER.E), "pk_recv": pt(PK_RECV), "v": hx(V), "rho": hx(RHO),
           "issuer": hx(ISSUER.addr), "chainid": hx(CHAIN), "predicate": hx(0x9)}


def receipt_args(minted, **extra):
    return {"minted": minted, "tree": TREE, "k_recv": hx(K_RECV), "M_rec": pt(PAYEE.M), "issuer": hx(ISSUER.addr),
            "chainid": hx(CHAIN), "t_vd": hx(T_VD), **extra}


def flows():
    a1 = vw.mint_unilateral_a1(json.dumps(MINT_A1))
    a2 = vw.mint_unilateral_a2(json.dumps(MINT_A2))
    return {
        "mint_unilateral_a1": a1,
        "mint_unilateral_a2": a2,
        "make_receipt_a1": vw.make_receipt_a1(json.dumps(receipt_args(json.loads(a1), M_iss=pt(ISSUER.M)))),
        "make_receipt_a2": vw.make_receipt_a2(json.dumps(receipt_args(json.loads(a2)))),
    }


FLOW_DIGESTS = {
    "mint_unilateral_a1": "811db936dcc592867a4dea8a",
    "mint_unilateral_a2": "d09b7e24dda9b8a43b63f4b0",
    "make_receipt_a1": "944c2be35d34f33654694d38",
    "make_receipt_a2": "f518f4e10b7f7c1a9e841e6f",
}


def test_golden_flows():
    got = {name: hashlib.sha256(text.encode()).hexdigest()[:24] for name, text in flows().items()}
    assert got == FLOW_DIGESTS

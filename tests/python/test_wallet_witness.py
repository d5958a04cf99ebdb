"""Deposit-fold witnesses as Python sees them.

Each witness is compared whole with one rebuilt here: scalar arithmetic with Python
integers, limbs by shifting, hashes with `poseidon` over tag scalars from the
independent Keccak-256 of test_notes, and paths from a zero-padded reference tree.
Several inputs are given as r plus a small value, so every field that must be
reduced (and every one that must not) shows it.
"""
import inspect
import json

import pytest

import vorn_identity as vi
import vorn_wallet as vw

from conftest import R
from test_notes import tag, P
from test_wallet_delivery import add, ct, enc, hx, mul, pt, reference_root_and_path

G = vi.G1
H = vi.H_PEDERSEN
MISSING = "receipt: missing field"
ROOT_ERR = "the witness root is not the posted identity root"


def limbs(x):
    return [str((x >> (64 * i)) & (2**64 - 1)) for i in range(4)]


def quad(c):
    return [str(c[0][0] % R), str(c[0][1] % R), str(c[1][0] % R), str(c[1][1] % R)]


def receiving_leaf(m_rec, k, salt):
    return P(tag("VeltriaVorn/Accumulator/Leaf/Receiving/v2"), m_rec, k, salt)


def salted_leaf(m, salt):
    return P(tag("VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2"), m[0], m[1], salt)


def nullifier(rho, id_hash):
    return P(tag("VeltriaVorn/Notes/Nullifier/v2"), rho, id_hash)


def id_hash_a1(e, m):
    return P(tag("VeltriaVorn/Notes/IdHash/v2"), e[0][0], e[0][1], e[1][0], e[1][1], m)


def id_hash_a2(e, i, t):
    return P(tag("VeltriaVorn/Notes/IdHash/v2"), *e[0], *e[1], *i[0], *i[1], *t)


def path_json(siblings, bits):
    return {"siblings": [hx(s) for s in siblings], "indexBits": bits}


def witness(fn, args):
    return json.loads(fn(json.dumps(args)))


def raises(msg, fn, args):
    with pytest.raises(ValueError) as e:
        fn(json.dumps(args))
    assert e.value.args == (msg,)


@pytest.mark.parametrize("fn", [vw.deposit_fold_a1_witness, vw.deposit_fold_a2_witness])
def test_signature(fn):
    assert str(inspect.signature(fn)) == "(args_json)"
    raises(MISSING, fn, {})


# ---- the deposit account shared by both flavors ----------------------------------

class Account:
    def __init__(self, k, sk_dep=4003 + R, salt=4005):
        self.k = k
        self.m_rec, self.salt, self.rho = 4001, salt, 4006
        # Given above r: the arithmetic and the limbs use them reduced.
        self.t, self.sk_dep, self.r_e = 4002 + R, sk_dep, 4004 + R
        self.pk_dep = mul(G, self.sk_dep)
        self.cd = (self.m_rec + self.sk_dep * self.r_e) % R
        self.e_dep = (mul(G, self.r_e), mul(G, self.cd))

    def args(self, siblings, bits, root, id_hash, e_enc):
        return {"path": path_json(siblings, bits), "m_rec": hx(self.m_rec), "k": hx(self.k),
                "sk_dep": hx(self.sk_dep), "salt": hx(self.salt), "t": hx(self.t), "r_E": hx(self.r_e),
                "rho": hx(self.rho), "idHash": hx(id_hash), "identityRoot": hx(root), "E_dep": ct(self.e_dep),
                "pk_dep": pt(self.pk_dep), "eEnc": ct(e_enc)}

    def fields(self, e_enc):
        return {"eEncRx": limbs(e_enc[0][0]), "eEncRy": limbs(e_enc[0][1]), "eEncCx": limbs(e_enc[1][0]),
                "eEncCy": limbs(e_enc[1][1]), "pkDepX": limbs(self.pk_dep[0]), "pkDepY": limbs(self.pk_dep[1]),
                "eDepRx": limbs(self.e_dep[0][0]), "eDepRy": limbs(self.e_dep[0][1]),
                "eDepCx": limbs(self.e_dep[1][0]), "eDepCy": limbs(self.e_dep[1][1])}


# ---- flavor A1 ------------------------------------------------------------------

K = 3001
PK = mul(G, K)
V, M_ISS, RN = 1234 + R, 3003, 3004 + R  # v is written unreduced; r_note reduced
ACC = Account(K)
E_NOTE = enc(mul(G, V), PK, RN)
E_ENC = enc(mul(G, ACC.m_rec), PK, ACC.t)
IDH = id_hash_a1(E_NOTE, M_ISS)
LEAVES = [77, receiving_leaf(ACC.m_rec, K, ACC.salt), 78]
ROOT, SIB, BITS = reference_root_and_path(LEAVES, 4, 1)


def a1_args(**over):
    args = {"eNote": ct(E_NOTE), "v": hx(V), "m_issuer": hx(M_ISS), "r_note": hx(RN)}
    args.update(ACC.args(SIB, BITS, ROOT, IDH, E_ENC))
    args.update(over)
    return args


def test_a1_witness():
    expected = {
        "nullifier": str(nullifier(ACC.rho, IDH)), "v": str(V), "identityRoot": str(ROOT),
        **ACC.fields(E_ENC),
        "rho": str(ACC.rho), "idHash": str(IDH), "eNote": quad(E_NOTE), "mIss": str(M_ISS),
        "rn": limbs(RN % R), "m_rec": limbs(ACC.m_rec), "k_recv": limbs(K), "u": limbs((V + RN * K) % R),
        "t": limbs(ACC.t % R), "w": limbs((ACC.m_rec + ACC.t * K) % R), "sk_dep": limbs(ACC.sk_dep % R),
        "r_E": limbs(ACC.r_e % R), "cd": limbs(ACC.cd), "salt": str(ACC.salt),
        "pathElements": [str(s) for s in SIB], "pathIndices": [str(b) for b in BITS],
    }
    assert BITS == [1, 0, 0, 0]
    assert witness(vw.deposit_fold_a1_witness, a1_args()) == expected


def test_limbs_of_two_to_the_64():
    assert limbs(2**64) == ["0", "1", "0", "0"]
    acc = Account(K, sk_dep=2**64, salt=2**64)
    e_enc = enc(mul(G, acc.m_rec), PK, acc.t)
    root, sib, bits = reference_root_and_path([receiving_leaf(acc.m_rec, K, acc.salt)], 1, 0)
    args = {"eNote": ct(E_NOTE), "v": hx(V), "m_issuer": hx(M_ISS), "r_note": hx(RN),
            **acc.args(sib, bits, root, IDH, e_enc)}
    out = witness(vw.deposit_fold_a1_witness, args)
    assert out["sk_dep"] == ["0", "1", "0", "0"]
    assert out["salt"] == str(2**64) and out["pathIndices"] == ["0"] and out["pathElements"] == ["0"]


def _off(c):
    return ((c[0], add(c[1], G)))


@pytest.mark.parametrize("over,msg", [
    ({"idHash": hx(IDH + 1), "pk_dep": pt(G)}, "idHash != id_hash_a1(eNote, m_issuer)"),
    ({"r_note": hx(RN + 1)}, "eNote.R != rn*G"),
    ({"v": hx(V + 1)}, "eNote.C != u*G (u = v + rn*k)"),
    ({"k": hx(K + 1)}, "eNote.C != u*G (u = v + rn*k)"),
    ({"t": hx(ACC.t + 1)}, "eEnc.R != t*G"),
    ({"eEnc": ct(_off(E_ENC))}, "eEnc.C != w*G (w = m_rec + t*k)"),
    ({"sk_dep": hx(ACC.sk_dep + 1)}, "pk_dep != sk_dep*G"),
    ({"E_dep": ct((G, ACC.e_dep[1]))}, "E_dep.R != r_E*G"),
    ({"E_dep": ct(_off(ACC.e_dep))}, "E_dep.C != cd*G (cd = m_rec + sk*r_E)"),
    ({"salt": hx(ACC.salt + 1)}, ROOT_ERR),
    ({"identityRoot": hx(ROOT + 1)}, ROOT_ERR),
    ({"rho": hx(R)}, "rho must be a non-zero scalar mod ORDER"),
    ({"path": path_json(SIB, BITS[:-1])}, "args: path.siblings and path.indexBits differ in length"),
    ({"path": {"siblings": [hx(s) for s in SIB], "indexBits": ["0"] * 4}}, "args: index bit must be 0 or 1"),
])
def test_a1_relations_in_order(over, msg):
    raises(msg, vw.deposit_fold_a1_witness, a1_args(**over))


def test_a1_missing_path():
    args = a1_args()
    del args["path"]
    raises(MISSING, vw.deposit_fold_a1_witness, args)


# ---- flavor A2 ------------------------------------------------------------------

K2 = 5001
PK2 = mul(G, K2)
RP, GAMMA, SALT_ISS = 5002 + R, 5003 + R, 5004
ACC2 = Account(K2)
E_NOTE2 = enc(mul(G, 600), PK2, 5006)


class A2:
    def __init__(self, m_i=mul(G, 5005), rp=RP, gamma=GAMMA):
        self.m_i, self.rp, self.gamma = m_i, rp, gamma
        self.e_iss = enc(m_i, PK2, rp)
        self.e_enc = enc(m_i, PK2, ACC2.t)
        self.rm, self.tk = rp * K2 % R, ACC2.t * K2 % R
        self.t = add(mul(G, self.rm), mul(H, gamma))
        self.idh = id_hash_a2(E_NOTE2, self.e_iss, self.t)
        leaves = [11, receiving_leaf(ACC2.m_rec, K2, ACC2.salt), salted_leaf(m_i, SALT_ISS)]
        self.root, self.sib, self.bits = reference_root_and_path(leaves, 3, 1)
        _, self.iss_sib, self.iss_bits = reference_root_and_path(leaves, 3, 2)

    def args(self, **over):
        args = {"eNote": ct(E_NOTE2), "eIss": ct(self.e_iss), "r_prime": hx(self.rp), "salt_iss": hx(SALT_ISS),
                "issPath": path_json(self.iss_sib, self.iss_bits), "T": pt(self.t), "gamma": hx(self.gamma)}
        args.update(ACC2.args(self.sib, self.bits, self.root, self.idh, self.e_enc))
        args.update(over)
        return args


def test_a2_witness():
    a = A2()
    expected = {
        "nullifier": str(nullifier(ACC2.rho, a.idh)), "identityRoot": str(a.root), **ACC2.fields(a.e_enc),
        "rho": str(ACC2.rho), "idHash": str(a.idh), "eNote": quad(E_NOTE2), "eIss0": quad(a.e_iss),
        "T": [str(a.t[0] % R), str(a.t[1] % R)], "r": limbs(RP % R), "k_recv": limbs(K2), "rm": limbs(a.rm),
        "t": limbs(ACC2.t % R), "tk": limbs(a.tk), "m_rec": limbs(ACC2.m_rec), "sk_dep": limbs(ACC2.sk_dep % R),
        "r_E": limbs(ACC2.r_e % R), "cd": limbs(ACC2.cd), "gamma": limbs(GAMMA % R),
        "MI": [limbs(a.m_i[0]), limbs(a.m_i[1])], "salt": str(ACC2.salt), "saltIss": str(SALT_ISS),
        "pathElements": [str(s) for s in a.sib], "pathIndices": [str(b) for b in a.bits],
        "issPathElements": [str(s) for s in a.iss_sib], "issPathIndices": [str(b) for b in a.iss_bits],
    }
    assert witness(vw.deposit_fold_a2_witness, a.args()) == expected


A2_BASE = A2()
X_ERR = "{}: the addends share an x-coordinate mod F_R, so the incomplete addition would land on a doubling or the identity"


@pytest.mark.parametrize("args,msg", [
    (A2_BASE.args(r_prime=hx(RP + 1)), "eIss.R != r'*G"),
    (A2_BASE.args(t=hx(ACC2.t + 1)), "eEnc.R != t*G"),
    (A2_BASE.args(k=hx(K2 + 1)), "eEnc.C != M_I + tk*G"),
    (A2_BASE.args(eEnc=ct(_off(A2_BASE.e_enc))), "eEnc.C != M_I + tk*G"),
    (A2_BASE.args(gamma=hx(GAMMA + 1)), "T != rm*G + gamma*H (keyed to another mailbox)"),
    (A2(m_i=mul(G, A2_BASE.rm)).args(), X_ERR.format("eIss.C")),
    (A2(m_i=vi.g1_neg(mul(G, A2_BASE.tk))).args(), X_ERR.format("eEnc.C")),
    (A2(rp=0, gamma=R).args(), X_ERR.format("T")),
    (A2_BASE.args(E_dep=ct(_off(ACC2.e_dep))), "E_dep.C != cd*G"),
    (A2_BASE.args(salt=hx(ACC2.salt + 1)), ROOT_ERR),
    (A2_BASE.args(salt_iss=hx(SALT_ISS + 1)), "the shipped issuer salt does not open a leaf under the posted root"),
    (A2_BASE.args(idHash=hx(A2_BASE.idh + 1)), "idHash != id_hash_a2(eNote, eIss, T)"),
    (A2_BASE.args(eNote=ct(_off(E_NOTE2))), "idHash != id_hash_a2(eNote, eIss, T)"),
    (A2_BASE.args(eIss=ct((A2_BASE.e_iss[0], (1, 3)))), "G1 point not on curve"),
])
def test_a2_relations_in_order(args, msg):
    raises(msg, vw.deposit_fold_a2_witness, args)

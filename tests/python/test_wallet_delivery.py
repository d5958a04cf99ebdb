"""Receiving keys, wrap masks, note deliveries and receiving bindings as Python sees them.

Expected values are rebuilt here: keys and masks from the byte layouts written out
and hashed with the independent Keccak-256 of test_notes, scalar arithmetic with
Python integers, points with the curve primitives (checked elsewhere against the
EVM precompile vectors), and Merkle roots with a plain zero-padded tree over the
exported `poseidon`.
"""
import inspect
import json

import pytest

import vorn_identity as vi
import vorn_wallet as vw

from conftest import R, Q
from test_notes import keccak256, tag, P

G = vi.G1
MISSING = "receipt: missing field"
SHARED_ID = ("delivery: the shared point is the identity (r_note is 0 mod ORDER or pk_recv is the identity), "
             "so the wrap would be public")
NOT_A1 = "not an A1 delivery"
NOT_A2 = "not an A2 delivery"
NO_WRAP = "the delivery is missing a wrapped field"
RNOTE = "the unwrapped r_note is not eNote's randomness"
FACE = "k does not open eNote to the stated face: addressed to another mailbox, or corrupted"
RPRIME = "the unwrapped r' is not eIss's randomness"
T_ERR = "T does not open to this mailbox under the unwrapped gamma"
NO_LEAF = "no registered leaf commits this (Identity, receiving key) pair"
AGG = "the subtree's root is not at its aggregator slot"


def hx(x):
    return "0x%064x" % x


def pt(p):
    return {"x": hx(p[0]), "y": hx(p[1])}


def ct(c):
    return {"R": pt(c[0]), "C": pt(c[1])}


def dpt(p):
    return {"x": str(p[0]), "y": str(p[1])}


def dct(c):
    return {"R": dpt(c[0]), "C": dpt(c[1])}


def unpt(o):
    return (int(o["x"], 16), int(o["y"], 16))


def mul(p, k):
    return vi.g1_mul(p, k)


def add(a, b):
    return vi.g1_add(a, b)


def enc(m, pk, r):
    return (mul(G, r), add(m, mul(pk, r)))


def be(x):
    return x.to_bytes(32, "big")


def mask(label, s):
    return keccak256(b"VeltriaVorn/Notes/PayloadWrap/v2/" + label.encode() + b"/" + be(s[0]) + be(s[1])) % R


def expected_k(seed, counter):
    return keccak256(b"VeltriaVorn/Notes/ReceivingKey/v2" + be(seed % R) + be(counter)) % R


def call(fn, **args):
    return json.loads(fn(json.dumps(args)))


def raises(msg, fn, args):
    with pytest.raises(ValueError) as e:
        fn(json.dumps(args))
    assert e.value.args == (msg,)


@pytest.mark.parametrize("name", ["receiving_key", "wrap_mask", "deliver_a1", "deliver_a2", "open_a1", "open_a2",
                                  "prove_receiving_binding", "verify_receiving_binding"])
def test_signature_and_argument_type(name):
    fn = getattr(vw, name)
    assert str(inspect.signature(fn)) == "(args_json)"
    with pytest.raises(TypeError, match="^argument 'args_json': "):
        fn(b"{}")
    with pytest.raises(ValueError, match="^args: invalid JSON: "):
        fn("{")


# ---- receiving keys and masks ---------------------------------------------------

@pytest.mark.parametrize("rotation,counter", [(0, 0), (1, 1), (2**64, 0), (2**64 + 3, 3), (2**128 - 1, 2**64 - 1)])
def test_receiving_key(rotation, counter):
    seed = 0xC0FFEE
    out = call(vw.receiving_key, rotation=rotation, seed=hx(seed))
    k = expected_k(seed, counter)
    assert out == {"k": hx(k), "pk_recv": pt(mul(G, k))}


def test_receiving_key_seed():
    raises("seed must be a positive int", vw.receiving_key, {"rotation": 0, "seed": "0x0"})
    # r is not zero, so it passes, and then hashes as the reduced seed 0.
    assert call(vw.receiving_key, rotation=0, seed=hx(R))["k"] == hx(expected_k(0, 0))
    assert call(vw.receiving_key, rotation=4, seed=hx(R + 9)) == call(vw.receiving_key, rotation=4, seed="0x9")
    raises("receipt: integer out of range", vw.receiving_key, {"rotation": 2**128, "seed": "0x1"})
    raises("receipt: expected an integer", vw.receiving_key, {"rotation": "0", "seed": "0x1"})
    assert call(vw.receiving_key, rotation=0, seed="0x1") != call(vw.receiving_key, rotation=1, seed="0x1")


@pytest.mark.parametrize("label", ["rho", "v", "rNote", "gamma", "", "ünï/code"])
def test_wrap_mask(label):
    s = mul(G, 987654321)
    assert vw.wrap_mask(json.dumps({"label": label, "shared": pt(s)})) == hx(mask(label, s))


# ---- flavor A1 ------------------------------------------------------------------

K1 = expected_k(0xA1, 0)
PK1 = mul(G, K1)
V, RHO, PRED, RN, RP, M_ISS = 1000, 777, 5, 4242, 31337, 424242
M_REC = mul(G, 55555)
E_NOTE = enc(mul(G, V), PK1, RN)
E_REC = enc(M_REC, PK1, RP)


def a1_args(**over):
    args = {"eNote": ct(E_NOTE), "eRec": ct(E_REC), "v": hx(V), "rho": hx(RHO), "predicate": hx(PRED),
            "r_note": hx(RN), "pk_recv": pt(PK1)}
    args.update(over)
    return args


def a1_record(**over):
    return call(vw.deliver_a1, **a1_args(**over))


def test_deliver_a1_record():
    s = mul(PK1, RN)
    assert s == mul(E_NOTE[0], K1)
    assert a1_record() == {
        "flavor": 1, "predicate": str(PRED), "eNote": dct(E_NOTE), "eRec": dct(E_REC),
        "rhoWrapped": str((RHO + mask("rho", s)) % R),
        "vWrapped": str((V + mask("v", s)) % R),
        "rNoteWrapped": str((RN + mask("rNote", s)) % R),
    }


@pytest.mark.parametrize("over,msg", [
    ({"r_note": hx(0)}, SHARED_ID),
    ({"r_note": hx(2 * R)}, SHARED_ID),
    ({"pk_recv": pt((0, 0))}, SHARED_ID),
    ({"pk_recv": pt((1, 3))}, "G1 point not on curve"),
    ({"pk_recv": pt((Q, 2))}, "coordinate not a canonical Fq element"),
])
def test_deliver_a1_refusals(over, msg):
    raises(msg, vw.deliver_a1, a1_args(**over))


def open1(record, k=K1, m_issuer=M_ISS):
    return call(vw.open_a1, delivery=record, k=hx(k), m_issuer=hx(m_issuer))


def test_open_a1_round_trip():
    out = open1(a1_record(rho=hx(RHO + R)))  # values are wrapped reduced
    idh = vi.id_hash_a1(E_NOTE, M_ISS)
    assert out == {
        "opening": {"flavor": 1, "v": hx(V), "rho": hx(RHO), "idHash": hx(idh), "predicate": hx(PRED),
                    "cm": hx(vi.note_commitment(1, V, RHO, idh, PRED))},
        "eNote": ct(E_NOTE), "eRec": ct(E_REC), "r_note": hx(RN),
    }


def _bump(rec, key, d=1):
    return dict(rec, **{key: str((int(rec[key]) + d) % R)})


def _drop(rec, key):
    return {k: v for k, v in rec.items() if k != key}


def _a1_cases():
    rec = a1_record()
    off_c = dict(rec, eNote=dct((E_NOTE[0], (E_NOTE[1][0], E_NOTE[1][1] + 1))))
    big_v = 2**128
    big = call(vw.deliver_a1, **a1_args(v=hx(big_v), eNote=ct(enc(mul(G, big_v), PK1, RN))))
    return [
        ("A2 flavor", dict(rec, flavor=2), K1, NOT_A1),
        ("no flavor", _drop(rec, "flavor"), K1, NOT_A1),
        ("flavor text", dict(rec, flavor="1"), K1, NOT_A1),
        ("no eNote", _drop(rec, "eNote"), K1, MISSING),
        ("no rhoWrapped", _drop(rec, "rhoWrapped"), K1, NO_WRAP),
        ("no vWrapped", _drop(rec, "vWrapped"), K1, NO_WRAP),
        ("no rNoteWrapped", _drop(rec, "rNoteWrapped"), K1, NO_WRAP),
        ("r_note off", _bump(rec, "rNoteWrapped"), K1, RNOTE),
        ("wrong k", rec, (K1 + 1) % R, RNOTE),
        ("v off", _bump(rec, "vWrapped"), K1, FACE),
        ("eNote.C off curve", off_c, K1, "G1 point not on curve"),
        ("predicate r", dict(rec, predicate=str(R)), K1, "predicate must lie in [0, F_R)"),
        ("v 2^128", big, K1, "v out of range [0, 2^128)"),
    ]


@pytest.mark.parametrize("what,record,k,msg", _a1_cases(), ids=lambda x: x if isinstance(x, str) else "")
def test_open_a1_checks_in_order(what, record, k, msg):
    raises(msg, vw.open_a1, {"delivery": record, "k": hx(k), "m_issuer": hx(M_ISS)})


def test_open_a1_issuer_scalar_and_missing_delivery():
    raises("scalars must lie in [1, ORDER)", vw.open_a1, {"delivery": a1_record(), "k": hx(K1), "m_issuer": "0x0"})
    raises(MISSING, vw.open_a1, {"k": hx(K1), "m_issuer": hx(M_ISS)})


# ---- flavor A2 ------------------------------------------------------------------

K2 = expected_k(0xA2, 5)
PK2 = mul(G, K2)
V2, RHO2, RN2, RP2, SALT_ISS, GAMMA = 2500, 888, 5151, 6161, 7171, 8181
M_I = mul(G, 909090)
E_NOTE2 = enc(mul(G, V2), PK2, RN2)
E_ISS = enc(M_I, PK2, RP2)
T2 = add(mul(G, RP2 * K2 % R), mul(vi.H_PEDERSEN, GAMMA))


def a2_args(**over):
    args = {"eNote": ct(E_NOTE2), "eIss": ct(E_ISS), "T": pt(T2), "v": hx(V2), "rho": hx(RHO2),
            "predicate": hx(0), "r_note": hx(RN2), "r_prime": hx(RP2), "salt_iss": hx(SALT_ISS),
            "gamma": hx(GAMMA), "pk_recv": pt(PK2)}
    args.update(over)
    return args


def test_deliver_and_open_a2():
    rec = call(vw.deliver_a2, **a2_args())
    s = mul(PK2, RN2)
    assert rec == {
        "flavor": 2, "predicate": "0", "eNote": dct(E_NOTE2), "eIss": dct(E_ISS), "T": dpt(T2),
        "rhoWrapped": str((RHO2 + mask("rho", s)) % R), "vWrapped": str((V2 + mask("v", s)) % R),
        "rPrimeWrapped": str((RP2 + mask("rPrime", s)) % R),
        "saltIssWrapped": str((SALT_ISS + mask("saltIss", s)) % R),
        "gammaWrapped": str((GAMMA + mask("gamma", s)) % R),
    }
    out = call(vw.open_a2, delivery=rec, k=hx(K2))
    idh = vi.id_hash_a2(E_NOTE2, E_ISS, T2)
    assert out == {
        "opening": {"flavor": 2, "v": hx(V2), "rho": hx(RHO2), "idHash": hx(idh), "predicate": hx(0),
                    "cm": hx(vi.note_commitment(2, V2, RHO2, idh, 0))},
        "eNote": ct(E_NOTE2), "eIss": ct(E_ISS), "M_I": pt(M_I), "r_prime": hx(RP2), "salt_iss": hx(SALT_ISS),
        "T": pt(T2), "gamma": hx(GAMMA),
    }


def _a2_cases():
    rec = call(vw.deliver_a2, **a2_args())
    return [
        ("A1 record", a1_record(), K2, NOT_A2),
        ("no T", _drop(rec, "T"), K2, MISSING),
        ("no gammaWrapped", _drop(rec, "gammaWrapped"), K2, NO_WRAP),
        ("v off", _bump(rec, "vWrapped"), K2, FACE),
        ("wrong k", rec, K2 + 1, FACE),
        ("r' off", _bump(rec, "rPrimeWrapped"), K2, RPRIME),
        ("gamma off", _bump(rec, "gammaWrapped"), K2, T_ERR),
        ("T off", dict(rec, T=dpt(M_I)), K2, T_ERR),
    ]


@pytest.mark.parametrize("what,record,k,msg", _a2_cases(), ids=lambda x: x if isinstance(x, str) else "")
def test_open_a2_checks_in_order(what, record, k, msg):
    raises(msg, vw.open_a2, {"delivery": record, "k": hx(k)})


def test_deliver_a2_refuses_a_public_wrap():
    raises(SHARED_ID, vw.deliver_a2, a2_args(r_note=hx(R)))


# ---- receiving bindings ---------------------------------------------------------

def node(a, b):
    return P(a, b)


def reference_root_and_path(leaves, depth, index):
    """The fully zero-padded tree, hashed level by level."""
    level = list(leaves) + [0] * (2**depth - len(leaves))
    siblings, bits, pos = [], [], index
    for _ in range(depth):
        siblings.append(level[pos ^ 1])
        bits.append(pos & 1)
        level = [node(level[i], level[i + 1]) for i in range(0, len(level), 2)]
        pos >>= 1
    return level[0], siblings, bits


MB_M, MB_PK, MB_SALT = mul(G, 31), mul(G, 32), 33


def mailbox_leaf(m, pk, salt):
    return P(tag("VeltriaVorn/Accumulator/Leaf/Mailbox/v2"), m[0], m[1], pk[0], pk[1], salt)


def binding_args(leaves, depth, **over):
    args = {"M_rec": pt(MB_M), "pk_recv": pt(MB_PK), "salt": hx(MB_SALT), "leaves": [hx(x) for x in leaves],
            "depth": depth}
    args.update(over)
    return args


def verify(binding, root, m=MB_M):
    return vw.verify_receiving_binding(json.dumps({"M_rec": pt(m), "binding": binding, "root": hx(root)}))


def test_receiving_binding_round_trip():
    leaf = mailbox_leaf(MB_M, MB_PK, MB_SALT)
    leaves = [901, leaf, 903, leaf]
    out = call(vw.prove_receiving_binding, **binding_args(leaves, 3))
    root, siblings, bits = reference_root_and_path(leaves, 3, 1)
    assert out == {"pk_recv": pt(MB_PK), "salt": hx(MB_SALT),
                   "path": {"leaf": hx(leaf), "siblings": [hx(s) for s in siblings], "indexBits": bits,
                            "root": hx(root)}}
    assert verify(out, root) is True
    assert verify(dict(out, salt=hx(MB_SALT + 1)), root) is False
    assert verify(out, root + 1) is False
    assert verify(out, root, m=mul(G, 30)) is False
    raises(NO_LEAF, vw.prove_receiving_binding, binding_args([1, 2], 3))
    raises("args: leaves must be an array", vw.prove_receiving_binding, dict(binding_args([], 3), leaves="x"))
    raises(MISSING, vw.verify_receiving_binding, {"M_rec": pt(MB_M), "root": hx(root)})


def test_receiving_binding_with_aggregator():
    leaf = mailbox_leaf(MB_M, MB_PK, MB_SALT)
    sub_root, sub_sib, sub_bits = reference_root_and_path([leaf], 2, 0)
    agg_leaves = [71, 72, 73, sub_root]
    agg_root, agg_sib, agg_bits = reference_root_and_path(agg_leaves, 3, 3)
    out = call(vw.prove_receiving_binding,
               **binding_args([leaf], 2, aggregator={"leaves": [hx(x) for x in agg_leaves], "depth": 3, "slot": 3}))
    assert out["path"] == {"leaf": hx(leaf), "siblings": [hx(s) for s in sub_sib + agg_sib],
                           "indexBits": sub_bits + agg_bits, "root": hx(agg_root)}
    assert verify(out, agg_root) is True
    for slot in (2, 4):
        raises(AGG, vw.prove_receiving_binding,
               binding_args([leaf], 2, aggregator={"leaves": [hx(x) for x in agg_leaves], "depth": 3, "slot": slot}))

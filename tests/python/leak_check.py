#!/usr/bin/env python3
"""Leak and reference-count check of every exported function.

Each of the 78 functions is called many times in one process with valid arguments
(positionally and by keyword, alternately) and with invalid ones (a value the kernel
refuses with ValueError, and an object of the wrong type). After a warm-up:

- resident memory (/proc/self/statm) grows by less than RSS_BOUND (2 MiB) over the
  whole run;
- per function, the bytes malloc holds (glibc mallinfo2, where available) grow by
  less than MALLOC_SLACK and the interpreter's allocated blocks by less than
  BLOCK_SLACK: a leak of a few bytes, or of one object, per call shows over the
  thousands of calls;
- the reference count of every argument object (the tuples, texts, byte strings and
  integers passed in) is unchanged.

Each function gets CALLS (100,000) calls of each kind, except where that would take
longer than BUDGET seconds: the slow ones (pairings, provers, receipts, and the
argument texts that are read in full before they are refused) get as many calls as
fit in BUDGET, and at least MIN_CALLS. Those counts are printed. Run by scripts/test.sh; PYTHONPATH must reach the modules:

    PYTHONPATH=build/<dir> python3 tests/python/leak_check.py [CALLS]
"""
import ctypes
import gc
import inspect
import json
import os
import sys
import time

import vorn_identity as vi
import vorn_registry as vr
import vorn_wallet as vw

CALLS = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
BUDGET = 1.0  # seconds of valid calls per function at most
MIN_CALLS = 2_000
WARMUP = 200
RSS_BOUND = 2 << 20
MALLOC_SLACK = 64 << 10
BLOCK_SLACK = 1000  # a leaked object per call shows as at least MIN_CALLS blocks

R = vi.ORDER
G, G2, H = vi.G1, vi.G2, vi.H_PEDERSEN
CHAIN, ISSUER, REGISTRY = 31337, 0xA11CE, 0x5EED


def hx(n):
    return "0x%064x" % n


def pt(p):
    return {"x": hx(p[0]), "y": hx(p[1])}


def ctj(c):
    return {"R": pt(c[0]), "C": pt(c[1])}


def mul(p, k):
    return vi.g1_mul(p, k)


def dumps(obj):
    return json.dumps(obj, separators=(",", ":"))


# ---- valid arguments, built with the kernel itself ------------------------------


def identity_calls():
    sk, r, m = 0x1234, 0x5678, 0x9ABC
    pk, M = mul(G, sk), mul(G, m)
    e = vi.elgamal_encrypt(M, pk, r)
    x, y, t = 0x11, 0x22, 0x33
    X, Y, y1 = vi.g2_mul(G2, x), vi.g2_mul(G2, y), mul(G, y)
    s1, s2 = vi.ps_sign(x, y, m, t)
    a_, b_ = 0x44, 0x55
    A, B = vi.ps_present(s1, s2, y1, a_, b_)
    h_batch = vi.batch_commitment([1, 2, 3])
    isig = vi.issuer_schnorr_sign(sk, h_batch, ISSUER, CHAIN, 0x77)
    reg = vi.registration_prove(A, B, b_, m, r, pk, e, 0xBEEF, sk, CHAIN, REGISTRY, 1, 2, 3, 4)
    sk_b, r_prime = 0xB0B, 0x4242
    pk_b = mul(G, sk_b)
    e_b = vi.elgamal_encrypt(M, pk_b, r_prime)
    cp = vi.chaum_pedersen_prove(e, e_b, pk, pk_b, sk, r_prime, 1, 2, CHAIN, REGISTRY, 21, 22)
    vd = vi.verifiable_decrypt_prove(e, sk, M, 0xACC, CHAIN, 0x99)
    op = vi.identity_opening_prove(e, sk, M, 0xACC, CHAIN, REGISTRY, 0x98)
    k_rec = 0x4EC1
    pk_rec = mul(G, k_rec)
    e_iss = vi.elgamal_encrypt(M, pk_rec, r_prime)
    reenc = vi.issuer_reenc_prove(sk, r_prime, pk_rec, e, e_iss, ISSUER, CHAIN, 5, 6, 7, 8, 9, 10)
    e_dep = vi.elgamal_encrypt(M, pk, r)
    bind, e_for_iss = vi.b1_bind_prove(m, sk, e_dep, pk_b, 0xDE9, CHAIN, 11, 12, 13, 14, 15, 16)
    return [
        ("h_pedersen", ()),
        ("g1_add", (G, M)),
        ("g1_mul", (M, 0x1F)),
        ("g1_neg", (M,)),
        ("g2_add", (G2, X)),
        ("g2_mul", (X, 0x1F)),
        ("pairing_check", ([(G, G2), (vi.g1_neg(G), G2)],)),
        ("keccak_scalar", ([1, 2, 2**255],)),
        ("identity_scalar", ('{"name":"Bob"}',)),
        ("reduce_mod_order", (2**256 - 1,)),
        ("poseidon", ([1, 2, 3],)),
        ("elgamal_encrypt", (M, pk, r)),
        ("elgamal_decrypt", (e, sk)),
        ("ps_sign", (x, y, m, t)),
        ("ps_verify", (X, Y, s1, s2, m)),
        ("ps_rerandomize", (s1, s2, 0x66)),
        ("ps_present", (s1, s2, y1, a_, b_)),
        ("ps_key_consistent", (Y, y1)),
        ("batch_commitment", ([1, 2, 3],)),
        ("issuer_schnorr_sign", (sk, h_batch, ISSUER, CHAIN, 0x77)),
        ("issuer_schnorr_verify", (pk, isig, h_batch, ISSUER, CHAIN)),
        ("registration_prove", (A, B, b_, m, r, pk, e, 0xBEEF, sk, CHAIN, REGISTRY, 1, 2, 3, 4)),
        ("registration_verify", (A, B, e, pk, X, Y, reg, 0xBEEF, CHAIN, REGISTRY)),
        ("registration_verify_v3", (A, B, e, pk, X, Y, reg, 0xBEEF, CHAIN, REGISTRY)),
        ("chaum_pedersen_prove", (e, e_b, pk, pk_b, sk, r_prime, 1, 2, CHAIN, REGISTRY, 21, 22)),
        ("chaum_pedersen_verify", (e, e_b, pk, pk_b, cp, 1, 2, CHAIN, REGISTRY)),
        ("verifiable_decrypt_prove", (e, sk, M, 0xACC, CHAIN, 0x99)),
        ("verifiable_decrypt_verify", (e, pk, M, vd, 0xACC, CHAIN)),
        ("identity_opening_prove", (e, sk, M, 0xACC, CHAIN, REGISTRY, 0x98)),
        ("identity_opening_verify", (e, pk, M, op, 0xACC, CHAIN, REGISTRY)),
        ("tree_tag", ("tree-1",)),
        ("derive_salt", (0x5EC, "tree-1", 3)),
        ("issuer_reenc_prove", (sk, r_prime, pk_rec, e, e_iss, ISSUER, CHAIN, 5, 6, 7, 8, 9, 10)),
        ("issuer_reenc_verify", (pk, e, e_iss, reenc, ISSUER, CHAIN)),
        ("b1_bind_prove", (m, sk, e_dep, pk_b, 0xDE9, CHAIN, 11, 12, 13, 14, 15, 16)),
        ("b1_bind_verify", (pk, e_dep, pk_b, e_for_iss, bind, 0xDE9, CHAIN)),
        ("note_commitment", (1, 1000, 0x5EED, 0x1D, 0)),
        ("nullifier", (0x5EED, 0x1D)),
        ("id_hash_b1", (m,)),
        ("id_hash_a1", (e, m)),
        ("id_hash_a2", (e, e_iss, M)),
        ("identity_leaf", (M,)),
        ("identity_leaf_salted", (M, 0x5A17)),
        ("receiving_leaf", (m, k_rec, 0x5A17)),
    ]


def registry_calls():
    sk, k = 0x1234, 0x77
    msg = bytes(range(32))
    e, s, rp = vr.registry_schnorr_sign(sk, msg, "reg-1", CHAIN, k)
    wire = vr.registry_sign_certificate(sk, "reg-1", '{"name":"Bob"}', 7, -5, 99, CHAIN, k)
    client_sk = 0xC11E
    sealed = vr.seal_certificate(wire, mul(G, client_sk), 0x5EA1)
    env = (True, 8, [0, 1, 2], 500, 700, 2e9, [vr.scope_id("scope-1"), 7])
    return [
        ("check_issuance", (env, vr.scope_id("scope-1"), 10**9, 1, 400, 600, 1.7e9)),
        ("band_for_face", (10**9,)),
        ("scope_id", ("scope-1",)),
        ("subtree_key", ("subtree-1",)),
        ("registry_schnorr_sign", (sk, msg, "reg-1", CHAIN, k)),
        ("registry_schnorr_verify", (mul(G, sk), e, s, rp, msg, "reg-1", CHAIN)),
        ("registry_sign_certificate", (sk, "reg-1", '{"name":"Bob"}', 7, -5, 99, CHAIN, k)),
        ("registry_verify_certificate", (wire, CHAIN)),
        ("seal_certificate", (wire, mul(G, client_sk), 0x5EA1)),
        ("unseal_certificate", (sealed, client_sk)),
    ]


def wallet_calls():
    # Identities and credentials.
    def cred(name, sk):
        return json.loads(vw.issue_credential(dumps({
            "fields": {"name": name}, "issuer_id": "reg-1", "sk_x": hx(0x11), "sk_y": hx(0x22),
            "t_sig": hx(0x33 + sk), "applicant_pk": pt(mul(G, sk)), "r_delivery": hx(0x44 + sk)})))
    bank_sk, bob_sk = 0x1CE5, 0xB0B5
    bank, bob = cred("Issuer Bank", bank_sk), cred("Bob", bob_sk)
    bank_m, bob_m = int(bank["m"], 16), int(bob["m"], 16)
    bank_M, bob_M = mul(G, bank_m), mul(G, bob_m)
    tree = {"depth": 4, "leaves": [hx(vi.identity_leaf(bank_M)), hx(vi.identity_leaf(bob_M))]}
    recv = json.loads(vw.receiving_key(dumps({"rotation": 0, "seed": hx(0x5EED)})))
    k = int(recv["k"], 16)
    pk_recv = mul(G, k)
    v, rho, r_note, r_prime = 1000, 0x5EED, 0x1111, 0x2222

    mint_a1_args = {"nonces": {"r_prime": hx(r_prime), "r_note": hx(r_note)}, "M_rec": pt(bob_M),
                    "pk_recv": recv["pk_recv"], "v": hx(v), "rho": hx(rho), "m_issuer": hx(bank_m), "predicate": hx(0)}
    minted = json.loads(vw.mint_unilateral_a1(dumps(mint_a1_args)))
    # The bank's registered ciphertext under its own key (delivery of its credential).
    e_reg = (tuple(int(bank["delivery"]["R"][c], 16) for c in "xy"), tuple(int(bank["delivery"]["C"][c], 16) for c in "xy"))
    nonces_a2 = {"r_prime": hx(r_prime), "r_note": hx(r_note), "beta": hx(5), "gamma": hx(6), "k_r": hx(7),
                 "k_b": hx(8), "k_s": hx(9), "k_g": hx(10)}
    mint_a2_args = {"nonces": nonces_a2, "sk_iss": hx(bank_sk), "E_reg": ctj(e_reg), "pk_recv": recv["pk_recv"],
                    "v": hx(v), "rho": hx(rho), "issuer": hx(ISSUER), "chainid": hx(CHAIN), "predicate": hx(0)}
    minted2 = json.loads(vw.mint_unilateral_a2(dumps(mint_a2_args)))

    deliver_a1_args = {"eNote": minted["eNote"], "eRec": minted["eRec"], "v": hx(v), "rho": hx(rho),
                       "predicate": hx(0), "r_note": hx(r_note), "pk_recv": recv["pk_recv"]}
    delivery_a1 = json.loads(vw.deliver_a1(dumps(deliver_a1_args)))
    deliver_a2_args = {"eNote": minted2["eNote"], "eIss": minted2["eIss"], "T": minted2["binding"]["T"], "v": hx(v),
                       "rho": hx(rho), "predicate": hx(0), "r_note": hx(r_note), "r_prime": hx(r_prime),
                       "salt_iss": hx(0x5A), "gamma": hx(6), "pk_recv": recv["pk_recv"]}
    delivery_a2 = json.loads(vw.deliver_a2(dumps(deliver_a2_args)))

    make_a1_args = {"minted": minted, "tree": tree, "k_recv": recv["k"], "M_rec": pt(bob_M), "M_iss": pt(bank_M),
                    "issuer": hx(ISSUER), "chainid": hx(CHAIN), "t_vd": hx(0x103)}
    receipt_a1 = json.loads(vw.make_receipt_a1(dumps(make_a1_args)))
    make_a2_args = {"minted": minted2, "tree": tree, "k_recv": recv["k"], "M_rec": pt(bob_M), "issuer": hx(ISSUER),
                    "chainid": hx(CHAIN), "t_vd": hx(0x104)}
    receipt_a2 = json.loads(vw.make_receipt_a2(dumps(make_a2_args)))
    mailbox_leaf = vi.poseidon([vi.tree_tag("VeltriaVorn/Accumulator/Leaf/Mailbox/v2"), *bob_M, *pk_recv, 0x5A17])
    binding_args = {"M_rec": pt(bob_M), "pk_recv": recv["pk_recv"], "salt": hx(0x5A17),
                    "leaves": [hx(mailbox_leaf), hx(7)], "depth": 3}
    binding = json.loads(vw.prove_receiving_binding(dumps(binding_args)))

    # The note spent: a note-a1 receipt, its envelope.
    cms = [0x1234, int(minted["cm"], 16)]
    e, s, rp = vi.issuer_schnorr_sign(bank_sk, vi.batch_commitment(cms), ISSUER, CHAIN, 0x5160)
    id_hash = int(minted["idHash"], 16)
    payer = {"addr": hx(ISSUER), "identity": bank["canonical"], "M": pt(bank_M), "pk": pt(mul(G, bank_sk)),
             "E": bank["delivery"]}
    payee = {"addr": hx(0xB0B), "identity": bob["canonical"], "M": pt(bob_M), "pk": pt(mul(G, bob_sk)),
             "E": bob["delivery"], "sk": hx(bob_sk)}
    build_args = {"kind": "note-a1", "role": "recipient", "chainid": CHAIN, "contracts": {"registry": hx(REGISTRY)},
                  "payer": payer, "payee": payee,
                  "txn": {"value": v, "block_time": 1700000000, "txhash": "0xab", "block": 120, "logindex": 3,
                          "mint_txhash": "0xcd", "mint_block": 100},
                  "nonces": {"t_vd": hx(0x201), "t_note": hx(0x202), "t_id": hx(0x203)},
                  "opening": minted["opening"], "cms": [hx(c) for c in cms],
                  "nullifier": hx(vi.nullifier(rho, id_hash)), "face": hx(v), "pk_recv": recv["pk_recv"],
                  "k_recv": recv["k"], "eNote": minted["eNote"], "eRec": minted["eRec"],
                  "issuer_sig": {"e": hx(e), "s": hx(s), "R": pt(rp)}}
    receipt = vw.build_receipt(dumps(build_args))
    canonical = receipt.encode()
    envelope = vw.envelope_text(canonical)

    return [
        ("canonical_json", ('{ "b": 1, "a": [true, null, "x\\u000b"] }',)),
        ("canonical_identity_data", ('{"name":"Bob","issuer_id":"reg-1"}',)),
        ("receipt_id", (canonical, 12)),
        ("envelope_text", (canonical, 64)),
        ("parse_envelope", (envelope,)),
        ("verify_receipt", (receipt,)),
        ("build_receipt", (dumps(build_args),)),
        ("mint_unilateral_a2", (dumps(mint_a2_args),)),
        ("receiving_key", (dumps({"rotation": 3, "seed": hx(0x5EED)}),)),
        ("wrap_mask", (dumps({"label": "rho", "shared": pt(mul(G, 5))}),)),
        ("deliver_a1", (dumps(deliver_a1_args),)),
        ("deliver_a2", (dumps(deliver_a2_args),)),
        ("open_a1", (dumps({"delivery": delivery_a1, "k": recv["k"], "m_issuer": hx(bank_m)}),)),
        ("open_a2", (dumps({"delivery": delivery_a2, "k": recv["k"]}),)),
        ("prove_receiving_binding", (dumps(binding_args),)),
        ("verify_receiving_binding", (dumps({"M_rec": pt(bob_M), "binding": binding, "root": binding["path"]["root"]}),)),
        ("deposit_fold_a1_witness", (dumps(fold_a1_args()),)),
        ("deposit_fold_a2_witness", (dumps(fold_a2_args()),)),
        ("make_receipt_a2", (dumps(make_a2_args),)),
        ("verify_receipt_a2", (dumps({"receipt": receipt_a2, "tree": tree, "pk_iss": pt(mul(G, bank_sk)),
                                      "E_reg": ctj(e_reg), "identity_root": hx(0)}),)),
        ("mint_unilateral_a1", (dumps(mint_a1_args),)),
        ("make_receipt_a1", (dumps(make_a1_args),)),
        ("verify_receipt_a1", (dumps({"receipt": receipt_a1, "tree": tree, "identity_root": hx(0)}),)),
        ("issue_credential", (dumps({"fields": {"name": "Eve"}, "issuer_id": "reg-1", "sk_x": hx(0x11),
                                     "sk_y": hx(0x22), "t_sig": hx(0x33)}),)),
    ]


# Deposit-fold witnesses: the relations built by hand (see the fold's own tests).
K_FOLD = 0x3001
M_REC, T_FOLD, SK_DEP, R_E, SALT, RHO_FOLD = 4001, 4002, 4003, 4004, 4005, 4006


def fold_account(plain, id_hash, leaf_sibling, bit):
    pk_recv = mul(G, K_FOLD)
    leaf = vi.receiving_leaf(M_REC, K_FOLD, SALT)
    root = vi.poseidon([leaf, leaf_sibling] if bit == 0 else [leaf_sibling, leaf])
    return {"path": {"siblings": [hx(leaf_sibling)], "indexBits": [bit]}, "m_rec": hx(M_REC), "k": hx(K_FOLD),
            "sk_dep": hx(SK_DEP), "salt": hx(SALT), "t": hx(T_FOLD), "r_E": hx(R_E), "rho": hx(RHO_FOLD),
            "idHash": hx(id_hash), "identityRoot": hx(root),
            "E_dep": ctj(vi.elgamal_encrypt(mul(G, M_REC), mul(G, SK_DEP), R_E)), "pk_dep": pt(mul(G, SK_DEP)),
            "eEnc": ctj(vi.elgamal_encrypt(plain, pk_recv, T_FOLD))}


def fold_a1_args():
    v, r_note, m_issuer = 1234, 3004, 3003
    e_note = vi.elgamal_encrypt(mul(G, v), mul(G, K_FOLD), r_note)
    args = {"eNote": ctj(e_note), "v": hx(v), "m_issuer": hx(m_issuer), "r_note": hx(r_note)}
    args.update(fold_account(mul(G, M_REC), vi.id_hash_a1(e_note, m_issuer), 77, 0))
    return args


def fold_a2_args():
    pk_recv = mul(G, K_FOLD)
    m_i, r_prime, gamma, salt_iss = 0x1D, 0x2D, 0x3D, 0x4D
    M_I = mul(G, m_i)
    e_note = vi.elgamal_encrypt(mul(G, 99), pk_recv, 0x5D)
    e_iss = vi.elgamal_encrypt(M_I, pk_recv, r_prime)
    t = vi.g1_add(mul(G, r_prime * K_FOLD % R), mul(H, gamma))
    iss_leaf = vi.identity_leaf_salted(M_I, salt_iss)
    recv_leaf = vi.receiving_leaf(M_REC, K_FOLD, SALT)
    args = {"eNote": ctj(e_note), "eIss": ctj(e_iss), "r_prime": hx(r_prime), "salt_iss": hx(salt_iss),
            "issPath": {"siblings": [hx(recv_leaf)], "indexBits": [1]}, "T": pt(t), "gamma": hx(gamma)}
    args.update(fold_account(M_I, vi.id_hash_a2(e_note, e_iss, t), iss_leaf, 0))
    return args


# ---- invalid arguments ------------------------------------------------------------

OFF_CURVE = (0, 1)


def refusals(name, args):
    """Variants of the valid arguments the kernel may refuse with ValueError, the
    deepest first: a malformed point or argument text, then a word of 2^256."""
    if not args:
        return  # h_pedersen takes nothing
    params = list(inspect.signature(getattr(module_of(name), name)).parameters)
    first = args[0]
    if isinstance(first, list):
        yield ([(OFF_CURVE, G2)] if name == "pairing_check" else [2**256]),
    elif isinstance(first, str) and name in WALLET_JSON:
        if '"0x' in first:
            yield (first.replace('"0x', '"0xzz', 1),)
        yield (first + "]",)
        yield ("",)
    elif isinstance(first, str):
        yield ("",) + args[1:]
    elif isinstance(first, bytes):
        yield (first[:5],) + args[1:]
    for i, a in enumerate(args):
        if isinstance(a, tuple) and len(a) == 2 and isinstance(a[0], tuple):
            yield args[:i] + ((OFF_CURVE, a[1]),) + args[i + 1:]
            yield args[:i] + (((2**256, 1), a[1]),) + args[i + 1:]
        elif isinstance(a, tuple) and len(a) == 2 and isinstance(a[0], int):
            yield args[:i] + (OFF_CURVE,) + args[i + 1:]
            yield args[:i] + ((2**256, 1),) + args[i + 1:]
        elif isinstance(a, int) and not isinstance(a, bool) and params[i] not in SMALL_INTS:
            yield args[:i] + (2**256,) + args[i + 1:]


def refused(name, args):
    """The first variant the kernel refuses with ValueError, or None."""
    fn = getattr(module_of(name), name)
    for bad in refusals(name, args):
        try:
            fn(*bad)
        except ValueError:
            return bad
        except (TypeError, OverflowError):
            continue
    return None


SMALL_INTS = {"flavor", "serial", "association_counter", "prefix_len", "width", "dep_rate", "premium_rate",
              "dep_type", "issued_at", "expires_at"}
WALLET_JSON = {"canonical_json", "canonical_identity_data", "parse_envelope", "verify_receipt"} | {
    n for n in dir(vw) if not n.startswith("_") and callable(getattr(vw, n))}


def mistyped(args):
    """The same call with its first argument replaced by an object of the wrong type
    (for a function without parameters, one argument too many)."""
    return (1.5,) + args[1:] if args else (1,)


def module_of(name):
    for mod in (vi, vr, vw):
        if hasattr(mod, name):
            return mod
    raise KeyError(name)


# ---- measurement ------------------------------------------------------------------

PAGE = os.sysconf("SC_PAGE_SIZE")


def rss():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE


class _Mallinfo2(ctypes.Structure):
    _fields_ = [(n, ctypes.c_size_t) for n in
                ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks", "fordblks",
                 "keepcost")]


try:
    _libc = ctypes.CDLL(None)
    _libc.mallinfo2.restype = _Mallinfo2
except (OSError, AttributeError):
    _libc = None


def malloc_in_use():
    """Bytes malloc has handed out and not had back (0 when not measurable)."""
    if _libc is None:
        return 0
    mi = _libc.mallinfo2()
    return mi.uordblks + mi.hblkhd


def owned_objects(args):
    """The argument objects whose reference counts are meaningful: everything passed
    in except small cached integers, booleans, None and floats."""
    out, todo = [], list(args)
    while todo:
        o = todo.pop()
        if isinstance(o, (tuple, list)):
            out.append(o)
            todo.extend(o)
        elif isinstance(o, (str, bytes)) or (isinstance(o, int) and not isinstance(o, bool) and not -5 <= o <= 256):
            out.append(o)
    return out


def run(fn, args, kwargs, n, expect_error):
    errors = (ValueError, TypeError, OverflowError)
    if expect_error:
        for _ in range(n):
            try:
                fn(*args)
            except errors:
                pass
            else:
                raise AssertionError(f"{fn.__name__}{args!r:.80} did not raise")
    else:
        for i in range(n):
            if i & 1 and kwargs is not None:
                fn(**kwargs)
            else:
                fn(*args)


def calls_for(fn, args, bad):
    t0 = time.perf_counter()
    run(fn, args, None, 20, bad)
    per_call = (time.perf_counter() - t0) / 20
    return max(min(MIN_CALLS, CALLS), min(CALLS, int(BUDGET / per_call)))


def main():
    catalogue = identity_calls() + registry_calls() + wallet_calls()
    names = [n for mod in (vi, vr, vw) for n in dir(mod) if not n.startswith("_") and callable(getattr(mod, n))]
    missing = set(names) - {n for n, _ in catalogue}
    assert not missing, f"no valid call for {sorted(missing)}"
    assert len(catalogue) == 78, len(catalogue)

    plans = []
    for name, args in catalogue:
        fn = getattr(module_of(name), name)
        kwargs = dict(zip(inspect.signature(fn).parameters, args))
        variants = [(args, kwargs, False)]
        bad = refused(name, args)
        if bad is None and args:
            print(f"  {name}: accepts every value of its types (only the mistyped call is invalid)")
        for b in (bad, mistyped(args)):
            if b is not None:
                variants.append((b, None, True))
        plans.append((name, fn, variants))

    # Warm-up: every variant, so caches, free lists and tables exist before measuring.
    for name, fn, variants in plans:
        for args, kwargs, bad in variants:
            run(fn, args, kwargs, WARMUP, bad)
    gc.collect()

    start_rss = rss()
    failures = []
    total_calls = 0
    t_start = time.perf_counter()
    for name, fn, variants in plans:
        for args, kwargs, bad in variants:
            n = calls_for(fn, args, bad)
            owned = owned_objects(args)
            refs = [sys.getrefcount(o) for o in owned]
            gc.collect()
            m0, b0 = malloc_in_use(), sys.getallocatedblocks()
            run(fn, args, kwargs, n, bad)
            gc.collect()
            dm, db = malloc_in_use() - m0, sys.getallocatedblocks() - b0
            total_calls += n
            kind = "invalid" if bad else "valid"
            if [sys.getrefcount(o) for o in owned] != refs:
                failures.append(f"{name} ({kind}): argument reference counts changed")
            if dm > MALLOC_SLACK or db > BLOCK_SLACK:
                failures.append(f"{name} ({kind}, {n} calls): malloc +{dm} bytes, +{db} interpreter blocks")
            if n < CALLS:
                print(f"  {name}: {n} {kind} calls (slow)")
    growth = rss() - start_rss
    print(f"{total_calls} calls of {len(plans)} functions in {time.perf_counter() - t_start:.0f} s; "
          f"resident memory {start_rss >> 20} MiB, growth {growth / 1024:.0f} KiB (bound {RSS_BOUND >> 20} MiB)")
    if growth >= RSS_BOUND:
        failures.append(f"resident memory grew by {growth} bytes")
    for f in failures:
        print("LEAK:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

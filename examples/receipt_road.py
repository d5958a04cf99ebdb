#!/usr/bin/env python3
"""The road of one note receipt, walked with the vorn kernel alone.

A registry issues identity credentials to an issuing bank and to Bob and publishes
its identity tree. The bank mints an A1 note of 1000 to Bob's mailbox, hashes the
minted batch and signs it. The note travels to Bob wrapped under his receiving key;
Bob opens it and checks the mint against the registry. When the note is spent, Bob
builds the receipt and armours it as a text envelope; anyone holding the envelope
verifies it.

Every secret, nonce and randomness below is derived from one fixed seed with
Keccak-256 (`secret`), so each run prints the same values.

Usage: PYTHONPATH=<build dir> python3 examples/receipt_road.py [ENVELOPE_FILE]
Exits 0 and ends with the line VALID when every step succeeds. Given a file name, it
also writes the receipt's envelope there (for `vorn receipt verify ENVELOPE_FILE`).
"""
import json
import sys
import time

import vorn_identity as vi
import vorn_wallet as vw

SEED = int.from_bytes(b"vorn example: receipt road", "big")
CHAIN = 31337
REGISTRY = 0x5FBDB2315678AFECB367F032D93F642F64180AA3
BANK_ADDR = 0xA11CE0000000000000000000000000000000BA4C
VALUE = 1000


def secret(label):
    """keccak256(SEED || label) mod r: a fixed, reproducible secret per label."""
    return vi.keccak_scalar([SEED, int.from_bytes(label.encode(), "big")])


def hx(n):
    return "0x%064x" % n


def pt(p):
    return {"x": hx(p[0]), "y": hx(p[1])}


def short(word):
    text = word if isinstance(word, str) else hx(word)
    return text[:10] + "..." + text[-4:]


class Road:
    def __init__(self):
        self.n = 0
        self.total = 0.0

    def step(self, actor, action, fn, describe):
        """Runs one step, prints what it made and how long it took; stops the road on failure."""
        self.n += 1
        t0 = time.perf_counter()
        try:
            out = fn()
            note = describe(out)
        except Exception as exc:  # the road is broken here: say where and stop
            print(f"{self.n:>2} {actor:<8} {action:<38} FAILED: {type(exc).__name__}: {exc}")
            sys.exit(1)
        dt = (time.perf_counter() - t0) * 1e3
        self.total += dt
        print(f"{self.n:>2} {actor:<8} {action:<38} {note:<40} {dt:6.2f} ms")
        return out


def main():
    road = Road()
    print("vorn: the road of one note receipt (flavor A1)\n")

    # The registry issues both identities; each gets M = m*G encrypted to its own key.
    reg_sk_x, reg_sk_y = secret("registry.ps.x"), secret("registry.ps.y")
    bank_sk, bob_sk = secret("bank.sk"), secret("bob.sk")

    def credential(name, sk):
        return json.loads(vw.issue_credential(json.dumps({
            "fields": {"name": name, "country": "NL"}, "issuer_id": "registry-1",
            "sk_x": hx(reg_sk_x), "sk_y": hx(reg_sk_y), "t_sig": hx(secret(name + ".t_sig")),
            "applicant_pk": pt(vi.g1_mul(vi.G1, sk)), "r_delivery": hx(secret(name + ".r_delivery"))})))

    bank_cred = road.step("registry", "issue_credential (Issuer Bank)", lambda: credential("Issuer Bank", bank_sk),
                          lambda c: f"m {short(c['m'])}")
    bob_cred = road.step("registry", "issue_credential (Bob)", lambda: credential("Bob", bob_sk),
                         lambda c: f"m {short(c['m'])}")
    bank_m, bob_m = int(bank_cred["m"], 16), int(bob_cred["m"], 16)
    bank_M, bob_M = vi.g1_mul(vi.G1, bank_m), vi.g1_mul(vi.G1, bob_m)
    tree = road.step("registry", "identity tree (identity_leaf)",
                     lambda: {"depth": 16, "leaves": [hx(vi.identity_leaf(M)) for M in (bank_M, bob_M)]},
                     lambda t: f"{len(t['leaves'])} identities, depth {t['depth']}")

    # Bob's mailbox: a receiving key from his seed.
    recv = road.step("Bob", "receiving_key", lambda: json.loads(vw.receiving_key(json.dumps(
        {"rotation": 0, "seed": hx(secret("bob.mailbox.seed"))}))), lambda r: f"pk_recv.x {short(r['pk_recv']['x'])}")
    k_recv = int(recv["k"], 16)

    # The bank mints the note to Bob's mailbox, hashes the batch and signs it.
    rho, r_note, r_prime = secret("note.rho"), secret("note.r_note"), secret("note.r_prime")
    minted = road.step("bank", "mint_unilateral_a1", lambda: json.loads(vw.mint_unilateral_a1(json.dumps({
        "nonces": {"r_prime": hx(r_prime), "r_note": hx(r_note)}, "M_rec": pt(bob_M), "pk_recv": recv["pk_recv"],
        "v": hx(VALUE), "rho": hx(rho), "m_issuer": hx(bank_m), "predicate": hx(0)}))),
        lambda m: f"{VALUE} to Bob, cm {short(m['cm'])}")
    cms = [secret("batch.note.0"), int(minted["cm"], 16), secret("batch.note.2")]
    sig = road.step("bank", "batch_commitment + issuer_schnorr_sign", lambda: vi.issuer_schnorr_sign(
        bank_sk, vi.batch_commitment(cms), BANK_ADDR, CHAIN, secret("bank.batch.k")),
        lambda s: f"batch of {len(cms)} signed, e {short(s[0])}")

    # The note travels wrapped; Bob opens it and checks the mint against the registry.
    delivery = road.step("bank", "deliver_a1", lambda: vw.deliver_a1(json.dumps({
        "eNote": minted["eNote"], "eRec": minted["eRec"], "v": hx(VALUE), "rho": hx(rho), "predicate": hx(0),
        "r_note": hx(r_note), "pk_recv": recv["pk_recv"]})), lambda d: f"{len(d)} bytes")
    opened = road.step("Bob", "open_a1", lambda: json.loads(vw.open_a1(json.dumps({
        "delivery": json.loads(delivery), "k": recv["k"], "m_issuer": hx(bank_m)}))),
        lambda o: f"v {int(o['opening']['v'], 16)}, cm " + ("as minted" if o["opening"]["cm"] == minted["cm"]
                                                           else "DIFFERS"))
    if opened["opening"]["cm"] != minted["cm"]:
        return 1
    check = road.step("Bob", "make_receipt_a1 (registry check)", lambda: json.loads(vw.make_receipt_a1(json.dumps({
        "minted": minted, "tree": tree, "k_recv": recv["k"], "M_rec": pt(bob_M), "M_iss": pt(bank_M),
        "issuer": hx(BANK_ADDR), "chainid": hx(CHAIN), "t_vd": hx(secret("bob.check.t_vd"))}))),
        lambda r: "issuer " + ("registered" if r["M_iss_member"] else "UNKNOWN") + ", Bob "
        + ("registered" if r["M_rec_member"] else "UNKNOWN"))
    if not (check["M_iss_member"] and check["M_rec_member"]):
        return 1

    # The note is spent: Bob builds the receipt and armours it.
    id_hash = int(minted["idHash"], 16)
    bank = {"addr": hx(BANK_ADDR), "identity": bank_cred["canonical"], "M": pt(bank_M),
            "pk": pt(vi.g1_mul(vi.G1, bank_sk)), "E": bank_cred["delivery"]}
    bob = {"addr": hx(0xB0B), "identity": bob_cred["canonical"], "M": pt(bob_M),
           "pk": pt(vi.g1_mul(vi.G1, bob_sk)), "E": bob_cred["delivery"], "sk": hx(bob_sk)}
    receipt = road.step("Bob", "build_receipt (note-a1)", lambda: vw.build_receipt(json.dumps({
        "kind": "note-a1", "role": "recipient", "chainid": CHAIN, "contracts": {"registry": hx(REGISTRY)},
        "payer": bank, "payee": bob,
        "txn": {"value": VALUE, "block_time": 1700000000, "txhash": "0x" + "ab" * 32, "block": 120, "logindex": 3,
                "mint_txhash": "0x" + "cd" * 32, "mint_block": 100},
        "nonces": {n: hx(secret("receipt." + n)) for n in ("t_vd", "t_note", "t_id")},
        "opening": minted["opening"], "cms": [hx(c) for c in cms], "nullifier": hx(vi.nullifier(rho, id_hash)),
        "face": hx(VALUE), "pk_recv": recv["pk_recv"], "k_recv": hx(k_recv), "eNote": minted["eNote"],
        "eRec": minted["eRec"], "issuer_sig": {"e": hx(sig[0]), "s": hx(sig[1]), "R": pt(sig[2])}})),
        lambda r: f"{len(r)} bytes of canonical JSON")
    canonical = receipt.encode()
    armoured = road.step("Bob", "envelope_text + receipt_id",
                         lambda: (vw.envelope_text(canonical), vw.receipt_id(canonical)),
                         lambda a: f"id {a[1]}, {a[0].count(chr(10)) + 1} lines")

    # Anyone holding the envelope checks it, without a secret and without the chain.
    verdict = road.step("anyone", "parse_envelope + verify_receipt",
                        lambda: json.loads(vw.verify_receipt(vw.parse_envelope(armoured[0]).decode())),
                        lambda v: f"{'ok' if v['ok'] else 'REFUSED'}: {v['reason']}")

    print(f"\nroad total {road.total:.2f} ms")
    if not verdict["ok"] or verdict["reason"] != "VALID":
        return 1
    if len(sys.argv) > 1:
        with open(sys.argv[1], "w") as f:
            f.write(armoured[0] + "\n")
        print(f"envelope written to {sys.argv[1]}")
    print("VALID")
    return 0


if __name__ == "__main__":
    sys.exit(main())

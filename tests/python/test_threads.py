"""The once-built tables (Poseidon's parameter sets, the generator H) under many threads.

A fresh interpreter imports vorn_wallet only, so neither table exists yet (importing
vorn_identity would build H for its H_PEDERSEN constant). Its threads leave a barrier
together into their first Poseidon hash and first use of H: minting an A2 note needs
both (the issuer binding is blinded with H; the identity hash and the commitment are
Poseidon hashes), checking a receiving binding needs Poseidon only. Every thread's
result must be the one this process computes. Each call holds the interpreter lock
from entry to return, so the race inside the kernel itself is exercised by the C++
test test_hash_threads.
"""
import json
import subprocess
import sys

import vorn_identity as vi
import vorn_wallet as vw

THREADS = 16
G = vi.G1


def hx(n):
    return "0x%064x" % n


def pt(p):
    return {"x": hx(p[0]), "y": hx(p[1])}


CHILD = r"""
import json, sys, threading
import vorn_wallet as vw
assert "vorn_identity" not in sys.modules
calls = json.loads(sys.argv[1])
n = int(sys.argv[2])
sys.setswitchinterval(1e-6)
barrier = threading.Barrier(n)
results = [None] * n

def work(i):
    name, text = calls[i % len(calls)]
    barrier.wait()
    try:
        results[i] = getattr(vw, name)(text)
    except Exception as exc:
        results[i] = repr(exc)

threads = [threading.Thread(target=work, args=(i,)) for i in range(n)]
for t in threads:
    t.start()
for t in threads:
    t.join()
import vorn_identity as vi
print(json.dumps({"results": results, "H": vi.H_PEDERSEN, "poseidon": vi.poseidon([1, 2])}))
"""


def mint_a2_args():
    sk_iss, m_iss, k_recv = 0x1CE5, 0x77, 0x4EC1
    e_reg = vi.elgamal_encrypt(vi.g1_mul(G, m_iss), vi.g1_mul(G, sk_iss), 0x99)
    nonces = {n: hx(i + 5) for i, n in enumerate(["r_prime", "r_note", "beta", "gamma", "k_r", "k_b", "k_s", "k_g"])}
    return json.dumps({"nonces": nonces, "sk_iss": hx(sk_iss),
                       "E_reg": {"R": pt(e_reg[0]), "C": pt(e_reg[1])}, "pk_recv": pt(vi.g1_mul(G, k_recv)),
                       "v": hx(1000), "rho": hx(0x5EED), "issuer": hx(0xA11CE), "chainid": hx(31337),
                       "predicate": hx(0)})


def binding_args():
    m_rec, pk_recv, salt = vi.g1_mul(G, 0xB0B), vi.g1_mul(G, 0x4EC1), 0x5A17
    leaf = vi.poseidon([vi.tree_tag("VeltriaVorn/Accumulator/Leaf/Mailbox/v2"), *m_rec, *pk_recv, salt])
    binding = json.loads(vw.prove_receiving_binding(json.dumps(
        {"M_rec": pt(m_rec), "pk_recv": pt(pk_recv), "salt": hx(salt), "leaves": [hx(7), hx(leaf)], "depth": 3})))
    return json.dumps({"M_rec": pt(m_rec), "binding": binding, "root": binding["path"]["root"]})


def test_first_poseidon_and_h_from_many_threads():
    calls = [("mint_unilateral_a2", mint_a2_args()), ("verify_receiving_binding", binding_args())]
    expected = [vw.mint_unilateral_a2(calls[0][1]), vw.verify_receiving_binding(calls[1][1])]
    assert expected[1] is True
    out = subprocess.run([sys.executable, "-c", CHILD, json.dumps(calls), str(THREADS)],
                         capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    child = json.loads(out.stdout)
    assert child["results"] == [expected[i % 2] for i in range(THREADS)]
    assert tuple(child["H"]) == vi.H_PEDERSEN
    assert child["poseidon"] == 7853200120776062878684798364095072458815029376092732009249414926327459813530

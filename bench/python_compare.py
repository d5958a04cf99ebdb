#!/usr/bin/env python3
"""The kernel against other libraries a Python caller might use instead.

Compares, per call and from Python: BN254 curve operations and the pairing check
against py_ecc (pure Python, `optimized_bn128`), and the 2-input Poseidon hash
against light-poseidon (Rust, PyPI `light-poseidon`). Each comparison first checks
that both give the same value. A library that is not installed is skipped.

Usage: python3 bench/python_compare.py
Prints a Markdown table: microseconds per call, the best of several timeit repeats.
Not a test; the machine's load moves the numbers.
"""
import importlib
import sys
import timeit

import vorn_identity as vi


def per_call_us(fn, budget=0.3, repeats=5):
    n, t = 1, 0.0
    while True:  # a loop that runs for about `budget` seconds
        t = timeit.timeit(fn, number=n)
        if t >= budget / 5 or n >= 1 << 20:
            break
        n *= 4
    n = max(1, int(n * budget / 5 / max(t, 1e-9)))
    return min(timeit.repeat(fn, number=n, repeat=repeats)) / n * 1e6


def optional(name):
    try:
        return importlib.import_module(name)
    except ImportError:
        print(f"({name} not installed: its rows are skipped)", file=sys.stderr)
        return None


K = 0x1F2E3D4C5B6A79880123456789ABCDEF0FEDCBA9876543210123456789ABCDE % vi.ORDER
P = vi.g1_mul(vi.G1, K)
Q = vi.g2_mul(vi.G2, K)
rows = []  # (operation, vorn us, other library, other us)


def compare(op, ours, other_name, theirs, same):
    if not same:
        raise SystemExit(f"{op}: {other_name} gives another value")
    rows.append((op, per_call_us(ours), other_name, per_call_us(theirs, budget=1.0, repeats=3)))


bn = optional("py_ecc.optimized_bn128")
if bn is not None:
    def to_ecc1(p):
        return (bn.FQ(p[0]), bn.FQ(p[1]), bn.FQ(1))

    def to_ecc2(q):
        return (bn.FQ2([q[0][0], q[0][1]]), bn.FQ2([q[1][0], q[1][1]]), bn.FQ2.one())

    def from_ecc1(p):
        x, y = bn.normalize(p)
        return (int(x), int(y))

    eP, eG, eQ, eG2 = to_ecc1(P), bn.G1, to_ecc2(Q), bn.G2
    compare("G1 add", lambda: vi.g1_add(P, vi.G1), "py_ecc", lambda: bn.add(eP, eG),
            vi.g1_add(P, vi.G1) == from_ecc1(bn.add(eP, eG)))
    compare("G1 mul", lambda: vi.g1_mul(P, K), "py_ecc", lambda: bn.multiply(eP, K),
            vi.g1_mul(P, K) == from_ecc1(bn.multiply(eP, K)))
    compare("G2 mul", lambda: vi.g2_mul(Q, K), "py_ecc", lambda: bn.multiply(eQ, K),
            bn.eq(to_ecc2(vi.g2_mul(Q, K)), bn.multiply(eQ, K)))
    pairs = [(P, vi.G2), (vi.g1_neg(vi.G1), Q)]  # e(kG, G2) * e(-G, kG2) == 1

    def ecc_pairing_check():
        f = bn.pairing(eG2, eP, final_exponentiate=False) * bn.pairing(eQ, bn.neg(eG), final_exponentiate=False)
        return bn.final_exponentiate(f) == bn.FQ12.one()

    compare("pairing check, 2 pairs", lambda: vi.pairing_check(pairs), "py_ecc", ecc_pairing_check,
            vi.pairing_check(pairs) and ecc_pairing_check())

lp = optional("light_poseidon_python")
if lp is not None:
    compare("Poseidon, 2 inputs", lambda: vi.poseidon([1, 2]), "light-poseidon", lambda: lp.poseidon_hash([1, 2]),
            int(lp.poseidon_hash([1, 2]), 16) == vi.poseidon([1, 2]))
    hasher = lp.Hasher(2)  # its parameters built once
    compare("Poseidon, 2 inputs", lambda: vi.poseidon([1, 2]), "light-poseidon (Hasher kept)",
            lambda: hasher.hash([1, 2]), int(hasher.hash([1, 2]), 16) == vi.poseidon([1, 2]))

print("| operation | vorn (us) | other | other (us) | other / vorn |")
print("|---|---:|---|---:|---:|")
for op, ours, name, theirs in rows:
    print(f"| {op} | {ours:,.1f} | {name} | {theirs:,.1f} | {theirs / ours:,.1f}x |")

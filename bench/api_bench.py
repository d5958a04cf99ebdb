#!/usr/bin/env python3
"""Per-call timings of the exported functions, as a Python caller sees them.

Usage: python3 bench/api_bench.py [filter]   (filter: substring of the row names)

Each row is timed with timeit: the best of several repeats of a loop sized to run
for about 0.2 s, reported in microseconds per call. Rows are grouped by module area;
each area appends its rows to ROWS below.
"""
import sys
import timeit

import vorn_identity as vi

ROWS = []  # (name, callable)


def row(name):
    def deco(fn):
        ROWS.append((name, fn))
        return fn
    return deco


# ---- curve primitives ------------------------------------------------------

R = vi.ORDER
K = 0x1F2E3D4C5B6A79880123456789ABCDEF0FEDCBA9876543210123456789ABCDE % R
P = vi.g1_mul(vi.G1, K)
Q2 = vi.g2_mul(vi.G2, K)
NEG_G1 = vi.g1_neg(vi.G1)

row("g1_add")(lambda: vi.g1_add(P, vi.G1))
row("g1_mul (variable point)")(lambda: vi.g1_mul(P, K))
row("g1_mul (generator)")(lambda: vi.g1_mul(vi.G1, K))
row("g1_neg")(lambda: vi.g1_neg(P))
row("g2_add (2 decodes + subgroup tests)")(lambda: vi.g2_add(Q2, vi.G2))
row("g2_mul")(lambda: vi.g2_mul(Q2, K))
row("reduce_mod_order")(lambda: vi.reduce_mod_order(2**256 - 1))
for n in (1, 2, 3, 4):
    pairs = [(P, vi.G2), (NEG_G1, Q2)] * 2
    row(f"pairing_check {n} pair{'s' if n > 1 else ''}")(lambda pairs=pairs[:n]: vi.pairing_check(pairs))


# ---- notes, leaves, salts, scope keys --------------------------------------

import vorn_registry as vr  # noqa: E402

# Points are hashed as their words, never decoded, so any coordinates do.
M_PT = (K, K // 3)
E_NOTE = (M_PT, (K // 5, K // 7))
row("note_commitment")(lambda: vi.note_commitment(1, 1000, K, 12345, 0))
row("nullifier")(lambda: vi.nullifier(K, 12345))
row("id_hash_a1")(lambda: vi.id_hash_a1(E_NOTE, K))
row("id_hash_a2")(lambda: vi.id_hash_a2(E_NOTE, E_NOTE, M_PT))
row("id_hash_b1")(lambda: vi.id_hash_b1(K))
row("identity_leaf")(lambda: vi.identity_leaf(M_PT))
row("identity_leaf_salted")(lambda: vi.identity_leaf_salted(M_PT, K))
row("receiving_leaf")(lambda: vi.receiving_leaf(K, K, K))
row("tree_tag")(lambda: vi.tree_tag("registry/alpha"))
row("derive_salt")(lambda: vi.derive_salt(K, "registry/alpha"))
row("scope_id")(lambda: vr.scope_id("registry/alpha"))


# ---- later areas append their rows here ------------------------------------


def main():
    flt = sys.argv[1] if len(sys.argv) > 1 else ""
    print(f"{'function':<48} {'us/call':>10}")
    for name, fn in ROWS:
        if flt not in name:
            continue
        t = timeit.Timer(fn)
        n, _ = t.autorange()
        n = max(1, n)
        best = min(t.repeat(repeat=5, number=n)) / n
        print(f"{name:<48} {best * 1e6:10.1f}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The road of one note receipt through the vorn kernel.

This first version walks the curve layer that every later step stands on: a key pair,
an ElGamal-style blinding, and a pairing check of the kind the registry verifiers run.
Each step prints what it made and how long it took; any failure exits non-zero.
"""
import sys
import time

import vorn_identity as vi


def step(title, fn):
    t0 = time.perf_counter()
    try:
        out = fn()
    except Exception as exc:  # report and stop: the road is broken here
        print(f"  FAILED  {title}: {type(exc).__name__}: {exc}")
        sys.exit(1)
    dt = (time.perf_counter() - t0) * 1e6
    print(f"  ok      {title:<44} {dt:9.1f} us")
    return out


def main():
    print("vorn kernel: curve layer")
    sk = 0x2B7E151628AED2A6ABF7158809CF4F3C % vi.ORDER
    pk = step("public key pk = sk*G", lambda: vi.g1_mul(vi.G1, sk))
    print(f"          pk.x = {pk[0]:#066x}")
    pk2 = step("issuer key Y = sk*G2", lambda: vi.g2_mul(vi.G2, sk))
    ok = step("pairing check e(pk, G2) = e(G, Y)",
              lambda: vi.pairing_check([(pk, vi.G2), (vi.g1_neg(vi.G1), pk2)]))
    if ok is not True:
        print("  FAILED  the pairing check answered False")
        return 1
    print("VALID")
    return 0


if __name__ == "__main__":
    sys.exit(main())

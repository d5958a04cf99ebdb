#!/usr/bin/env python3
"""Writes the committed seed corpora of the wallet fuzz targets from the test fixtures.

Runs the Python wallet tests with every vorn_wallet function wrapped so that each call
is recorded (its argument text and whether it returned), then keeps a few accepted and
a few refused inputs per function, spread over the whole run:

    PYTHONPATH=build/<dir> python3 fuzz/make_seeds.py

Each target's directory under fuzz/corpus/ is replaced; file names are the SHA-1 of
the contents, as libFuzzer names its own. The certificate corpus is not touched.
"""
import hashlib
import pathlib
import shutil
import sys

import pytest

import vorn_wallet

HERE = pathlib.Path(__file__).resolve().parent
TESTS = HERE.parent / "tests" / "python"

# fuzz_wallet.cpp picks its function by the first byte, in this order.
WALLET = ["canonical_identity_data", "build_receipt", "mint_unilateral_a2", "receiving_key", "wrap_mask",
          "deliver_a1", "deliver_a2", "open_a1", "open_a2", "prove_receiving_binding", "verify_receiving_binding",
          "deposit_fold_a1_witness", "deposit_fold_a2_witness", "make_receipt_a2", "verify_receipt_a2",
          "mint_unilateral_a1", "make_receipt_a1", "verify_receipt_a1", "issue_credential"]
# fuzz_delivery.cpp, likewise.
DELIVERY = ["open_a1", "open_a2", "verify_receiving_binding", "prove_receiving_binding"]

calls = {}  # function name -> list of (input bytes, returned)


def record(name, fn):
    def wrapper(*args, **kwargs):
        first = args[0] if args else next(iter(kwargs.values()), None)
        data = first.encode() if isinstance(first, str) else first
        try:
            out = fn(*args, **kwargs)
        except BaseException:
            if isinstance(data, bytes):
                calls.setdefault(name, []).append((data, False))
            raise
        if isinstance(data, bytes):
            calls.setdefault(name, []).append((data, True))
        if name == "build_receipt":  # canonical receipts feed the canonical and envelope targets
            calls.setdefault("<receipt>", []).append((out.encode(), True))
        return out
    return wrapper


def spread(items, n):
    """Up to n distinct items, evenly spaced over the list."""
    seen, uniq = set(), []
    for it in items:
        if it not in seen:
            seen.add(it)
            uniq.append(it)
    if len(uniq) <= n:
        return uniq
    return [uniq[i * len(uniq) // n] for i in range(n)]


def pick(name, accepted, refused):
    got = calls.get(name, [])
    return spread([d for d, ok in got if ok], accepted) + spread([d for d, ok in got if not ok], refused)


def write(target, seeds):
    d = HERE / "corpus" / target
    shutil.rmtree(d, ignore_errors=True)
    d.mkdir(parents=True)
    for s in seeds:
        (d / hashlib.sha1(s).hexdigest()).write_bytes(s)
    print(f"{target}: {len(set(seeds))} seeds")


def main():
    for name in dir(vorn_wallet):
        fn = getattr(vorn_wallet, name)
        if callable(fn) and not name.startswith("_"):
            setattr(vorn_wallet, name, record(name, fn))
    files = sorted(str(p) for p in TESTS.glob("test_wallet_*.py"))
    # Tests that inspect the functions themselves fail on the wrappers; the calls of
    # every other test are what is recorded.
    pytest.main(["-q", "-p", "no:cacheprovider", *files])

    wallet = []
    for i, name in enumerate(WALLET):
        extra = 4 if name == "build_receipt" else 0
        wallet += [bytes([i]) + d for d in pick(name, 1 + extra, 1)]
    write("wallet", wallet)
    write("canonical", pick("canonical_json", 10, 8) + pick("canonical_identity_data", 3, 3) + pick("<receipt>", 6, 0))
    write("envelope", pick("parse_envelope", 8, 8) + [vorn_wallet.envelope_text(r).encode()
                                                      for r in pick("<receipt>", 3, 0)])
    write("receipt", pick("verify_receipt", 16, 16))
    write("delivery", [bytes([i]) + d for i, name in enumerate(DELIVERY) for d in pick(name, 3, 3)])


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Registry scale: tree-backed wallet calls over large registries, from Python.

Usage: python3 bench/scale_bench.py [log2 leaf counts, default 16 20] [--repeat N] [--only SUBSTRING]

For each size a registry of that many leaves (random leaves plus the two parties of
the receipt, depth 20) is built and the true root computed once. Each row is the
median of N runs (default 5) in seconds; beside it the same time per leaf in units of
one Python-level poseidon([a, b]) call, measured in the same run. "peak MB" is the
memory the call adds at its peak (in a fresh process holding the text: the resident
high-water mark, reset just before the call, minus the resident size before it). JSON rows read the same text
with CPython's json.loads and with the kernel's canonical_json.
"""
import argparse
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import api_bench as ab  # noqa: E402  (the receipt fixtures)

vi, vw = ab.vi, ab.vw


def median_time(fn, repeat):
    ts = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        fn()
        ts.append(time.perf_counter() - t0)
    return statistics.median(ts)


def _status_kb(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


_CHILD = """
import json, sys, vorn_wallet as vw
def kb(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
fn = sys.argv[1]
with open(sys.argv[2], encoding="utf-8") as f:
    text = f.read()
call = json.loads if fn == "json.loads" else getattr(vw, fn)
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")
before = kb("VmRSS")
call(text)
print((kb("VmHWM") - before) / 1024)
"""


def added_peak_mb(fn_name, text):
    """Peak resident memory one call adds, in MB: measured in a fresh process that
    holds the text (so memory freed earlier cannot hide it); Linux only."""
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False, encoding="utf-8") as f:
        f.write(text)
        path = f.name
    try:
        out = subprocess.run([sys.executable, "-c", _CHILD, fn_name, path], capture_output=True, text=True,
                             check=True)
        return float(out.stdout.strip())
    finally:
        os.unlink(path)


def poseidon_call_s(repeat):
    a, b = ab.K // 3, ab.K // 5
    n = 20000

    def loop():
        for _ in range(n):
            vi.poseidon([a, b])
    return median_time(loop, repeat) / n


def main():
    ap = argparse.ArgumentParser(description="Registry scale rows")
    ap.add_argument("sizes", nargs="*", type=int, default=[16, 20], help="log2 of the leaf counts")
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--only", default=None, help="run only the rows whose name contains this")
    opts = ap.parse_args()
    sizes, repeat, only = opts.sizes, opts.repeat, opts.only
    rng = random.Random(14)
    print(f"{'row':<52} {'seconds':>9} {'per leaf / poseidon call':>25} {'peak MB':>9} {'text MB':>8}")
    for k in sizes:
        n = 1 << k
        leaves = [ab._hx(rng.randrange(ab.R)) for _ in range(n - 2)] + ab.FL_MEMBERS
        tree = {"depth": 20, "leaves": leaves}
        t0 = time.perf_counter()
        root = ab._hx(ab._fl_root([int(x, 16) for x in leaves], 20))
        root_py = time.perf_counter() - t0
        common = {"tree": tree, "k_recv": ab._hx(ab.D_K), "M_rec": ab._pt(ab.RC_PAY_M), "issuer": ab._hx(0xA11CE),
                  "chainid": ab._hx(ab.RC_CHAIN), "t_vd": ab._hx(ab.K // 223)}
        make1 = json.dumps(dict(common, minted=ab.FL_MINTED_A1, M_iss=ab._pt(ab.RC_ISS_M)))
        receipt = json.loads(vw.make_receipt_a1(make1))
        ver1 = json.dumps({"receipt": receipt, "tree": tree, "identity_root": root})
        assert json.loads(vw.verify_receipt_a1(ver1))["valid"]
        make2 = json.dumps(dict(common, minted=ab.FL_MINTED_A2))
        ver2 = json.dumps({"receipt": json.loads(vw.make_receipt_a2(make2)), "tree": tree, "pk_iss": ab._pt(ab.RC_ISS_PK),
                           "E_reg": ab.RC_ISS["E"], "identity_root": root})
        assert json.loads(vw.verify_receipt_a2(ver2))["valid"]
        mb_args = {"M_rec": ab._pt(ab.MB_M), "pk_recv": ab._pt(ab.D_PK), "salt": ab._hx(ab.MB_SALT), "depth": 20,
                   "leaves": leaves[:-1] + [ab._hx(ab.MB_LEAF)]}
        prove = json.dumps(mb_args)
        mb_root = json.loads(vw.prove_receiving_binding(prove))["path"]["root"]
        prove_agg = json.dumps(dict(mb_args, aggregator={"leaves": [ab._hx(1), ab._hx(2), mb_root], "depth": 12,
                                                         "slot": 2}))
        rows = [
            (f"root in Python (poseidon per node), 2^{k}", None, None, root_py),
            (f"make_receipt_a1 2^{k}", "make_receipt_a1", make1, None),
            (f"make_receipt_a2 2^{k}", "make_receipt_a2", make2, None),
            (f"verify_receipt_a1 VALID 2^{k}", "verify_receipt_a1", ver1, None),
            (f"verify_receipt_a2 VALID 2^{k}", "verify_receipt_a2", ver2, None),
            (f"prove_receiving_binding 2^{k}", "prove_receiving_binding", prove, None),
            (f"prove_receiving_binding + aggregator 2^{k}", "prove_receiving_binding", prove_agg, None),
            (f"json.loads of that text (CPython), 2^{k}", "json.loads", ver1, None),
            (f"canonical_json of that text (kernel), 2^{k}", "canonical_json", ver1, None),
        ]
        # The machine is shared: the unit is measured again beside each size's rows.
        p_call = poseidon_call_s(repeat)
        print(f"one poseidon([a, b]) call from Python: {p_call * 1e6:.2f} us (median of {repeat})")
        for name, fn_name, text, fixed in rows:
            if only and only not in name:
                continue
            if fn_name is None:
                print(f"{name:<52} {fixed:9.3f}")
                continue
            fn = json.loads if fn_name == "json.loads" else getattr(vw, fn_name)
            s = median_time(lambda: fn(text), repeat)
            peak = added_peak_mb(fn_name, text)
            print(f"{name:<52} {s:9.3f} {s / n / p_call:25.3f} {peak:9.1f} {len(text) / 1e6:8.1f}")


if __name__ == "__main__":
    main()

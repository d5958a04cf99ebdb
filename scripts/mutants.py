#!/usr/bin/env python3
"""Mutation run: applies each fault of scripts/mutants.txt alone to a scratch copy of
the tree, rebuilds incrementally, runs the fast tests that should notice it, restores
the line, and reports which faults survive. Not part of CI; see scripts/mutants.sh.

The working files are never touched: the tree is copied (by content) into
build/mutants/src, built in build/mutants/build (one persistent Ninja directory, so a
rerun recompiles only what changed, and ccache serves every restored file), and each
fault is undone before the next one is applied. The original text of a mutated file
is journalled in build/mutants/pending.json before the fault is written, so an
interrupted run (Ctrl-C, a kill, a crash) is repaired by the next one.

List file format: one block per fault,

    [layer.name]
    file = path relative to the tree
    old = an exact fragment of one line, occurring once in the file
    nth = optional: which occurrence (1, 2, ...) when the fragment occurs several times
    new = its replacement (may be empty)
    tests = optional test selection: "layer" (the layer's default), "cpp:<glob>,..."
            (C++ test programs), "py:<file>,..." (pytest files of tests/python)
    equivalent = optional: why no test can tell the fault from the original

Lines starting with '#' are comments. A fault that does not compile counts as killed
and is reported separately; so is one whose fragment is not found (not run).
"""
import argparse
import base64
import fnmatch
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
WORK = ROOT / "build" / "mutants"
SRC = WORK / "src"
BLD = WORK / "build"
LOGS = WORK / "logs"
JOURNAL = WORK / "pending.json"
PY_TARGETS = ["pymod_identity", "pymod_registry", "pymod_wallet", "vorn_pypackage"]

# The fast tests of each layer: C++ programs (globs over tests/cpp/test_*.cpp) and the
# Python test files that exercise it.
LAYER_TESTS = {
    "core": (["test_core"], ["test_curve.py", "test_wallet_delivery.py"]),
    "bn254": (["test_bn254_*"], ["test_curve.py"]),
    "hash": (["test_hash_*"], ["test_hash.py", "test_notes.py"]),
    "crypto": (["test_crypto_*"], ["test_crypto.py", "test_soundness.py"]),
    "notes": (["test_notes_*"], ["test_notes.py"]),
    "registry": (["test_registry_*"], ["test_registry_certificate.py", "test_registry_issuance.py",
                                       "test_small_ints.py"]),
    "wallet": (["test_wallet_*"], ["test_wallet_receipts.py", "test_soundness.py", "test_golden_receipts.py",
                                   "test_wallet_flows.py", "test_wallet_delivery.py", "test_wallet_canonical.py",
                                   "test_wallet_witness.py"]),
    "frame": ([], ["test_frame.py", "test_small_ints.py", "test_curve.py", "test_crypto.py", "test_hash.py",
                   "test_notes.py", "test_registry_issuance.py", "test_wallet_canonical.py"]),
}
TEST_TIMEOUT = 300  # seconds per test program or pytest run; a hang counts as killed


class Fault:
    def __init__(self, name, lineno):
        self.name, self.lineno = name, lineno
        self.file = self.old = None
        self.new = ""
        self.nth = None
        self.tests = None
        self.equivalent = None

    @property
    def layer(self):
        parts = Path(self.file).parts
        if parts[0] == "python":
            return "frame"
        return parts[2] if len(parts) > 2 and parts[:2] == ("src", "vorn") else "wallet"


def parse_list(path):
    faults, cur = [], None
    for n, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if line.startswith("[") and line.rstrip().endswith("]"):
            cur = Fault(line.strip()[1:-1], n)
            faults.append(cur)
            continue
        key, sep, value = line.partition("=")
        key = key.strip()
        if not sep or cur is None or key not in ("file", "old", "nth", "new", "tests", "equivalent"):
            sys.exit(f"{path}:{n}: cannot read this line")
        setattr(cur, key, value.strip())
    for f in faults:
        if not f.file or not f.old:
            sys.exit(f"{path}:{f.lineno}: fault {f.name} needs file and old")
    names = [f.name for f in faults]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: fault names must be unique")
    return faults


def cpp_tests_available():
    return sorted(p.stem for p in (SRC / "tests" / "cpp").glob("test_*.cpp"))


def selection(f, available):
    """(C++ test programs, pytest files) for a fault."""
    cpp_globs, py = [], []
    for token in (f.tests or "layer").split():
        if token == "layer":
            g, p = LAYER_TESTS[f.layer]
            cpp_globs += g
            py += p
        elif token.startswith("cpp:"):
            cpp_globs += [t for t in token[4:].split(",") if t]
        elif token.startswith("py:"):
            py += [t for t in token[3:].split(",") if t]
        else:
            sys.exit(f"fault {f.name}: unknown test token {token!r}")
    cpp = [t for t in available if any(fnmatch.fnmatch(t, g) for g in cpp_globs)]
    return cpp, list(dict.fromkeys(py))


def sync_tree():
    """Copies the tree's files (tracked and untracked, not ignored) into SRC by content:
    a file is rewritten only when its bytes differ, so unchanged files keep their
    times and the build stays incremental."""
    out = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-co", "--exclude-standard", "-z"], check=True,
                         capture_output=True).stdout
    files = {p for p in out.decode().split("\0") if p and (ROOT / p).is_file()}
    SRC.mkdir(parents=True, exist_ok=True)
    for rel in files:
        src, dst = ROOT / rel, SRC / rel
        data = src.read_bytes()
        if dst.is_file() and dst.read_bytes() == data:
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(data)
        shutil.copymode(src, dst)
    for dst in SRC.rglob("*"):
        if dst.is_file() and "__pycache__" not in dst.parts and str(dst.relative_to(SRC)) not in files:
            dst.unlink()


def restore_pending():
    if JOURNAL.exists():
        j = json.loads(JOURNAL.read_text())
        (SRC / j["file"]).write_bytes(base64.b64decode(j["content"]))
        JOURNAL.unlink()
        print(f"restored {j['file']} (left mutated by an interrupted run)")


def locate(f, text):
    """The offset of the fault's fragment in text, or the reason it cannot be placed."""
    count = text.count(f.old)
    if count == 0:
        return None, "fragment not found"
    if f.nth is None:
        return (text.find(f.old), None) if count == 1 else (None, f"fragment occurs {count} times")
    nth = int(f.nth)
    if not 1 <= nth <= count:
        return None, f"fragment occurs {count} times, not {nth}"
    at = -1
    for _ in range(nth):
        at = text.find(f.old, at + 1)
    return at, None


def apply(f):
    """Writes the fault; returns the original bytes, or a reason it cannot be applied."""
    path = SRC / f.file
    if not path.is_file():
        return None, "file not found"
    original = path.read_bytes()
    text = original.decode()
    at, why = locate(f, text)
    if why:
        return None, why
    JOURNAL.write_text(json.dumps({"file": f.file, "content": base64.b64encode(original).decode()}))
    path.write_text(text[:at] + f.new + text[at + len(f.old):])
    return original, None


def restore(f, original):
    (SRC / f.file).write_bytes(original)  # a new time: the next build recompiles it (a cache hit)
    JOURNAL.unlink()


def run(cmd, log, timeout=None, cwd=None, env=None):
    """Runs cmd in its own process group, so that a timeout or an interrupt ends it
    with every compiler or test process it started."""
    with open(log, "ab") as out:
        out.write(("$ " + " ".join(map(str, cmd)) + "\n").encode())
        out.flush()
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, cwd=cwd, env=env, start_new_session=True)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            out.write(b"\n*** timeout\n")
            return "timeout"
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


class Runner:
    def __init__(self, nice, jobs):
        self.nice = ["nice", "-n", str(nice)] if nice else []
        self.jobs = jobs
        self.env = dict(os.environ, PYTHONPATH=str(BLD), PYTHONDONTWRITEBYTECODE="1")

    def configure(self, log):
        if (BLD / "build.ninja").exists():
            return 0
        return run(self.nice + ["cmake", "-S", str(SRC), "-B", str(BLD), "-G", "Ninja", "-DVORN_TESTS=ON",
                                "-DVORN_PYTHON=ON", "-DCMAKE_BUILD_TYPE=Release"], log)

    def build(self, targets, log):
        return run(self.nice + ["ninja", "-C", str(BLD), "-j", str(self.jobs)] + list(targets), log)

    def tests(self, cpp, py, log):
        """The first failing test (its name), or None when all pass."""
        for t in cpp:
            rc = run(self.nice + [str(BLD / t), "--gtest_brief=1"], log, TEST_TIMEOUT)
            if rc != 0:
                return t + how(rc)
        if py:
            files = [f"tests/python/{p}" for p in py]
            rc = run(self.nice + [sys.executable, "-m", "pytest", "-x", "-q", "-p", "no:cacheprovider"] + files, log,
                     TEST_TIMEOUT, cwd=SRC, env=self.env)
            if rc != 0:
                return failing_py(log) + how(rc)
        return None


def how(rc):
    """How a failing test program ended, when it did not simply fail."""
    if rc == "timeout":
        return " (timeout)"
    if rc < 0:
        return f" (crashed: {signal.Signals(-rc).name})"
    return ""


def failing_py(log):
    """The failing pytest id from the log (the last FAILED/ERROR line)."""
    name = "pytest"
    for line in Path(log).read_text(errors="replace").splitlines():
        if line.startswith(("FAILED ", "ERROR ")):
            name = line.split()[1].split(" - ")[0].replace("tests/python/", "")
        elif "/tests/python/test_" in line and line.lstrip().startswith("File "):  # faulthandler's trace
            name = line.split("/tests/python/")[1].split('"')[0] + "::" + line.rsplit(" in ", 1)[-1]
    return name


def interrupt(signum, frame):
    raise KeyboardInterrupt


def targets_for(cpp, py):
    return list(cpp) + (PY_TARGETS if py else [])


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--list-file", default=str(ROOT / "scripts" / "mutants.txt"))
    ap.add_argument("--only", action="append", default=[], help="run only faults whose name matches this glob")
    ap.add_argument("--jobs", type=int, default=int(os.environ.get("MUTANTS_JOBS", "1")))
    ap.add_argument("--nice", type=int, default=int(os.environ.get("MUTANTS_NICE", "10")))
    ap.add_argument("--list", action="store_true", help="print the faults and their tests, run nothing")
    args = ap.parse_args()

    faults = parse_list(Path(args.list_file))
    if args.only:
        faults = [f for f in faults if any(fnmatch.fnmatch(f.name, p) for p in args.only)]
    # Ctrl-C, SIGTERM and SIGHUP end the run through the same restore (SIGINT is set
    # explicitly: a shell starts background jobs with it ignored).
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, interrupt)

    WORK.mkdir(parents=True, exist_ok=True)
    restore_pending()
    sync_tree()
    available = cpp_tests_available()
    plan = [(f, *selection(f, available)) for f in faults]
    if args.list:
        bad = 0
        for f, cpp, py in plan:
            path = SRC / f.file
            why = locate(f, path.read_text())[1] if path.is_file() else "file not found"
            state = f"  *** {why}" if why else ""
            bad += why is not None
            print(f"{f.name:40} {f.file}{state}\n{'':40} cpp: {' '.join(cpp) or '-'}\n"
                  f"{'':40} py:  {' '.join(py) or '-'}")
        print(f"{len(plan)} faults, {bad} not applicable")
        return 1 if bad else 0

    shutil.rmtree(LOGS, ignore_errors=True)
    LOGS.mkdir(parents=True)
    r = Runner(args.nice, args.jobs)
    t0 = time.time()
    setup_log = LOGS / "_setup.log"
    all_cpp = sorted({t for _, cpp, _ in plan for t in cpp})
    all_py = list(dict.fromkeys(p for _, _, py in plan for p in py))
    if r.configure(setup_log) != 0 or r.build(targets_for(all_cpp, all_py), setup_log) != 0:
        print(f"the unmutated tree does not build; see {setup_log}")
        return 2
    failed = r.tests(all_cpp, all_py, setup_log)
    if failed:
        print(f"the unmutated tree fails {failed}; see {setup_log}")
        return 2
    setup = time.time() - t0
    print(f"baseline built and passing in {setup:.0f} s; {len(plan)} faults\n")

    results = []  # (fault, outcome, detail, seconds)
    try:
        for i, (f, cpp, py) in enumerate(plan, 1):
            log = LOGS / f"{f.name}.log"
            start = time.time()
            original, why = apply(f)
            if original is None:
                outcome, detail = "not applied", why
            else:
                try:
                    if r.build(targets_for(cpp, py), log) != 0:
                        outcome, detail = "killed (compile)", "does not build"
                    else:
                        failed = r.tests(cpp, py, log)
                        outcome, detail = ("killed", failed) if failed else ("survived", "")
                finally:
                    restore(f, original)
            secs = time.time() - start
            if outcome == "survived" and f.equivalent:
                outcome, detail = "equivalent", f.equivalent
            elif outcome.startswith("killed") and f.equivalent:
                detail += " (listed as equivalent, but a test sees it)"
            results.append((f, outcome, detail, secs))
            print(f"[{i:3}/{len(plan)}] {f.name:40} {outcome:16} {detail}  ({secs:.0f} s)", flush=True)
    except KeyboardInterrupt:
        print("\ninterrupted; the mutated file has been restored")
    finally:
        if JOURNAL.exists():
            restore_pending()
    # Every restored file is newer than its objects, so the next build recompiles it
    # (from the cache): the build directory needs no repair here.
    total = time.time() - t0

    def names(outcome):
        return [(f, d) for f, o, d, _ in results if o == outcome]

    killed, compile_killed = names("killed"), names("killed (compile)")
    survived, equivalent, skipped = names("survived"), names("equivalent"), names("not applied")
    print(f"\n{len(results)} faults run: {len(killed)} killed by a test, {len(compile_killed)} killed by the "
          f"compiler, {len(survived)} survived, {len(equivalent)} equivalent, {len(skipped)} not applied")
    for title, group in (("compile", compile_killed), ("SURVIVED", survived), ("equivalent", equivalent),
                         ("not applied", skipped)):
        for f, d in group:
            print(f"  {title:12} {f.name}: {f.file}" + (f" -- {d}" if d else ""))
    wrongly_equivalent = [f.name for f, o, d, _ in results if o.startswith("killed") and f.equivalent]
    for n in wrongly_equivalent:
        print(f"  note         {n} is listed as equivalent but was killed")
    print(f"time: {total / 60:.1f} min ({setup:.0f} s setup); logs in {LOGS}")
    return 1 if survived or skipped else 0


if __name__ == "__main__":
    sys.exit(main())

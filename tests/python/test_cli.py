"""The vorn command, run as a subprocess (python -m vorn) on receipt and certificate
files: the receipts of test_wallet_receipts, tampered ones, and garbage.

Every run must end with its documented exit status and never with a traceback.
"""
import json
import os
import pathlib
import subprocess
import sys

import pytest

import vorn_registry as vr
import vorn_wallet as vw
from test_wallet_receipts import bump, receipt, setk

CHAIN = 31337


def vorn(*args, stdin=None, command=(sys.executable, "-m", "vorn")):
    proc = subprocess.run([*command, *map(str, args)], input=stdin, capture_output=True, timeout=120,
                          env=dict(os.environ))
    out, err = proc.stdout.decode(), proc.stderr.decode()
    assert "Traceback" not in out + err, err
    return proc.returncode, out, err


def canonical(obj):
    return vw.canonical_json(json.dumps(obj))


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    d = tmp_path_factory.mktemp("receipts")
    out = {}

    def put(name, data):
        path = d / name
        path.write_bytes(data.encode() if isinstance(data, str) else data)
        out[name] = path
        return path

    for kind in ("note-a1", "note-a2", "note-b1", "eoa-pub", "eoa-priv"):
        put(f"{kind}.json", canonical(receipt(kind)))
    a1 = canonical(receipt("note-a1"))
    put("note-a1.rcpt", vw.envelope_text(a1.encode()))
    put("mail.txt", "Dear auditor,\nthe receipt:\n\n" + vw.envelope_text(a1.encode()) + "\n\nRegards\n")
    put("pretty.json", json.dumps(json.loads(a1), indent=4))
    put("qualified.json", canonical(receipt("note-a2", binding=False)))
    tampered = receipt("note-a1")
    bump(["proof", "nullifier"])(tampered)
    put("tampered.json", canonical(tampered))
    wrong_chain = receipt("eoa-pub")
    setk(["payee_vd", "chainid"], CHAIN + 1)(wrong_chain)
    put("tampered.rcpt", vw.envelope_text(canonical(wrong_chain).encode()))
    # Garbage.
    put("empty.json", "")
    put("binary.bin", bytes(range(256)))
    put("array.json", "[]")
    put("broken.json", '{"type": ')
    put("cut.rcpt", vw.envelope_text(a1.encode())[:200])
    put("deep.json", '{"type":' * 100000 + "1" + "}" * 100000)
    out["dir"] = d
    out["missing"] = d / "no-such-file"
    return out


def test_verify_valid_receipts(files):
    names = ["note-a1.json", "note-a2.json", "note-b1.json", "eoa-pub.json", "eoa-priv.json", "note-a1.rcpt",
             "mail.txt"]
    rc, out, _ = vorn("receipt", "verify", *(files[n] for n in names))
    assert rc == 0
    for n in names:
        assert f"{files[n]}: VALID\n" in out
    a1_id = vw.receipt_id(files["note-a1.json"].read_bytes())
    assert out.count(f"receipt id  {a1_id}\n") == 3  # the JSON, its envelope, the envelope in a mail
    assert "7 valid, 0 not valid, 0 unreadable of 7 files" in out


@pytest.mark.parametrize("name,status,reason", [
    ("tampered.json", "INVALID", "note-a1: nullifier mismatch"),
    ("tampered.rcpt", "INVALID", "payee self-naming: chainid mismatch"),
    ("qualified.json", "PASSED WITH QUALIFIERS", "UNVERIFIED ISSUER"),
])
def test_verify_not_valid_exits_1(files, name, status, reason):
    rc, out, _ = vorn("receipt", "verify", files["note-a1.json"], files[name])
    assert rc == 1
    assert f"{files[name]}: {status}\n  reason      {reason}\n" in out
    assert f"{files['note-a1.json']}: VALID" in out


@pytest.mark.parametrize("name,message", [
    ("empty.json", "not a receipt: the file is empty"),
    ("binary.bin", "not a receipt: the file is not UTF-8 text"),
    ("array.json", "not a receipt: receipt core must be a JSON object"),
    ("broken.json", "not a receipt: receipt core is not valid JSON"),
    ("cut.rcpt", "bad envelope: "),
    ("deep.json", "not a receipt: "),
    ("dir", "Is a directory"),
    ("missing", "No such file or directory"),
])
def test_verify_unreadable_exits_2(files, name, message):
    rc, out, _ = vorn("receipt", "verify", files["tampered.json"], files[name])
    assert rc == 2  # worse than the invalid receipt beside it
    assert f"{files[name]}: UNREADABLE: {message}" in out


SCRIPT = pathlib.Path(sys.executable).parent / "vorn"


@pytest.mark.skipif(not SCRIPT.exists(), reason="no console script beside this interpreter (not installed)")
def test_console_script_is_the_same_command(files):
    args = ("receipt", "verify", files["note-a1.rcpt"], files["tampered.json"])
    assert vorn(*args, command=(str(SCRIPT),)) == vorn(*args)


def test_verify_json_lines(files):
    names = ["note-a1.rcpt", "tampered.json", "empty.json", "pretty.json"]
    rc, out, _ = vorn("receipt", "verify", "--json", *(files[n] for n in names))
    assert rc == 2
    records = [json.loads(line) for line in out.splitlines()]
    assert [r["file"] for r in records] == [str(files[n]) for n in names]
    a1 = files["note-a1.json"].read_text()
    verdict = json.loads(vw.verify_receipt(a1))
    assert records[0] == {"file": str(files["note-a1.rcpt"]), "receipt_id": vw.receipt_id(a1.encode()),
                          "canonical": True, "type": "note-a1", "role": "recipient", **verdict}
    assert records[1]["ok"] is False and records[1]["reason"] == "note-a1: nullifier mismatch"
    assert records[2] == {"file": str(files["empty.json"]), "error": "not a receipt: the file is empty"}
    # A pretty-printed receipt verifies; its id is that of its canonical form.
    assert records[3]["canonical"] is False and records[3]["receipt_id"] == records[0]["receipt_id"]
    assert records[3]["ok"] is True


def test_verify_shows_progress_for_many_files(files):
    rc, _, err = vorn("receipt", "verify", *[files["eoa-pub.json"]] * 12)
    assert rc == 0
    assert err.splitlines()[-1] == "verified 12/12"
    rc, _, err = vorn("receipt", "verify", files["eoa-pub.json"])
    assert err == ""


def test_receipt_id_is_of_the_canonical_form(files):
    canon = files["note-a1.json"].read_bytes()
    for name, note in [("note-a1.json", False), ("note-a1.rcpt", False), ("pretty.json", True)]:
        rc, out, err = vorn("receipt", "id", files[name])
        assert (rc, out) == (0, vw.receipt_id(canon) + "\n")
        assert ("not in canonical form" in err) == note
    rc, out, _ = vorn("receipt", "id", "--prefix-len", 20, "-", stdin=canon)
    assert (rc, out) == (0, vw.receipt_id(canon, 20) + "\n")


def test_receipt_show_prints_the_canonical_json_indented(files):
    for name in ("pretty.json", "note-a1.rcpt"):
        rc, out, _ = vorn("receipt", "show", files[name])
        assert rc == 0
        assert out.startswith("{\n  ") and canonical(json.loads(out)) == files["note-a1.json"].read_text()


@pytest.mark.parametrize("args,message", [
    (["receipt", "show", "broken.json"], "broken.json: not a receipt: canonical_json: invalid JSON"),
    (["receipt", "id", "binary.bin"], "binary.bin: not a receipt: the file is not UTF-8 text"),
    (["receipt", "show", "deep.json"], "deep.json: "),
    (["receipt", "id", "--prefix-len", "x", "note-a1.json"], "argument --prefix-len: not an integer: 'x'"),
    (["receipt", "frobnicate"], "invalid choice: 'frobnicate'"),
    (["cert", "show", "--chainid", "-1", "note-a1.json"], "argument --chainid: must lie in [0, 2^256)"),
])
def test_errors_exit_2_with_a_message(files, args, message):
    rc, out, err = vorn(*[files[a] if a in files else a for a in args])
    assert rc == 2 and out == ""
    assert message in err


# ---- certificates -----------------------------------------------------------------

IDENTITY = vw.canonical_identity_data(json.dumps({"name": "Bob", "issuer_id": "reg-1"}))


def wire(serial=7, registry_id="reg-1", chainid=CHAIN):
    return vr.registry_sign_certificate(0x1234, registry_id, IDENTITY, serial, 1700000000, 1800000000, chainid,
                                        0x77)


def edit(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


SERIAL_AT = 192 + 4 + len("reg-1")
M_AT = SERIAL_AT + 8 + 4 + len(IDENTITY.encode())


@pytest.mark.parametrize("make,chainid,rc,verdict", [
    (lambda: wire(), CHAIN, 0, "VERIFIES for chain 31337"),
    (lambda: wire().hex(), CHAIN, 0, "VERIFIES for chain 31337"),
    (lambda: "0x" + wire().hex().upper() + "\n", CHAIN, 0, "VERIFIES for chain 31337"),
    (lambda: wire() + b"tail", CHAIN, 0, "VERIFIES for chain 31337"),
    (lambda: wire(), CHAIN + 1, 1, "DOES NOT VERIFY for chain 31338"),
    (lambda: edit(wire(), SERIAL_AT, (8).to_bytes(8, "big")), CHAIN, 1, "DOES NOT VERIFY"),
    (lambda: edit(wire(), M_AT + 63, b"\x05"), CHAIN, 1, "REFUSED for chain 31337: M does not match canonical_identity"),
    (lambda: wire(), None, 0, "not checked (give --chainid N)"),
])
def test_cert_show(tmp_path, make, chainid, rc, verdict):
    path = tmp_path / "cert"
    data = make()
    path.write_bytes(data.encode() if isinstance(data, str) else data)
    got, out, _ = vorn("cert", "show", *(["--chainid", chainid] if chainid is not None else []), path)
    assert got == rc
    assert f"verification        {verdict}" in out
    assert '  registry_id         "reg-1"\n' in out
    assert f"  canonical_identity  {IDENTITY}\n" in out
    assert "  issued_at           1700000000 (2023-11-14 22:13:20 UTC)\n" in out


@pytest.mark.parametrize("data,message", [
    (b"", "not a certificate: the wire ends at byte 0, 32 more bytes were expected at byte 0"),
    (b"abc", "not a certificate: odd number of hex digits"),
    (lambda: wire()[:250], "not a certificate: the wire ends at byte 250"),
    (lambda: edit(wire(), 196, b"\xff"), "not a certificate: registry_id is not UTF-8"),
    (bytes(range(256)) * 3, "not a certificate: the wire ends at byte 768"),
])
def test_cert_show_unreadable_exits_2(tmp_path, data, message):
    path = tmp_path / "cert"
    path.write_bytes(data() if callable(data) else data)
    rc, out, err = vorn("cert", "show", "--chainid", CHAIN, path)
    assert rc == 2 and out == ""
    assert f"vorn: {path}: {message}" in err

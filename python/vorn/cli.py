"""The ``vorn`` command: check receipts and certificates without writing Python.

    vorn receipt verify [--json] FILE...   tier-1 verdict of each receipt
    vorn receipt id [--prefix-len N] FILE  the receipt id (of the canonical form)
    vorn receipt show FILE                 the canonical JSON, indented
    vorn cert show [--chainid N] FILE      a signed certificate's fields and signature

A receipt file holds either a text envelope ("VV-RCPT/2." ... ".END") or the
receipt's JSON text. A certificate file holds the signed certificate wire, as
binary or as hex text. FILE may be "-" for standard input.

Exit status: 0 when every receipt is VALID (and, for ``cert show --chainid``, when
the signature verifies); 1 when a receipt or certificate was read but is not valid;
2 when an input cannot be read or parsed, or the command line is wrong; 3 when the
kernel reports a broken internal invariant (never caused by input).
"""
from __future__ import annotations

import argparse
import datetime
import json
import os
import struct
import sys
from dataclasses import dataclass
from typing import IO, Any, NoReturn, Sequence

import vorn
import vorn_identity as vi
import vorn_registry as vr
import vorn_wallet as vw

EXIT_OK, EXIT_INVALID, EXIT_UNREADABLE = 0, 1, 2
PROGRESS_FROM = 10  # more files than this: a progress line on stderr


class InputError(Exception):
    """An input that cannot be read or parsed; the message says why."""


def read_bytes(path: str) -> bytes:
    try:
        if path == "-":
            return sys.stdin.buffer.read()
        with open(path, "rb") as f:
            return f.read()
    except OSError as exc:
        raise InputError(exc.strerror or str(exc)) from None


# ---- receipts ------------------------------------------------------------------------


@dataclass
class Receipt:
    text: str  # the receipt's JSON text as found (inside the envelope, if any)
    enveloped: bool


def read_receipt(path: str) -> Receipt:
    data = read_bytes(path)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        raise InputError("not a receipt: the file is not UTF-8 text") from None
    if not text.strip():
        raise InputError("not a receipt: the file is empty")
    # An envelope may sit inside other text (a mail, a log); a JSON text starts with
    # its opening brace.
    if not text.lstrip().startswith(("{", "[")) and vw.ENVELOPE_HEADER in text:
        try:
            inner = vw.parse_envelope(text)
        except ValueError as exc:
            raise InputError(f"bad envelope: {exc}") from None
        try:
            return Receipt(inner.decode("utf-8"), True)
        except UnicodeDecodeError:
            raise InputError("bad envelope: its content is not UTF-8 text") from None
    return Receipt(text, False)


def canonical_form(receipt: Receipt) -> str:
    try:
        return vw.canonical_json(receipt.text)
    except ValueError as exc:
        raise InputError(f"not a receipt: {exc}") from None


def receipt_summary(text: str) -> dict[str, str]:
    """type and role of a receipt text, where it has them (for display only)."""
    try:
        obj = json.loads(text)
    except (ValueError, RecursionError):
        return {}
    if not isinstance(obj, dict):
        return {}
    out = {}
    for key in ("type", "role"):
        if isinstance(obj.get(key), str):
            out[key] = obj[key]
    return out


def verify_one(path: str) -> dict[str, Any]:
    """The record printed for one file: file, receipt_id, canonical and the verdict
    (ok, reason, identity_M, value), or file and error."""
    try:
        receipt = read_receipt(path)
        try:
            verdict = json.loads(vw.verify_receipt(receipt.text))
        except ValueError as exc:
            raise InputError(f"not a receipt: {exc}") from None
        record: dict[str, Any] = {"file": path}
        try:
            canonical = canonical_form(receipt)
            record["receipt_id"] = vw.receipt_id(canonical.encode())
            record["canonical"] = canonical == receipt.text
        except InputError:
            record["receipt_id"] = None
            record["canonical"] = False
        record.update(receipt_summary(receipt.text))
        record.update(verdict)
        return record
    except InputError as exc:
        return {"file": path, "error": str(exc)}


def _word(hex_word: str | None) -> str:
    if hex_word is None:
        return "-"
    return f"{int(hex_word, 16)} ({hex_word})"


def print_verdict(record: dict[str, Any], out: IO[str]) -> None:
    name = record["file"]
    if "error" in record:
        print(f"{name}: UNREADABLE: {record['error']}", file=out)
        return
    status = "VALID" if record["ok"] and record["reason"] == "VALID" else (
        "PASSED WITH QUALIFIERS" if record["ok"] else "INVALID")
    print(f"{name}: {status}", file=out)
    if status != "VALID":
        print(f"  reason      {record['reason']}", file=out)
    if "type" in record:
        print(f"  type        {record['type']} ({record.get('role', 'recipient')})", file=out)
    if record["receipt_id"] is not None:
        note = "" if record["canonical"] else "  (of the canonical form; this file is not canonical)"
        print(f"  receipt id  {record['receipt_id']}{note}", file=out)
    if record.get("identity_M"):
        m = record["identity_M"]
        print(f"  payer M     x {m['x']}", file=out)
        print(f"              y {m['y']}", file=out)
    if record.get("value") is not None:
        print(f"  value       {_word(record['value'])}", file=out)


class Progress:
    """`verified i/n` on stderr: one line redrawn on a terminal, else a line every
    tenth of the way."""

    def __init__(self, total: int):
        self.total = total
        self.active = total > PROGRESS_FROM
        self.tty = sys.stderr.isatty()
        self.step = max(1, total // 10)

    def update(self, done: int) -> None:
        if not self.active:
            return
        if self.tty:
            sys.stderr.write(f"\rverified {done}/{self.total}" + ("\n" if done == self.total else ""))
            sys.stderr.flush()
        elif done % self.step == 0 or done == self.total:
            print(f"verified {done}/{self.total}", file=sys.stderr)


def cmd_receipt_verify(args: argparse.Namespace) -> int:
    progress = Progress(len(args.files))
    worst = EXIT_OK
    counts = {"valid": 0, "not valid": 0, "unreadable": 0}
    for i, path in enumerate(args.files, 1):
        record = verify_one(path)
        if "error" in record:
            worst = max(worst, EXIT_UNREADABLE)
            counts["unreadable"] += 1
        elif record["ok"] and record["reason"] == "VALID":
            counts["valid"] += 1
        else:
            worst = max(worst, EXIT_INVALID)
            counts["not valid"] += 1
        if args.json:
            print(json.dumps(record, sort_keys=True))
        else:
            print_verdict(record, sys.stdout)
        progress.update(i)
    if len(args.files) > 1 and not args.json:
        print(", ".join(f"{n} {k}" for k, n in counts.items()) + f" of {len(args.files)} files")
    return worst


def cmd_receipt_id(args: argparse.Namespace) -> int:
    receipt = read_receipt(args.file)
    canonical = canonical_form(receipt)
    print(vw.receipt_id(canonical.encode(), args.prefix_len))
    if canonical != receipt.text:
        print(f"note: {args.file} is not in canonical form; this is the id of its canonical form "
              "(`vorn receipt show` prints it)", file=sys.stderr)
    return EXIT_OK


def cmd_receipt_show(args: argparse.Namespace) -> int:
    canonical = canonical_form(read_receipt(args.file))
    try:
        indented = json.dumps(json.loads(canonical), indent=2, ensure_ascii=False)
    except RecursionError:
        raise InputError("nested too deeply to indent; its canonical form is:\n" + canonical) from None
    print(indented)
    return EXIT_OK


# ---- certificates -----------------------------------------------------------------------


@dataclass
class Certificate:
    e: int
    s: int
    R: tuple[int, int]
    pk: tuple[int, int]
    registry_id: str
    serial: int
    canonical_identity: str
    M: tuple[int, int]
    issued_at: int
    expires_at: int
    wire: bytes  # the bytes the certificate was read from, trailing bytes removed


def decode_cert_file(data: bytes) -> bytes:
    """The wire bytes of a certificate file: hex text (an optional 0x, whitespace
    anywhere) or the binary wire itself."""
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError:
        return data
    compact = "".join(text.split())
    if compact[:2] in ("0x", "0X"):
        compact = compact[2:]
    if compact and all(c in "0123456789abcdefABCDEF" for c in compact):
        if len(compact) % 2:
            raise InputError("not a certificate: odd number of hex digits")
        return bytes.fromhex(compact)
    return data


class _Reader:
    def __init__(self, data: bytes):
        self.data, self.at = data, 0

    def take(self, n: int) -> bytes:
        if len(self.data) - self.at < n:
            raise InputError(f"not a certificate: the wire ends at byte {len(self.data)}, "
                             f"{n} more bytes were expected at byte {self.at}")
        out = self.data[self.at:self.at + n]
        self.at += n
        return out

    def word(self) -> int:
        return int.from_bytes(self.take(32), "big")

    def text(self, what: str) -> str:
        (n,) = struct.unpack(">I", self.take(4))
        raw = self.take(n)
        try:
            return raw.decode("utf-8")
        except UnicodeDecodeError:
            raise InputError(f"not a certificate: {what} is not UTF-8") from None


def parse_certificate(wire: bytes) -> Certificate:
    """The fields of a signed certificate wire: the signature header (e, s, R, pk),
    then registry_id, serial, canonical_identity, M, issued_at, expires_at."""
    r = _Reader(wire)
    e, s = r.word(), r.word()
    R = (r.word(), r.word())
    pk = (r.word(), r.word())
    registry_id = r.text("registry_id")
    (serial,) = struct.unpack(">Q", r.take(8))
    canonical_identity = r.text("canonical_identity")
    M = (r.word(), r.word())
    issued_at, expires_at = struct.unpack(">qq", r.take(16))
    return Certificate(e, s, R, pk, registry_id, serial, canonical_identity, M, issued_at, expires_at, wire[:r.at])


def _time(t: int) -> str:
    try:
        when = datetime.datetime.fromtimestamp(t, datetime.timezone.utc)
    except (OverflowError, OSError, ValueError):
        return str(t)
    return f"{t} ({when.strftime('%Y-%m-%d %H:%M:%S UTC')})"


def _hex(n: int) -> str:
    return "0x%064x" % n


def cmd_cert_show(args: argparse.Namespace) -> int:
    wire = decode_cert_file(read_bytes(args.file))
    cert = parse_certificate(wire)
    out = sys.stdout
    print(f"{args.file}: signed certificate, {len(cert.wire)} bytes"
          + (f" ({len(wire) - len(cert.wire)} trailing bytes ignored)" if len(wire) > len(cert.wire) else ""),
          file=out)
    print(f"  registry_id         {json.dumps(cert.registry_id, ensure_ascii=False)}", file=out)
    print(f"  serial              {cert.serial}", file=out)
    print(f"  canonical_identity  {cert.canonical_identity}", file=out)
    print(f"  M                   x {_hex(cert.M[0])}\n                      y {_hex(cert.M[1])}", file=out)
    print(f"  issued_at           {_time(cert.issued_at)}", file=out)
    print(f"  expires_at          {_time(cert.expires_at)}", file=out)
    print(f"  registry pk         x {_hex(cert.pk[0])}\n                      y {_hex(cert.pk[1])}", file=out)
    print(f"  signature           e {_hex(cert.e)}\n                      s {_hex(cert.s)}", file=out)
    print(f"                      R.x {_hex(cert.R[0])}\n                      R.y {_hex(cert.R[1])}", file=out)
    m_ok = vi.g1_mul(vi.G1, vi.identity_scalar(cert.canonical_identity)) == cert.M
    print(f"  M of the identity   {'matches' if m_ok else 'DOES NOT MATCH'} identity_scalar(canonical_identity)*G",
          file=out)
    if cert.pk == (0, 0):
        print("  WARNING: the registry key is the point at infinity; anyone can sign under it", file=out)
    if args.chainid is None:
        print("  verification        not checked (give --chainid N)", file=out)
        return EXIT_OK if m_ok else EXIT_INVALID
    try:
        ok = vr.registry_verify_certificate(wire, args.chainid)
    except ValueError as exc:
        print(f"  verification        REFUSED for chain {args.chainid}: {exc}", file=out)
        return EXIT_INVALID
    print(f"  verification        {'VERIFIES' if ok else 'DOES NOT VERIFY'} for chain {args.chainid} under the "
          "registry pk above", file=out)
    if ok:
        print("  (the key is read from the certificate itself: compare it with the registry you trust)", file=out)
    return EXIT_OK if ok else EXIT_INVALID


# ---- the command line --------------------------------------------------------------------


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        self.print_usage(sys.stderr)
        self.exit(EXIT_UNREADABLE, f"vorn: error: {message}\n")


def _chain_id(text: str) -> int:
    try:
        value = int(text, 0)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not an integer: {text!r}") from None
    if not 0 <= value < 2**256:
        raise argparse.ArgumentTypeError("must lie in [0, 2^256)")
    return value


def _prefix_len(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not an integer: {text!r}") from None
    if not 0 <= value < 2**64:
        raise argparse.ArgumentTypeError("must lie in [0, 2^64)")
    return value


def build_parser() -> argparse.ArgumentParser:
    ap = _Parser(prog="vorn", description="Check vorn receipts and identity certificates.",
                 epilog="Exit status: 0 valid; 1 read but not valid; 2 unreadable input or bad usage.")
    ap.add_argument("--version", action="version", version=f"vorn {_version()}")
    groups = ap.add_subparsers(dest="group", metavar="{receipt,cert}", parser_class=_Parser)
    groups.required = True

    receipt = groups.add_parser("receipt", help="receipts: verify, id, show")
    rsub = receipt.add_subparsers(dest="command", metavar="{verify,id,show}", parser_class=_Parser)
    rsub.required = True
    p = rsub.add_parser("verify", help="tier-1 verification of each receipt file",
                        description="Verifies each receipt (an envelope or its JSON text) without a secret and "
                                    "without the chain. Exit 0 only when every file is VALID.")
    p.add_argument("--json", action="store_true", help="one JSON object per file, one per line")
    p.add_argument("files", nargs="+", metavar="FILE", help="a receipt file ('-': standard input)")
    p.set_defaults(run=cmd_receipt_verify)
    p = rsub.add_parser("id", help="the receipt id of the canonical form",
                        description="Prints the receipt id of the receipt's canonical JSON: its layout and key "
                                    "order do not change the id; the text inside its strings (the case of a hex "
                                    "digit, say) does.")
    p.add_argument("--prefix-len", type=_prefix_len, default=12, metavar="N", help="id length (default 12)")
    p.add_argument("file", metavar="FILE", help="a receipt file ('-': standard input)")
    p.set_defaults(run=cmd_receipt_id)
    p = rsub.add_parser("show", help="the canonical JSON, indented")
    p.add_argument("file", metavar="FILE", help="a receipt file ('-': standard input)")
    p.set_defaults(run=cmd_receipt_show)

    cert = groups.add_parser("cert", help="identity certificates: show")
    csub = cert.add_subparsers(dest="command", metavar="{show}", parser_class=_Parser)
    csub.required = True
    p = csub.add_parser("show", help="a signed certificate's fields and signature",
                        description="Prints the fields of a signed certificate wire (binary or hex) and, with "
                                    "--chainid, whether its signature verifies on that chain.")
    p.add_argument("--chainid", type=_chain_id, metavar="N", help="check the signature for chain id N")
    p.add_argument("file", metavar="FILE", help="a signed certificate wire, binary or hex ('-': standard input)")
    p.set_defaults(run=cmd_cert_show)
    return ap


def _version() -> str:
    try:
        from importlib.metadata import version

        return version("vorn")
    except Exception:  # not installed (a build tree): no version to tell
        return "(build tree)"


def _die(message: str, code: int) -> NoReturn:
    print(f"vorn: {message}", file=sys.stderr)
    sys.exit(code)


def main(argv: Sequence[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        return int(args.run(args))
    except InputError as exc:
        where = getattr(args, "file", None)
        _die(f"{where}: {exc}" if where else str(exc), EXIT_UNREADABLE)
    except ValueError as exc:  # a kernel refusal not met above
        _die(f"error: {exc}", EXIT_UNREADABLE)
    except KeyboardInterrupt:
        _die("interrupted", 130)
    except BrokenPipeError:
        # The reader went away (vorn ... | head): stop quietly.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_OK
    except vorn.PanicException as exc:
        _die(f"internal error of the kernel: {exc}", 3)


if __name__ == "__main__":
    sys.exit(main())

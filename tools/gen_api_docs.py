#!/usr/bin/env python3
"""Writes docs/api.md, the API reference of the three kernel modules.

Every exported function and constant, in module order: its signature, parameters
with their types, result type, docstring, the errors it raises and an example whose
output is computed here, by running it. Signatures, types, docstrings and the
conversion errors come from the built modules and their C++ rows (tools/vorn_api.py);
summaries, the kernel's own error messages and the examples from
tools/api_reference.py. Every message listed must be a string of the kernel's
sources, and every name must have an entry.

    PYTHONPATH=build/py python3 tools/gen_api_docs.py          # write docs/api.md
    PYTHONPATH=build/py python3 tools/gen_api_docs.py --check  # exit 1 when it is stale
"""
from __future__ import annotations

import argparse
import ast
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import api_reference as ref  # noqa: E402
import vorn_api  # noqa: E402
from gen_stubs import SUMMARIES  # noqa: E402

OUT = vorn_api.ROOT / "docs" / "api.md"
SHORT = {"vorn_identity": "vi", "vorn_registry": "vr", "vorn_wallet": "vw"}
WIDTH = 110  # longest example output line before it is shortened

# What each parameter shape accepts, and how a wrong value fails (beyond its type).
KIND_TEXT = {
    "Int": ("int", "an int in [0, 2^256)"),
    "U8": ("int", "an int in [0, 2^8)"),
    "U32": ("int", "an int in [0, 2^32)"),
    "U64": ("int", "an int in [0, 2^64)"),
    "I64": ("int", "an int in [-2^63, 2^63)"),
    "F64": ("float", "a float (or anything float() accepts)"),
    "Bool": ("bool", "True or False"),
    "Bytes": ("bytes", "bytes (not bytearray)"),
    "Text": ("str", "a str, read as UTF-8"),
}


def kernel_strings() -> set[str]:
    """Every string literal of src/ and python/, adjacent literals joined."""
    out = set()
    literal = r'"(?:[^"\\\n]|\\.)*"'
    for path in list((vorn_api.ROOT / "src").rglob("*.[ch]*")) + list((vorn_api.ROOT / "python").glob("*.[ch]*")):
        text = path.read_text(errors="replace")
        for m in re.finditer(rf"{literal}(?:\s*{literal})*", text):
            parts = re.findall(literal, m.group(0))
            out.add("".join(ast.literal_eval(p) for p in parts))
    return out


def check_reference(modules: list[vorn_api.Module]) -> None:
    problems = []
    functions = {f.name for m in modules for f in m.functions}
    constants = {c.name for m in modules for c in m.constants}
    for name in sorted(functions - set(ref.FUNCTIONS)):
        problems.append(f"api_reference.FUNCTIONS: no entry for {name}")
    for name in sorted(set(ref.FUNCTIONS) - functions):
        problems.append(f"api_reference.FUNCTIONS: {name} is exported by no module")
    for name in sorted(constants ^ set(ref.CONSTANTS)):
        problems.append(f"api_reference.CONSTANTS: {name} is " + ("missing" if name in constants else "not exported"))
    strings = kernel_strings()
    messages = {m for _, raises, _ in ref.FUNCTIONS.values() for m in raises} | set(ref.READING) | set(ref.G2POINTS)
    for msg in sorted(messages - {"POINTS", "G2POINTS", "READING"}):
        prefix = msg[:-3] if msg.endswith("...") else None
        if not (msg in strings if prefix is None else any(s.startswith(prefix) for s in strings)):
            problems.append(f"api_reference: {msg!r} is not a message of the kernel's sources")
    if problems:
        raise vorn_api.ApiError("\n".join(problems))


def shorten(text: str) -> str:
    lines = []
    for line in text.split("\n"):
        lines.append(line if len(line) <= WIDTH else line[:WIDTH - 12] + " ... " + line[-7:])
    return "\n".join(lines)


def run_examples(module: str) -> dict[str, str]:
    """name -> the example's transcript (>>> lines and the value of the last one)."""
    ns: dict = {}
    exec(ref.SETUP[module], ns)  # noqa: S102 - our own table
    out = {}
    mod = __import__(module)
    for name in [n for n in vars(mod) if n in ref.FUNCTIONS]:
        code = ref.FUNCTIONS[name][2]
        tree = ast.parse(code)
        *body, last = tree.body
        if not isinstance(last, ast.Expr):
            raise vorn_api.ApiError(f"api_reference: the example of {name} must end with an expression")
        try:
            exec(compile(ast.Module(body=body, type_ignores=[]), name, "exec"), ns)  # noqa: S102
            value = eval(compile(ast.Expression(last.value), name, "eval"), ns)  # noqa: S307
        except Exception as exc:
            raise vorn_api.ApiError(f"api_reference: the example of {name} fails: {type(exc).__name__}: {exc}")
        shown = []
        for i, line in enumerate(code.split("\n")):
            shown.append((">>> " if not line.startswith((" ", "except", "else", "finally")) else "... ") + line)
        shown.append(shorten(repr(value)))
        out[name] = "\n".join(shown)
    return out


def type_table() -> list[tuple[str, str, str]]:
    """(alias, its definition, the comment above it) from vorn/types.py."""
    path = vorn_api.ROOT / "python" / "vorn" / "types.py"
    lines = path.read_text().split("\n")
    tree = ast.parse("\n".join(lines))
    rows = []
    for node in tree.body:
        if isinstance(node, ast.Assign) and isinstance(node.targets[0], ast.Name) and node.targets[0].id[0].isupper() \
                and node.targets[0].id != "__all__":
            comment = []
            i = node.lineno - 2
            while i >= 0 and lines[i].startswith("#"):
                comment.insert(0, lines[i].lstrip("# "))
                i -= 1
            rows.append((node.targets[0].id, ast.unparse(node.value), " ".join(comment)))
        elif isinstance(node, ast.ClassDef):
            fields = ", ".join(f"{s.target.id}: {ast.unparse(s.annotation)}" for s in node.body
                               if isinstance(s, ast.AnnAssign))
            doc = (ast.get_docstring(node) or "").split("\n\n")[0].replace("\n", " ")
            rows.append((node.name, f"TypedDict {{{fields}}}", doc))
    return rows


def param_line(p: vorn_api.Param) -> str:
    text = f"- `{p.name}`: `{p.type}`"
    if p.name == "args_json":
        text += ", a JSON object of named arguments (as in the example)"
    elif p.shape in KIND_TEXT and KIND_TEXT[p.shape][0] == p.type:
        text += f", {KIND_TEXT[p.shape][1]}"
    if p.default is not None:
        text += f"; default `{p.default}`"
    return text


def raises_text(f: vorn_api.Function) -> str:
    """The Raises paragraph: the conversion errors its parameter types allow, then the
    kernel's own messages."""
    compound = [p for p in f.params if p.shape not in KIND_TEXT]  # tuples and sequences (of ints)
    ints = [p for p in f.params if p.shape in ("Int", "U8", "U32", "U64", "I64")] + compound
    conversion = []
    if f.params:
        conversion.append("`TypeError`")
    if ints:
        conversion.append("`OverflowError`")
    if compound or any(p.shape == "Int" for p in f.params):
        conversion.append('"word out of range (>= 2^256)"')
    if any(not p.type.startswith("Sequence") or "Pair" in p.type for p in compound):
        conversion.append("the tuple-length message")
    lines = []
    if conversion:
        lines.append("- [conversion](#errors): " + ", ".join(conversion))
    specific = []
    for msg in f_raises(f.name):
        if msg == "POINTS":
            specific.append("the [point messages](#point-decoding) of G1")
        elif msg == "G2POINTS":
            specific.append("the [point messages](#point-decoding) of G1 and G2")
        elif msg == "READING":
            specific.append("the [reading errors](#reading-errors) of its argument text")
        else:
            specific.append(f'"{msg}"')
    if specific:
        lines.append("- `ValueError`: " + ", ".join(specific))
    return "\n".join(lines) if lines else "- nothing"


class Slugs:
    """Heading anchors as the repository host makes them (duplicates numbered)."""

    def __init__(self) -> None:
        self.seen: dict[str, int] = {}

    def __call__(self, heading: str) -> str:
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        n = self.seen.get(slug, 0)
        self.seen[slug] = n + 1
        return slug if n == 0 else f"{slug}-{n}"


def f_raises(name: str) -> list[str]:
    return ref.FUNCTIONS[name][1]


def heading_of(e: vorn_api.Function | vorn_api.Constant) -> str:
    return e.name if isinstance(e, vorn_api.Constant) else e.name + "()"


def render(modules: list[vorn_api.Module]) -> str:
    out = ["# API reference of the vorn kernel\n\n"
           "Generated by `tools/gen_api_docs.py` from the built modules, their function rows and "
           "`tools/api_reference.py`; do not edit (CI fails when this file is stale). Every example below was run "
           "to produce the output shown.\n\n",
           "- [Conventions](#conventions): [types](#types), [errors](#errors), [point decoding](#point-decoding), "
           "[reading errors](#reading-errors)\n"]
    slug = Slugs()
    for heading in ("Conventions", "Types", "Errors", "Point decoding", "Reading errors"):
        slug(heading)
    for m in modules:
        slug(m.name)
        out.append(f"- [`{m.name}`](#{m.name}): " + ", ".join(f"[`{e.name}`](#{slug(heading_of(e))})"
                                                             for e in m.entries) + "\n")
    out.append("\n## Conventions\n\nEvery function is pure: every key, nonce and randomness is an argument, and "
               "the same arguments give the same result. Arguments may be passed by position or by keyword. "
               "Integers are Python `int`s (`bool` counts as 0 or 1); points, ciphertexts and proofs are tuples of "
               "them, named in `vorn.types`. A refused argument raises `ValueError` with one of the kernel's "
               "fixed messages; a verifier answers `False` (or a result with `ok`/`valid` false) for a proof or "
               "receipt that does not verify and raises only for input it cannot read. "
               "`vorn.PanicException` (derived from `BaseException`) means a broken built-in table, never bad "
               "input.\n\n### Types\n\n`from vorn.types import ...` (plain aliases of `tuple`, usable at run "
               "time):\n\n| Name | Definition | Meaning |\n|---|---|---|\n")
    for name, definition, comment in type_table():
        out.append(f"| `{name}` | `{definition}` | {comment} |\n")
    out.append("\n### Errors\n\nEach parameter is converted in order, and the first that fails decides the "
               "error:\n\n| Parameter type | Accepts | Fails with |\n|---|---|---|\n"
               "| `int` (a 256-bit word) | an int in [0, 2^256), or an object with `__index__` | `TypeError` "
               "(\"argument 'k': ...\"), `OverflowError` when negative, `ValueError` \"word out of range "
               "(>= 2^256)\" |\n"
               "| `int` (machine integer) | the range shown with the parameter | `TypeError`, `OverflowError` "
               "outside the range |\n"
               "| points, ciphertexts, proofs | a `tuple` of exactly that shape (a list is refused) | `TypeError`; "
               "`ValueError` \"expected tuple of length 2, but got tuple of length 3\" (the lengths of the case) "
               "|\n"
               "| `Sequence[...]` | a list, tuple or other sequence, not a `str` | `TypeError` (\"Can't extract "
               "`str` to `Vec`\" for a `str`) |\n"
               "| `bytes`, `str`, `float`, `bool` | that type only (`float`: anything `float()` takes) | "
               "`TypeError` |\n\n"
               "### Point decoding\n\nFunctions that compute with a point decode it: each coordinate must lie "
               "below `FIELD_MODULUS` and the point on its curve ((0, 0), and all zeros in G2, is the point at "
               "infinity). The messages: " + ", ".join(f'"{m}"' for m in ref.G2POINTS) + ". Functions that only "
               "hash points (the note and leaf hashes) take their coordinates as words without decoding.\n\n"
               "### Reading errors\n\nThe JSON argument texts of `vorn_wallet` are read key by key; the first "
               "problem raises one of: " + ", ".join(f'"{m}"' for m in ref.READING) + " (the first is followed by "
               "the parser's description).\n")
    for m in modules:
        examples = run_examples(m.name)
        out.append(f"\n## {m.name}\n\n{SUMMARIES[m.name].replace(chr(10), ' ')}\n\n"
                   f"`import {m.name} as {SHORT[m.name]}`. The examples run after this setup:\n\n"
                   f"```python\n{ref.SETUP[m.name]}\n```\n")
        for e in m.entries:
            if isinstance(e, vorn_api.Constant):
                out.append(f"\n### {heading_of(e)}\n\n`{e.name}: {e.type}` = `{shorten(repr(e.value))}`\n\n"
                           f"{ref.CONSTANTS[e.name]}\n")
                continue
            summary, _, _ = ref.FUNCTIONS[e.name]
            sig = ", ".join(p.name + (f"={p.default}" if p.default is not None else "") for p in e.params)
            out.append(f"\n### {heading_of(e)}\n\n`{m.name}.{e.name}({sig}) -> {e.result}`\n\n{summary}\n")
            if e.doc:
                out.append("\n" + "\n".join("> " + line if line else ">" for line in e.doc.split("\n")) + "\n")
            out.append("\n" + ("Parameters:\n" + "\n".join(param_line(p) for p in e.params) if e.params
                               else "No parameters.") + "\n")
            out.append(f"\nReturns `{e.result}`.\n\nRaises:\n{raises_text(e)}\n")
            out.append(f"\n```python\n{examples[e.name]}\n```\n")
    return "".join(out)


def main(argv: list[str] | None = None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--check", action="store_true", help="compare with docs/api.md; write nothing")
    args = ap.parse_args(argv)
    try:
        modules = vorn_api.load()
        check_reference(modules)
        text = render(modules)
    except vorn_api.ApiError as exc:
        print(f"gen_api_docs: {exc}", file=sys.stderr)
        return 2
    if args.check:
        if not OUT.exists() or OUT.read_text() != text:
            print("gen_api_docs: docs/api.md is stale (run tools/gen_api_docs.py)", file=sys.stderr)
            return 1
        return 0
    OUT.parent.mkdir(parents=True, exist_ok=True)
    OUT.write_text(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""The exported API of the three kernel modules, as one model for the generators.

Three sources are joined, and every disagreement between them is an error:

- the built modules (imported from sys.path): which constants and functions each
  module exports, in their order, with each function's text signature (parameter
  names, defaults) and docstring;
- the C++ function rows (python/bind_*.cpp, `Register` and `RegisterConst`): each
  parameter's shape (shape::G1, shape::Ct, a proof tuple, ...), resolved through the
  `Shape` declarations to its structure, a record's (`record_shape<R>`) through its
  field table;
- the tables below: the Python type that names each shape, the result type of each
  function and the type of each constant.

A function that a module exports but the tables do not know, a parameter whose shape
has no Python type, or a Python type whose structure differs from the C++ shape stops
the generators with a message naming it. So a new row cannot be left out of the stubs
or the API reference, and a changed shape cannot leave them stale.

Used by tools/gen_stubs.py and tools/gen_api_docs.py.
"""
from __future__ import annotations

import collections.abc
import importlib
import inspect
import re
import sys
import typing
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MODULES = ("vorn_identity", "vorn_registry", "vorn_wallet")

# ---- the tables ----------------------------------------------------------------------

# C++ shape name (without `shape::` and a leading `k`) -> the Python type of a parameter
# of that shape. The structure of the type must equal the shape's declaration.
SHAPE_TYPES = {
    "Int": "int",
    "U8": "int",
    "U32": "int",
    "U64": "int",
    "I64": "int",
    "F64": "float",
    "Bool": "bool",
    "Bytes": "bytes",
    "Text": "str",
    "G1": "G1Point",
    "G2": "G2Point",
    "Ct": "Ciphertext",
    "IntSeq": "Sequence[int]",
    "Pairs": "Sequence[PairingPair]",
    "SchnorrSig": "SchnorrSignature",
    "RegProof": "RegistrationProof",
    "CpProof": "CpProof",
    "VdProof": "VdProof",
    "ReencProof": "ReencProof",
    "B1Proof": "B1BindProof",
    "Envelope": "InsurerEnvelope",
}

CONSTANT_TYPES = {
    "ORDER": "int",
    "F_R": "int",
    "FIELD_MODULUS": "int",
    "G1": "G1Point",
    "G2": "G2Point",
    "H_PEDERSEN": "G1Point",
    "FLAVOR_A1": "int",
    "FLAVOR_A2": "int",
    "FLAVOR_B1": "int",
    "ENVELOPE_HEADER": "str",
    "ENVELOPE_FOOTER": "str",
}

# Function -> the Python type of its result. The JSON functions of vorn_wallet return
# the JSON text (str).
RESULT_TYPES = {
    # vorn_identity
    "h_pedersen": "G1Point",
    "g1_add": "G1Point",
    "g1_mul": "G1Point",
    "g1_neg": "G1Point",
    "g2_add": "G2Point",
    "g2_mul": "G2Point",
    "pairing_check": "bool",
    "keccak_scalar": "int",
    "identity_scalar": "int",
    "reduce_mod_order": "int",
    "poseidon": "int",
    "elgamal_encrypt": "Ciphertext",
    "elgamal_decrypt": "G1Point",
    "ps_sign": "PsSignature",
    "ps_verify": "bool",
    "ps_rerandomize": "PsSignature",
    "ps_present": "PsPresentation",
    "ps_key_consistent": "bool",
    "batch_commitment": "int",
    "issuer_schnorr_sign": "SchnorrSignature",
    "issuer_schnorr_verify": "bool",
    "registration_prove": "RegistrationProof",
    "registration_verify": "bool",
    "registration_verify_v3": "bool",
    "chaum_pedersen_prove": "CpProof",
    "chaum_pedersen_verify": "bool",
    "verifiable_decrypt_prove": "VdProof",
    "verifiable_decrypt_verify": "bool",
    "identity_opening_prove": "VdProof",
    "identity_opening_verify": "bool",
    "tree_tag": "int",
    "derive_salt": "int",
    "issuer_reenc_prove": "ReencProof",
    "issuer_reenc_verify": "bool",
    "b1_bind_prove": "B1Binding",
    "b1_bind_verify": "bool",
    "note_commitment": "int",
    "nullifier": "int",
    "id_hash_b1": "int",
    "id_hash_a1": "int",
    "id_hash_a2": "int",
    "identity_leaf": "int",
    "identity_leaf_salted": "int",
    "receiving_leaf": "int",
    # vorn_registry
    "check_issuance": "str",
    "band_for_face": "int",
    "scope_id": "int",
    "subtree_key": "int",
    "registry_schnorr_sign": "SchnorrSignature",
    "registry_schnorr_verify": "bool",
    "registry_sign_certificate": "bytes",
    "registry_verify_certificate": "bool",
    "seal_certificate": "bytes",
    "unseal_certificate": "bytes",
    # vorn_wallet
    "canonical_json": "str",
    "canonical_identity_data": "str",
    "receipt_id": "str",
    "envelope_text": "str",
    "parse_envelope": "bytes",
    "verify_receipt": "str",
    "build_receipt": "str",
    "mint_unilateral_a2": "str",
    "receiving_key": "str",
    "wrap_mask": "str",
    "deliver_a1": "str",
    "deliver_a2": "str",
    "open_a1": "str",
    "open_a2": "str",
    "prove_receiving_binding": "str",
    "verify_receiving_binding": "bool",
    "deposit_fold_a1_witness": "str",
    "deposit_fold_a2_witness": "str",
    "make_receipt_a2": "str",
    "verify_receipt_a2": "str",
    "mint_unilateral_a1": "str",
    "make_receipt_a1": "str",
    "verify_receipt_a1": "str",
    "issue_credential": "str",
}


class ApiError(Exception):
    """The three sources disagree; the message says where."""


# ---- the model -------------------------------------------------------------------------


@dataclass
class Param:
    name: str
    shape: str  # the C++ shape name, e.g. "G1"
    type: str  # the Python type, e.g. "G1Point"
    default: str | None  # the default as the signature shows it, or None


@dataclass
class Function:
    module: str
    name: str
    params: list[Param]
    result: str
    doc: str  # the docstring after the signature ("" when none)
    signature: str  # the text signature, e.g. "(canonical, prefix_len=12)"


@dataclass
class Constant:
    module: str
    name: str
    type: str
    value: object


@dataclass
class Module:
    name: str
    entries: list[Function | Constant] = field(default_factory=list)

    @property
    def functions(self) -> list[Function]:
        return [e for e in self.entries if isinstance(e, Function)]

    @property
    def constants(self) -> list[Constant]:
        return [e for e in self.entries if isinstance(e, Constant)]


# ---- reading the C++ rows ------------------------------------------------------------------


def _strip_comments(text: str) -> str:
    """The text with // and /* */ comments blanked, string literals kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c == '"':
            j = i + 1
            while j < n and text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            out.append(" ")
        else:
            out.append(c)
            i += 1
    return "".join(out)


def _expand_macros(text: str) -> str:
    """Expands the object-like #define macros of one file (the shared parameter lists)."""
    text = text.replace("\\\n", " ")
    macros = {}
    kept = []
    for line in text.split("\n"):
        m = re.match(r"\s*#\s*define\s+(\w+)(\s.*)?$", line)
        if m:
            macros[m.group(1)] = (m.group(2) or "").strip()
            continue
        if re.match(r"\s*#\s*undef\b", line):
            continue
        kept.append(line)
    text = "\n".join(kept)
    for name, body in macros.items():
        text = re.sub(r"\b%s\b" % re.escape(name), lambda _m, b=body: b, text)
    return text


def _matching_brace(text: str, i: int) -> int:
    """Index just past the brace that closes the one at text[i]."""
    depth, n = 0, len(text)
    while i < n:
        c = text[i]
        if c == '"':
            i += 1
            while text[i] != '"':
                i += 2 if text[i] == "\\" else 1
        elif c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    raise ApiError("unbalanced braces")


_SHAPE_DECL = re.compile(r"\bShape\s+(\w+)\s*\{\s*Shape::Kind::(\w+)\s*(?:,\s*\{([^{}]*)\})?\s*\}")
_ROW = re.compile(r"\bRegister\s+\w+\s*\(\s*\{\s*(\w+)\s*,\s*\"(\w+)\"\s*,\s*")
_CONST_ROW = re.compile(r"\bRegisterConst\s+\w+\s*\(\s*\{\s*(\w+)\s*,\s*\"(\w+)\"")
# {"name", &shape}, {"name", &shape, converted_first} or {"name", &shape, "default", value}
_PARAM = re.compile(r"\{\s*\"(\w+)\"\s*,\s*&([\w:]+)\s*"
                    r"(?:,\s*converted_first\s*|,\s*\"([^\"]*)\"\s*,[^{}]*(?:\{[^{}]*\}[^{}]*)*)?\}")
_MODULE_VAR = re.compile(r"const\s+char\s*\*\s*const\s+(\w+)\s*=\s*\"(vorn_\w+)\"")


_RECORD_SHAPE = re.compile(r"\bShape\s*&\s*(\w+)\s*=\s*record_shape<(?:\w+::)*(\w+)>")
_STRUCT = re.compile(r"\bstruct\s+(\w+)\s*\{([^{}]*)\};")
_TRAITS = re.compile(r"\bstruct\s+(?:\w+::)*RecordTraits<(?:\w+::)*(\w+)>\s*\{")
_FIELD = re.compile(r"\bfield\(\s*\"\w+\"\s*,\s*&R::(\w+)")
_NESTED = re.compile(r"\bnested\s*=\s*\{([^{}]*)\}")
_LEAF_STRUCTURES = {"W": "Int", "G1Words": "(Int,Int)", "CtWords": "((Int,Int),(Int,Int))", "bool": "Bool",
                    "uint8_t": "U8", "uint32_t": "U32", "double": "F64", "std::vector<uint8_t>": "[U8]",
                    "std::vector<W>": "[Int]"}
# Where the records and their field tables are declared.
_RECORD_STRUCTS = ("src/vorn/crypto/words.h", "src/vorn/registry/issuance.h")
_RECORD_TABLES = ("src/vorn/crypto/words.h", "python/bind_issuance.cpp")


def record_structures(root: Path = ROOT) -> dict[str, str]:
    """Record -> the structure of its Python tuple, from the record's field table (the
    crypto records' in vorn/crypto/words.h, the insurer envelope's in
    bind_issuance.cpp): the fields in table order, grouped as `nested` says."""
    members: dict[str, dict[str, str]] = {}
    for path in _RECORD_STRUCTS:
        for m in _STRUCT.finditer(_strip_comments((root / path).read_text())):
            types = {}
            for decl in filter(None, (d.strip() for d in m.group(2).split(";"))):
                typ, names = decl.split(None, 1)
                types.update((n.split("=")[0].strip(), typ) for n in names.split(","))
            members[m.group(1)] = types
    tables = {}
    for path in _RECORD_TABLES:
        text = _strip_comments((root / path).read_text())
        for m in _TRAITS.finditer(text):
            body = text[m.end() - 1:_matching_brace(text, m.end() - 1)]
            nested = _NESTED.search(body)
            tables[m.group(1)] = (_FIELD.findall(body),
                                  [int(n) for n in nested.group(1).split(",")] if nested else None)

    def structure(record: str) -> str:
        fields, nested = tables[record]
        parts = [_LEAF_STRUCTURES.get(t) or structure(t) for t in (members[record][f] for f in fields)]
        if nested:
            groups, at = [], 0
            for n in nested:
                groups.append("(" + ",".join(parts[at:at + n]) + ")")
                at += n
            parts = groups
        return "(" + ",".join(parts) + ")"

    return {name: structure(name) for name in tables}


def _shape_decls(text: str, records: dict[str, str]) -> dict[str, tuple[str, list[str]]]:
    decls = {m.group(1): (m.group(2), [p.strip().lstrip("&") for p in (m.group(3) or "").split(",") if p.strip()])
             for m in _SHAPE_DECL.finditer(text)}
    for m in _RECORD_SHAPE.finditer(text):
        if m.group(2) not in records:
            raise ApiError(f"record_shape<{m.group(2)}>: no field table found")
        decls[m.group(1)] = ("Record", [records[m.group(2)]])
    return decls


class _Shapes:
    """Resolves shape names to structures: a file's own declarations first, then the
    shared ones (frame.h's `shape::` namespace). A record's shape (`record_shape<R>`)
    is the structure of its field table."""

    def __init__(self, shared: dict, local: dict):
        self.shared, self.local = shared, local

    def structure(self, ref: str, where: str) -> str:
        qualified = ref.startswith("shape::")
        name = ref.split("::")[-1]
        decl = (None if qualified else self.local.get(name)) or self.shared.get(name)
        if decl is None:
            raise ApiError(f"{where}: shape {ref} is not declared")
        kind, parts = decl
        if kind == "Record":
            return parts[0]
        inner = [self.structure(p, where) for p in parts]
        if kind == "Tuple":
            return "(" + ",".join(inner) + ")"
        if kind == "Seq":
            return "[" + inner[0] + "]"
        return kind


@dataclass
class Row:
    module: str
    name: str
    params: list[tuple[str, str, str, str | None]]  # name, shape name, structure, default text
    where: str


def read_rows(root: Path = ROOT) -> tuple[dict[str, Row], dict[str, str]]:
    """The function rows and the constant rows (name -> module) of python/*.cpp."""
    records = record_structures(root)
    shared = _shape_decls(_strip_comments((root / "python" / "frame.h").read_text()), records)
    rows: dict[str, Row] = {}
    consts: dict[str, str] = {}
    for path in sorted((root / "python").glob("bind_*.cpp")):
        text = _expand_macros(_strip_comments(path.read_text()))
        shapes = _Shapes(shared, _shape_decls(text, records))
        module_vars = dict(_MODULE_VAR.findall(text))
        for m in _CONST_ROW.finditer(text):
            consts[m.group(2)] = module_vars[m.group(1)]
        for m in _ROW.finditer(text):
            var, name = m.group(1), m.group(2)
            where = f"{path.relative_to(root)}: {name}"
            if var not in module_vars:
                raise ApiError(f"{where}: module variable {var} not found")
            start = m.end()
            if text[start] != "{":
                raise ApiError(f"{where}: parameter list not found")
            block = text[start + 1:_matching_brace(text, start) - 1]
            params = []
            for p in _PARAM.finditer(block):
                ref = p.group(2)
                shape_name = re.sub(r"^k(?=[A-Z0-9])", "", ref.split("::")[-1])  # kG1 -> G1
                params.append((p.group(1), shape_name, shapes.structure(ref, where), p.group(3)))
            leftover = _PARAM.sub("", block).replace(",", "").strip()
            if leftover:
                raise ApiError(f"{where}: cannot read parameter entries: {leftover[:60]!r}")
            if name in rows:
                raise ApiError(f"{where}: registered twice")
            rows[name] = Row(module_vars[var], name, params, where)
    return rows, consts


# ---- Python types and their structures -------------------------------------------------------


def type_namespace() -> dict:
    """The names a type text may use: the aliases of vorn.types, Sequence, builtins."""
    sys.path.insert(0, str(ROOT / "python"))
    try:
        types_mod = importlib.import_module("vorn.types")
    finally:
        sys.path.pop(0)
    ns = {n: getattr(types_mod, n) for n in types_mod.__all__}
    ns.update(Sequence=collections.abc.Sequence, int=int, float=float, bool=bool, bytes=bytes, str=str)
    return ns


_SCALAR_KINDS = {int: "Int", float: "F64", bool: "Bool", bytes: "Bytes", str: "Text"}
_INT_KINDS = {"Int", "U8", "U32", "U64", "I64"}


def type_structure(tp) -> str:
    """The structure of a Python type in the notation of _Shapes.structure, machine
    integers written as Int."""
    origin = typing.get_origin(tp)
    if origin is tuple:
        return "(" + ",".join(type_structure(a) for a in typing.get_args(tp)) + ")"
    if origin is collections.abc.Sequence:
        return "[" + type_structure(typing.get_args(tp)[0]) + "]"
    if tp in _SCALAR_KINDS:
        return _SCALAR_KINDS[tp]
    raise ApiError(f"type {tp!r} has no structure")


def _normalise(structure: str) -> str:
    return re.sub(r"\b(%s)\b" % "|".join(sorted(_INT_KINDS)), "Int", structure)


# ---- joining the sources --------------------------------------------------------------------


def _signature_params(fn) -> list[tuple[str, str | None]]:
    sig = inspect.signature(fn)
    out = []
    for p in sig.parameters.values():
        if p.kind is not inspect.Parameter.POSITIONAL_OR_KEYWORD:
            raise ApiError(f"{fn.__name__}: parameter {p.name} is not positional-or-keyword")
        out.append((p.name, None if p.default is inspect.Parameter.empty else repr(p.default)))
    return out


def load(root: Path = ROOT) -> list[Module]:
    """The model of the three built modules; raises ApiError on any disagreement."""
    rows, const_rows = read_rows(root)
    ns = type_namespace()
    problems: list[str] = []
    modules = []
    exported = set()
    for mod_name in MODULES:
        mod = importlib.import_module(mod_name)
        model = Module(mod_name)
        for name, value in vars(mod).items():
            if name.startswith("__"):
                continue
            exported.add(name)
            if not callable(value):
                if name not in CONSTANT_TYPES:
                    problems.append(f"{mod_name}.{name}: constant missing from CONSTANT_TYPES")
                    continue
                if const_rows.get(name) != mod_name:
                    problems.append(f"{mod_name}.{name}: no RegisterConst row for this module")
                model.entries.append(Constant(mod_name, name, CONSTANT_TYPES[name], value))
                continue
            row = rows.get(name)
            if row is None or row.module != mod_name:
                problems.append(f"{mod_name}.{name}: no Register row for this module")
                continue
            if name not in RESULT_TYPES:
                problems.append(f"{mod_name}.{name}: result type missing from RESULT_TYPES")
                continue
            sig_params = _signature_params(value)
            if [p[0] for p in sig_params] != [p[0] for p in row.params]:
                problems.append(f"{row.where}: parameters {[p[0] for p in row.params]} but the module "
                                f"shows {[p[0] for p in sig_params]}")
                continue
            params = []
            for (pname, default), (_, shape_name, structure, row_default) in zip(sig_params, row.params):
                if default != row_default:
                    problems.append(f"{row.where}: parameter {pname}: default {row_default} in the row, "
                                    f"{default} in the module")
                py = SHAPE_TYPES.get(shape_name)
                if py is None:
                    problems.append(f"{row.where}: parameter {pname}: shape {shape_name} missing from SHAPE_TYPES")
                    continue
                got = type_structure(eval(py, ns))  # noqa: S307 - our own table
                if got != _normalise(structure):
                    problems.append(f"{row.where}: parameter {pname}: {py} is {got}, the shape is {structure}")
                params.append(Param(pname, shape_name, py, default))
            eval(RESULT_TYPES[name], ns)  # a result type that does not resolve fails here  # noqa: S307
            doc = value.__doc__ or ""
            model.entries.append(Function(mod_name, name, params, RESULT_TYPES[name], doc,
                                          value.__text_signature__ or "()"))
        modules.append(model)
    for name, row in rows.items():
        if name not in exported:
            problems.append(f"{row.where}: registered but exported by no module (missing from modules.cpp?)")
    for table, label in ((RESULT_TYPES, "RESULT_TYPES"), (CONSTANT_TYPES, "CONSTANT_TYPES")):
        for name in table:
            if name not in exported:
                problems.append(f"{label}: {name} is exported by no module")
    if problems:
        raise ApiError("\n".join(problems))
    return modules


def used_aliases(modules: list[Module], module_name: str) -> list[str]:
    """The vorn.types aliases a module's stub names, in vorn.types order."""
    ns = type_namespace()  # the aliases first, in vorn.types order
    texts = []
    for m in modules:
        if m.name != module_name:
            continue
        for e in m.entries:
            if isinstance(e, Function):
                texts += [p.type for p in e.params] + [e.result]
            else:
                texts.append(e.type)
    words = set(re.findall(r"\w+", " ".join(texts)))
    return [n for n in ns if n in words and n[0].isupper() and n != "Sequence"]

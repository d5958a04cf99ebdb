"""The type stubs against the running modules, and their generator's refusals.

stubtest (run by scripts/test.sh) checks names, parameters and defaults; it cannot
see what a function returns. Here every function is called with the valid
arguments of the leak check, and its arguments and its result must have the types
its stub declares.
"""
import ast
import collections.abc
import sys
import typing
from pathlib import Path
from unittest import mock

import pytest

import vorn.types as vt

ROOT = Path(__file__).resolve().parents[2]
STUBS = ROOT / "python" / "stubs"
MODULES = ("vorn_identity", "vorn_registry", "vorn_wallet")

with mock.patch.object(sys, "argv", ["leak_check"]):  # it reads a call count from argv
    import leak_check

NAMESPACE = {n: getattr(vt, n) for n in vt.__all__}
NAMESPACE.update(Sequence=collections.abc.Sequence, Final=typing.Final)


def stub_functions():
    """name -> ([parameter types], result type) from the committed stubs."""
    out = {}
    for mod in MODULES:
        tree = ast.parse((STUBS / f"{mod}.pyi").read_text())
        for node in tree.body:
            if isinstance(node, ast.FunctionDef):
                params = [eval(ast.unparse(a.annotation), NAMESPACE) for a in node.args.args]
                out[node.name] = (params, eval(ast.unparse(node.returns), NAMESPACE))
    return out


def conforms(value, tp, strict):
    """Whether value has type tp; strict (results) refuses a bool where an int is declared."""
    origin = typing.get_origin(tp)
    if origin is tuple:
        args = typing.get_args(tp)
        return isinstance(value, tuple) and len(value) == len(args) and all(
            conforms(v, a, strict) for v, a in zip(value, args))
    if origin is collections.abc.Sequence:
        (item,) = typing.get_args(tp)
        return isinstance(value, collections.abc.Sequence) and not isinstance(value, str) and all(
            conforms(v, item, strict) for v in value)
    if tp is int:
        return isinstance(value, int) and not (strict and isinstance(value, bool))
    if tp is float:
        return isinstance(value, (int, float))
    return isinstance(value, tp)


CALLS = leak_check.identity_calls() + leak_check.registry_calls() + leak_check.wallet_calls()
STUB_FUNCTIONS = stub_functions()


def test_every_exported_function_has_a_stub_and_a_call():
    exported = {n for m in MODULES for n, v in vars(__import__(m)).items() if callable(v) and not n.startswith("_")}
    assert set(STUB_FUNCTIONS) == exported
    assert {name for name, _ in CALLS} == exported


@pytest.mark.parametrize("name,args", CALLS, ids=[c[0] for c in CALLS])
def test_arguments_and_result_have_the_stub_types(name, args):
    params, result = STUB_FUNCTIONS[name]
    assert len(params) == len(args)
    for i, (arg, tp) in enumerate(zip(args, params)):
        assert conforms(arg, tp, strict=False), f"{name} argument {i}: {arg!r} is not {tp}"
    value = getattr(leak_check.module_of(name), name)(*args)
    assert conforms(value, result, strict=True), f"{name} returned {value!r}, the stub says {result}"


def test_constants_have_the_stub_types():
    for mod in MODULES:
        runtime = __import__(mod)
        tree = ast.parse((STUBS / f"{mod}.pyi").read_text())
        declared = {n.target.id: n for n in tree.body if isinstance(n, ast.AnnAssign)}
        assert set(declared) == {n for n, v in vars(runtime).items() if not n.startswith("_") and not callable(v)}
        for name, node in declared.items():
            tp = typing.get_args(eval(ast.unparse(node.annotation), NAMESPACE))[0]
            assert conforms(getattr(runtime, name), tp, strict=True), name


# ---- the generator refuses what it cannot describe ----------------------------------

sys.path.insert(0, str(ROOT / "tools"))
import vorn_api  # noqa: E402


@pytest.mark.parametrize("patch,expected", [
    (lambda: vorn_api.RESULT_TYPES.pop("nullifier"), "vorn_identity.nullifier: result type missing"),
    (lambda: vorn_api.SHAPE_TYPES.pop("VdProof"), "parameter proof: shape VdProof missing from SHAPE_TYPES"),
    (lambda: vorn_api.SHAPE_TYPES.update(Ct="G1Point"), "parameter e_ct: G1Point is (Int,Int), the shape is"),
    (lambda: vorn_api.CONSTANT_TYPES.pop("H_PEDERSEN"), "vorn_identity.H_PEDERSEN: constant missing"),
    (lambda: vorn_api.RESULT_TYPES.update(no_such_function="int"), "no_such_function is exported by no module"),
])
def test_generator_refuses_an_undescribed_entry(patch, expected):
    saved = (dict(vorn_api.RESULT_TYPES), dict(vorn_api.SHAPE_TYPES), dict(vorn_api.CONSTANT_TYPES))
    try:
        patch()
        with pytest.raises(vorn_api.ApiError, match=expected.replace("(", r"\(").replace(")", r"\)")):
            vorn_api.load()
    finally:
        for table, old in zip((vorn_api.RESULT_TYPES, vorn_api.SHAPE_TYPES, vorn_api.CONSTANT_TYPES), saved):
            table.clear()
            table.update(old)


def test_generator_reads_every_row_with_its_shapes():
    rows, consts = vorn_api.read_rows()
    assert len(rows) == len(STUB_FUNCTIONS) and set(consts) == set(vorn_api.CONSTANT_TYPES)
    # The registration verifiers share their parameter list through a macro.
    assert [p[0] for p in rows["registration_verify_v3"].params][6] == "proof"
    assert rows["registration_verify_v3"].params[6][2] == "(Int,Int,Int,Int,Int,(Int,Int),(Int,Int),(Int,Int),(Int,Int))"
    assert rows["receipt_id"].params[1][1:] == ("U64", "U64", "12")
    assert rows["check_issuance"].params[0][2] == "(Bool,U8,[U8],U32,U32,F64,[Int])"
    # Record shapes come from the field tables: the re-encryption proof nests its five
    # scalars and eight points; the depositor binding proof is flat.
    g1 = "(Int,Int)"
    points8 = ",".join([g1] * 8)
    assert rows["issuer_reenc_verify"].params[3][1:3] == ("ReencProof", f"((Int,Int,Int,Int,Int),({points8}))")
    assert rows["b1_bind_verify"].params[4][2] == "(Int,Int,Int,Int,Int,%s)" % ",".join([g1] * 6)
    assert rows["issuer_schnorr_verify"].params[1][1:3] == ("SchnorrSig", "(Int,Int,(Int,Int))")


import api_reference  # noqa: E402
import gen_api_docs  # noqa: E402


@pytest.mark.parametrize("patch,expected", [
    (lambda: api_reference.FUNCTIONS.pop("nullifier"), "no entry for nullifier"),
    (lambda: api_reference.CONSTANTS.pop("G2"), "CONSTANTS: G2 is missing"),
    (lambda: api_reference.FUNCTIONS.update(tree_tag=("s", ["tree_id must not be empty"], "1")),
     "'tree_id must not be empty' is not a message of the kernel's sources"),
])
def test_api_reference_refuses_a_missing_entry_or_an_unknown_message(patch, expected):
    saved = dict(api_reference.FUNCTIONS), dict(api_reference.CONSTANTS)
    try:
        patch()
        with pytest.raises(vorn_api.ApiError, match=expected):
            gen_api_docs.check_reference(vorn_api.load())
    finally:
        for table, old in zip((api_reference.FUNCTIONS, api_reference.CONSTANTS), saved):
            table.clear()
            table.update(old)


def test_layout_doc_names_one_existing_file_for_every_exported_function():
    """docs/architecture.md says where each exported function's logic lives: every
    function of the three modules is in its tables, and every file it names exists."""
    import importlib
    import re

    text = (ROOT / "docs" / "architecture.md").read_text(encoding="utf-8")
    listed, files = set(), set()
    wallet = False
    for line in text.splitlines():
        if line.startswith("## "):
            wallet = "vorn_wallet" in line
        cells = [c.strip() for c in line.strip().strip("|").split("|")] if line.startswith("| `") else []
        if len(cells) < 2:
            continue
        listed.update(re.findall(r"`(\w+)`", cells[0]))
        base = ROOT / "src" / "vorn" / ("wallet" if wallet else "")
        for path in re.findall(r"`([\w/]+\.(?:cpp|h))`", cells[1]):
            files.add(base / path)
    exported = {
        name
        for mod in MODULES
        for name, obj in vars(importlib.import_module(mod)).items()
        if callable(obj) and not name.startswith("_") and not isinstance(obj, type)
    }
    assert exported - listed == set()
    assert [str(f) for f in sorted(files) if not f.is_file()] == []

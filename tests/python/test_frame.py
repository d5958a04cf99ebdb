"""The module frame: tables, order, signatures, and hostile arguments everywhere."""
import inspect
import sys

import pytest

import vorn_identity
import vorn_registry
import vorn_wallet

IDENTITY_ORDER = [
    "ORDER", "F_R", "FIELD_MODULUS", "G1", "G2", "H_PEDERSEN", "h_pedersen",
    "FLAVOR_A1", "FLAVOR_A2", "FLAVOR_B1",
    "g1_add", "g1_mul", "g1_neg", "g2_add", "g2_mul", "pairing_check",
    "keccak_scalar", "identity_scalar", "reduce_mod_order", "poseidon",
    "elgamal_encrypt", "elgamal_decrypt", "ps_sign", "ps_verify", "ps_rerandomize", "ps_present",
    "ps_key_consistent", "batch_commitment", "issuer_schnorr_sign", "issuer_schnorr_verify",
    "registration_prove", "registration_verify", "registration_verify_v3",
    "chaum_pedersen_prove", "chaum_pedersen_verify",
    "verifiable_decrypt_prove", "verifiable_decrypt_verify",
    "identity_opening_prove", "identity_opening_verify", "tree_tag", "derive_salt",
    "issuer_reenc_prove", "issuer_reenc_verify", "b1_bind_prove", "b1_bind_verify",
    "note_commitment", "nullifier", "id_hash_b1", "id_hash_a1", "id_hash_a2",
    "identity_leaf", "identity_leaf_salted", "receiving_leaf",
]
REGISTRY_ORDER = [
    "check_issuance", "band_for_face", "scope_id", "subtree_key",
    "registry_schnorr_sign", "registry_schnorr_verify",
    "registry_sign_certificate", "registry_verify_certificate", "seal_certificate", "unseal_certificate",
]
WALLET_ORDER = [
    "ENVELOPE_HEADER", "ENVELOPE_FOOTER",
    "canonical_json", "canonical_identity_data", "receipt_id", "envelope_text", "parse_envelope",
    "verify_receipt", "build_receipt", "mint_unilateral_a2", "receiving_key", "wrap_mask",
    "deliver_a1", "deliver_a2", "open_a1", "open_a2", "prove_receiving_binding",
    "verify_receiving_binding", "deposit_fold_a1_witness", "deposit_fold_a2_witness",
    "make_receipt_a2", "verify_receipt_a2", "mint_unilateral_a1", "make_receipt_a1",
    "verify_receipt_a1", "issue_credential",
]
MODULES = [(vorn_identity, IDENTITY_ORDER), (vorn_registry, REGISTRY_ORDER), (vorn_wallet, WALLET_ORDER)]


def public_names(mod):
    return [n for n in vars(mod) if not n.startswith("__")]


@pytest.mark.parametrize("mod, order", MODULES, ids=lambda m: getattr(m, "__name__", ""))
def test_module_tables_in_order(mod, order):
    assert public_names(mod) == order


def test_table_sizes():
    def count(mod):
        names = public_names(mod)
        fns = [n for n in names if callable(getattr(mod, n))]
        return len(fns), len(names) - len(fns)

    assert count(vorn_identity) == (44, 9)
    assert count(vorn_registry) == (10, 0)
    assert count(vorn_wallet) == (24, 2)


def test_constants_and_defaults():
    assert vorn_identity.H_PEDERSEN == vorn_identity.h_pedersen()
    assert vorn_wallet.ENVELOPE_HEADER == "VV-RCPT/2." and len(vorn_wallet.ENVELOPE_HEADER) == 10
    assert vorn_wallet.ENVELOPE_FOOTER == ".END"
    assert str(inspect.signature(vorn_identity.derive_salt)) == "(holder_secret, tree_id, association_counter=0)"
    assert str(inspect.signature(vorn_wallet.receipt_id)) == "(canonical, prefix_len=12)"
    assert str(inspect.signature(vorn_wallet.envelope_text)) == "(canonical, width=64)"
    assert str(inspect.signature(vorn_identity.h_pedersen)) == "()"
    with pytest.raises(TypeError):
        vorn_identity.h_pedersen(1)


def test_docstrings_carry_the_signature_line():
    for mod, order in MODULES:
        for name in order:
            f = getattr(mod, name)
            if not callable(f):
                continue
            inspect.signature(f)  # raises when the text signature is missing or malformed
            assert f.__module__ == mod.__name__ and f.__name__ == name
            assert f.__self__ is mod


class Weird:
    """An object that no parameter accepts."""


class Exploding:
    def __index__(self):
        raise RuntimeError("boom")

    def __float__(self):
        raise RuntimeError("boom")


class BigIndex:
    def __index__(self):
        return 2**300


HOSTILE = [None, 1.5, -1, 2**300, -(2**300), "x", b"x", bytearray(b"x"), [1, 2], (1, 2), ((1, 2), (3, 4)),
           {"a": 1}, Weird(), BigIndex(), True, float("nan"), (), ("a", "b"), [None] * 3]
EXPECTED = (TypeError, ValueError, OverflowError)


def all_functions():
    for mod, order in MODULES:
        for name in order:
            f = getattr(mod, name, None)
            if callable(f):
                yield pytest.param(f, id=f"{mod.__name__}.{name}")


def feed_hostile(fn, nparams):
    for h in HOSTILE:
        # Some hostile objects are valid for some parameters (an int for an int, a
        # text for a text); a result or one of the documented exception types is
        # fine, anything else (or a crash) is not.
        for args in ([h] * nparams, [h] + [0] * (nparams - 1), [0] * (nparams - 1) + [h]):
            try:
                fn(*args)
            except EXPECTED:
                pass


@pytest.mark.parametrize("fn", list(all_functions()))
def test_hostile_arguments_never_crash(fn):
    nparams = len(inspect.signature(fn).parameters)
    if not nparams:
        return
    owned = [h for h in HOSTILE if isinstance(h, (Weird, BigIndex, bytearray, list, dict))]
    before = [sys.getrefcount(h) for h in owned]
    feed_hostile(fn, nparams)
    try:
        fn(*[Exploding()] * nparams)
    except (RuntimeError,) + EXPECTED:
        pass
    # No argument object gained or lost a reference.
    assert [sys.getrefcount(h) for h in owned] == before


def test_panic_class_is_importable_and_outside_exception():
    import vorn
    assert vorn.PanicException.__module__ == "vorn"
    assert issubclass(vorn.PanicException, BaseException)
    assert not issubclass(vorn.PanicException, Exception)
    assert vorn.PanicException.__bases__ == (BaseException,)
    assert "invariant" in vorn.PanicException.__doc__


@pytest.mark.parametrize("name", ["\ud800", "a\x00b", "p\x00", "k" * 300, "\u00e9"])
def test_any_unknown_keyword_name_is_a_type_error_shown_whole(name):
    with pytest.raises(TypeError) as exc:
        vorn_identity.g1_mul((1, 2), **{name: 1})
    assert exc.value.args[0] == f"g1_mul() got an unexpected keyword argument '{name}'"
    # A known name followed by a NUL is not that name.
    with pytest.raises(TypeError, match="unexpected keyword"):
        vorn_identity.g1_mul((1, 2), **{"k\x00": 1, "p": (1, 2)})

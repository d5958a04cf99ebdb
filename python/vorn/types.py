"""Named types of the values the vorn kernel takes and returns.

The kernel's functions pass plain Python values: integers, tuples of integers,
``bytes`` and ``str``. These aliases give the tuple shapes their names and field
orders, so that a type checker (and a reader) can tell a G2 point from a
ciphertext, and the fields of each proof. They are ordinary aliases of ``tuple``:
a value of the kernel is never wrapped, and any tuple of the right shape is
accepted where an alias is expected.

    from vorn.types import G1Point, VdProof

The stubs of ``vorn_identity``, ``vorn_registry`` and ``vorn_wallet`` use them.
Importing this module imports none of the extension modules.
"""
from __future__ import annotations

from collections.abc import Sequence
from typing import TypedDict, Union

__all__ = [
    "G1Point", "G2Point", "Ciphertext", "PairingPair", "PsSignature", "PsPresentation", "SchnorrSignature",
    "RegistrationProof", "CpProof", "VdProof", "ReencScalars", "ReencPoints", "ReencProof", "B1BindProof",
    "B1Binding", "InsurerEnvelope", "JsonPoint", "RcptResult",
]

# A point of G1 as its affine coordinates (x, y), each below FIELD_MODULUS. The point
# at infinity is (0, 0).
G1Point = tuple[int, int]

# A point of G2: ((x_c0, x_c1), (y_c0, y_c1)), each coordinate c0 + c1*u with the real
# part c0 first (the EVM precompiles put c1 first). Infinity is ((0, 0), (0, 0)).
G2Point = tuple[tuple[int, int], tuple[int, int]]

# An ElGamal ciphertext (R, C) = (r*G, M + r*pk): ((R.x, R.y), (C.x, C.y)). Same tuple
# shape as a G2 point; the parameter says which is meant.
Ciphertext = tuple[G1Point, G1Point]

# One term of pairing_check: (P, Q), P in G1, Q in G2.
PairingPair = tuple[G1Point, G2Point]

# A Pointcheval-Sanders signature (sigma_1, sigma_2).
PsSignature = tuple[G1Point, G1Point]

# A hiding presentation of a Pointcheval-Sanders signature (A, B).
PsPresentation = tuple[G1Point, G1Point]

# A Schnorr signature (e, s, R): challenge, response s = k + e*sk mod r, commitment
# R = k*G. Issuer and registry signatures have this shape.
SchnorrSignature = tuple[int, int, G1Point]

# Registration proof (e, s_m, s_b, s_r, s_sk, C1, T_C, T_R, T_key).
RegistrationProof = tuple[int, int, int, int, int, G1Point, G1Point, G1Point, G1Point]

# Chaum-Pedersen approval proof (e, s1, s2, T1, T2, T3).
CpProof = tuple[int, int, int, G1Point, G1Point, G1Point]

# Verifiable-decryption or identity-opening proof (e, s, T1, T2).
VdProof = tuple[int, int, G1Point, G1Point]

# The scalars of an issuer re-encryption proof (e, s_r, s_b, s_s, s_g).
ReencScalars = tuple[int, int, int, int, int]

# The points of an issuer re-encryption proof (A1, A2, A3, A4, A5, Q, U, T).
ReencPoints = tuple[G1Point, G1Point, G1Point, G1Point, G1Point, G1Point, G1Point, G1Point]

# Issuer re-encryption proof (scalars, points).
ReencProof = tuple[ReencScalars, ReencPoints]

# Depositor binding proof (e, s_m, s_s, s_r, s_b, D1, D2, D3, D4, D5, Cm).
B1BindProof = tuple[int, int, int, int, int, G1Point, G1Point, G1Point, G1Point, G1Point, G1Point]

# What b1_bind_prove returns: (proof, e_dep_for_iss), the deposit's identity
# re-encrypted to the issuer.
B1Binding = tuple[B1BindProof, Ciphertext]

# The insurer envelope of check_issuance: (good_standing, face_band, dep_models,
# max_dep_rate, max_premium_rate, expiry, scopes).
InsurerEnvelope = tuple[bool, int, Sequence[int], int, int, float, Sequence[int]]


class JsonPoint(TypedDict):
    """A G1 point in the wallet's JSON: each coordinate "0x" and 64 hex digits."""

    x: str
    y: str


class RcptResult(TypedDict):
    """``json.loads(vorn_wallet.verify_receipt(text))``: the tier-1 verdict.

    ``reason`` is "VALID" (or the qualifiers of a passing receipt) when ``ok``,
    otherwise the failed check; ``identity_M`` (the payer's identity point) and
    ``value`` (the transaction value, a hex word) are null on failure.
    """

    ok: bool
    reason: str
    identity_M: Union[JsonPoint, None]
    value: Union[str, None]

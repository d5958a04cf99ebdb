"""The issuance gate and face bands as Python sees them: conversions, message order."""
import math

import pytest

import vorn_registry as vr

NAN = float("nan")
SCOPE = 0x8000000000000000000000000000000000000000000000000000000000000001  # >= 2^255
# Admits the base request below at every maximum (rates equal, now equal to expiry).
ENV = (True, 4, [0, 1], 500, 300, 1000.0, [7, SCOPE])
BASE = dict(scope=SCOPE, face=10**10 - 1, dep_type=1, dep_rate=500, premium_rate=300, now=1000.0)


def gate(env=ENV, **over):
    return vr.check_issuance(env, **{**BASE, **over})


@pytest.mark.parametrize("face,band", [
    (0, 1), (9_999_999, 1), (10_000_000, 2), (10**8 - 1, 2), (10**8, 3), (10**13 - 1, 7), (10**13, 8),
    (99_999_999_999_999, 8), (10**14, 9), (2**128 - 1, 9), (True, 1),
])
def test_band_for_face(face, band):
    assert vr.band_for_face(face) == band


@pytest.mark.parametrize("face", [2**128, 2**256, 2**1000])
def test_band_for_face_out_of_range(face):
    with pytest.raises(ValueError, match=r"^face_units out of range \(>= 2\^128\)$"):
        vr.band_for_face(face)


@pytest.mark.parametrize("env,over,reason", [
    (ENV, {}, ""),
    ((False,) + ENV[1:], dict(now=2000.0, scope=1, dep_type=2), "insurer not in good standing"),
    (ENV, dict(now=1001.0, scope=1), "attestation expired"),
    (ENV, dict(now=NAN), ""),
    (ENV[:5] + (NAN,) + ENV[6:], dict(now=math.inf), ""),
    (ENV, dict(scope=1, face=10**14), "scope not attested"),
    (ENV[:6] + ([],), dict(scope=0), "scope not attested"),
    (ENV, dict(face=10**10, dep_type=2), "face above attested band"),
    ((True, 8) + ENV[2:], dict(face=10**14), "face above attested band"),
    (ENV, dict(dep_type=2, dep_rate=501), "depreciation model not attested"),
    (ENV[:2] + ((0, 1, 2),) + ENV[3:], dict(dep_type=2), ""),
    (ENV, dict(dep_rate=501, premium_rate=301), "depreciation rate above attested maximum"),
    (ENV, dict(premium_rate=301), "premium rate above attested maximum"),
    # Rates and their maxima are compared at their full 32 bits.
    (ENV[:3] + (2**16, 2**32 - 1) + ENV[5:], dict(dep_rate=5, premium_rate=2**32 - 1), ""),
    (ENV[:3] + (500, 2**16) + ENV[5:], dict(premium_rate=7), ""),
    (ENV[:3] + (2**16, 300) + ENV[5:], dict(dep_rate=2**16 + 1), "depreciation rate above attested maximum"),
])
def test_gate_reasons(env, over, reason):
    assert gate(env, **over) == reason


# Envelope items first (scopes, band, models), then scope, then face.
@pytest.mark.parametrize("env,over,msg", [
    ((True, 0, [3], 1, 1, 1.0, [2**256]), dict(scope=2**256, face=2**128), r"word out of range \(>= 2\^256\)"),
    ((True, 0, [3], 1, 1, 1.0, [1]), dict(scope=2**256, face=2**128), r"face_band must be in \[1, FACE_BAND_MAX\]"),
    ((True, 9, [0], 1, 1, 1.0, [1]), {}, r"face_band must be in \[1, FACE_BAND_MAX\]"),
    ((True, 8, [0, 3], 1, 1, 1.0, [1]), dict(scope=2**256), r"unknown depreciation type"),
    (ENV, dict(scope=2**256, face=2**128), r"word out of range \(>= 2\^256\)"),
    (ENV, dict(face=2**128), r"face_units out of range \(>= 2\^128\)"),
])
def test_malformed_input_raises_in_order(env, over, msg):
    with pytest.raises(ValueError, match="^" + msg + "$"):
        gate(env, **over)


@pytest.mark.parametrize("env,over,exc", [
    (ENV[:6], {}, ValueError),                        # six items
    (list(ENV), {}, TypeError),                       # not a tuple
    ((True, 4, "01") + ENV[3:], {}, TypeError),       # models as a text
    ((True, 256) + ENV[2:], {}, OverflowError),       # band beyond 8 bits
    ((True, 4, [256]) + ENV[3:], {}, OverflowError),  # model beyond 8 bits
    (ENV[:3] + (2**32,) + ENV[4:], {}, OverflowError),
    (ENV, dict(dep_type=256), OverflowError),
    (ENV, dict(premium_rate=-1), OverflowError),
    (ENV, dict(scope=-1), OverflowError),
    (ENV, dict(now="1000"), TypeError),
])
def test_argument_layer(env, over, exc):
    with pytest.raises(exc):
        gate(env, **over)

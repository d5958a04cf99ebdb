"""Identity certificates as Python sees them: the wire read back with `struct`, the
identity and key points recomputed with vorn_identity, and the failure messages."""
import struct

import pytest

import vorn_identity as vi
import vorn_registry as vr

SK, K, CHAIN = 0x1B6F8E3A2C4D5E6F, 0x0A1B2C3D4E5F6071, 11155111
REG, CANON = "registry.vorn/eu-1", "Zoë|1990-01-01|NL"
TRUNCATED = "certificate wire data truncated"
BAD_UTF8 = "invalid UTF-8 in wire data"
MISMATCH = "M does not match canonical_identity"
NOT_FOR_YOU = "decrypted M does not match certificate M -- envelope was not sealed for this client"


def sign(reg=REG, canon=CANON, serial=7, issued=-1700000000, expires=1800000000):
    return vr.registry_sign_certificate(SK, reg, canon, serial, issued, expires, CHAIN, K)


def unpack(wire):
    """The wire layout, read independently of the library."""
    words = [int.from_bytes(wire[32 * i: 32 * i + 32], "big") for i in range(6)]
    (l1,) = struct.unpack_from(">I", wire, 192)
    reg = wire[196: 196 + l1].decode()
    serial, l2 = struct.unpack_from(">QI", wire, 196 + l1)
    canon = wire[208 + l1: 208 + l1 + l2].decode()
    m = struct.unpack_from(">32s32s", wire, 208 + l1 + l2)
    issued, expires = struct.unpack_from(">qq", wire, 272 + l1 + l2)
    return dict(e=words[0], s=words[1], R=(words[2], words[3]), pk=(words[4], words[5]), reg=reg, serial=serial,
                canon=canon, M=tuple(int.from_bytes(c, "big") for c in m), issued=issued, expires=expires,
                size=288 + l1 + l2)


@pytest.mark.parametrize("reg,canon,serial,issued,expires", [
    (REG, CANON, 7, -1700000000, 1800000000),
    ("", "", 2**64 - 1, -2**63, 2**63 - 1),
    ("ré", "日本", 0, -1, 0),
])
def test_signed_wire_layout(reg, canon, serial, issued, expires):
    wire = sign(reg, canon, serial, issued, expires)
    f = unpack(wire)
    assert f["size"] == len(wire) == 288 + len(reg.encode()) + len(canon.encode())
    assert (f["reg"], f["canon"], f["serial"], f["issued"], f["expires"]) == (reg, canon, serial, issued, expires)
    assert f["M"] == vi.g1_mul(vi.G1, vi.identity_scalar(canon))
    assert f["pk"] == vi.g1_mul(vi.G1, SK)
    assert f["R"] == vi.g1_mul(vi.G1, K)
    # s*G == R + e*PK
    assert vi.g1_mul(vi.G1, f["s"]) == vi.g1_add(f["R"], vi.g1_mul(f["pk"], f["e"]))
    assert vr.registry_verify_certificate(wire, CHAIN) is True


def patched(wire, at, new):
    return wire[:at] + new + wire[at + len(new):]


L1, L2 = len(REG.encode()), len(CANON.encode())


@pytest.mark.parametrize("what,edit", [
    ("serial", lambda w: patched(w, 196 + L1, struct.pack(">Q", 8))),
    ("issued_at", lambda w: patched(w, 272 + L1 + L2, struct.pack(">q", -1700000001))),
    ("expires_at", lambda w: patched(w, 280 + L1 + L2, struct.pack(">q", 1800000001))),
    ("registry_id", lambda w: patched(w, 196, b"R")),
])
def test_tampered_fields_parse_but_do_not_verify(what, edit):
    assert vr.registry_verify_certificate(edit(sign()), CHAIN) is False


def test_verify_other_chain_and_trailing_bytes():
    wire = sign()
    assert vr.registry_verify_certificate(wire, CHAIN + 1) is False
    assert vr.registry_verify_certificate(wire + b"\x00junk", CHAIN) is True


@pytest.mark.parametrize("wire_fn,msg", [
    (lambda w: w[:191], TRUNCATED),
    (lambda w: w[:-1], TRUNCATED),
    (lambda w: patched(w, 192, struct.pack(">I", 2**32 - 1)), TRUNCATED),
    (lambda w: patched(w, 196, b"\xff"), BAD_UTF8),
    (lambda w: patched(w, 208 + L1, b"z"), MISMATCH),
    (lambda w: patched(w, 208 + L1 + L2, (1).to_bytes(32, "big") + (2).to_bytes(32, "big")), MISMATCH),
    (lambda w: patched(w, 160, (3).to_bytes(32, "big")), "G1 point not on curve"),
    (lambda w: patched(w, 64, vi.FIELD_MODULUS.to_bytes(32, "big")), "coordinate not a canonical Fq element"),
])
def test_verify_raises_for_malformed_wires(wire_fn, msg):
    with pytest.raises(ValueError, match="^" + msg + "$"):
        vr.registry_verify_certificate(wire_fn(sign()), CHAIN)


def test_parse_errors_come_before_argument_conversion():
    with pytest.raises(ValueError, match="^" + TRUNCATED + "$"):
        vr.registry_verify_certificate(sign()[:200], 2**256)
    with pytest.raises(ValueError, match="^" + TRUNCATED + "$"):
        vr.seal_certificate(b"", (2**256, 0), 2**256)
    with pytest.raises(ValueError, match="^" + TRUNCATED + "$"):
        vr.unseal_certificate(b"\x00" * 131, 2**256)


def test_seal_then_unseal():
    wire = sign()
    client_sk = 0xC0FFEE
    env = vr.seal_certificate(wire + b"extra", vi.g1_mul(vi.G1, client_sk), 5)
    assert len(env) == 132 + len(wire)
    (n,) = struct.unpack_from(">I", env, 128)
    assert env[132:132 + n] == wire
    assert vr.unseal_certificate(env, client_sk) == wire
    assert vr.unseal_certificate(env + b"tail", client_sk) == wire
    with pytest.raises(ValueError, match="^" + NOT_FOR_YOU + "$"):
        vr.unseal_certificate(env, client_sk + 1)
    with pytest.raises(ValueError, match="^" + TRUNCATED + "$"):
        vr.unseal_certificate(env[:-1], client_sk)
    with pytest.raises(ValueError, match="^G1 point not on curve$"):
        vr.seal_certificate(wire, (1, 3), 5)


@pytest.mark.parametrize("call,exc", [
    (lambda: vr.registry_sign_certificate(SK, REG, CANON, 2**64, 0, 0, CHAIN, K), OverflowError),
    (lambda: vr.registry_sign_certificate(SK, REG, CANON, 1, 2**63, 0, CHAIN, K), OverflowError),
    (lambda: vr.registry_sign_certificate(SK, REG, CANON, 1, 0, -2**63 - 1, CHAIN, K), OverflowError),
    (lambda: vr.registry_sign_certificate(SK, b"reg", CANON, 1, 0, 0, CHAIN, K), TypeError),
    (lambda: vr.registry_verify_certificate(bytearray(sign()), CHAIN), TypeError),
    (lambda: vr.seal_certificate(sign(), [1, 2], 5), TypeError),
])
def test_argument_layer(call, exc):
    with pytest.raises(exc):
        call()


def test_sign_word_errors():
    for args in [(2**256, K, CHAIN), (SK, K, 2**256), (SK, 2**256, CHAIN)]:
        sk, k, chain = args
        with pytest.raises(ValueError, match=r"^word out of range \(>= 2\^256\)$"):
            vr.registry_sign_certificate(sk, REG, CANON, 1, 0, 0, chain, k)


def test_unseal_compares_the_whole_point():
    # An envelope whose ciphertext carries -M (the same x, the other y) is not for
    # this client: the decrypted point must equal the certificate's M in both words.
    wire = sign()
    client_sk = 0xC0FFEE
    m = unpack(wire)["M"]
    (r_pt, c_pt) = vi.elgamal_encrypt(vi.g1_neg(m), vi.g1_mul(vi.G1, client_sk), 5)
    header = b"".join(v.to_bytes(32, "big") for v in (*r_pt, *c_pt))
    env = header + vr.seal_certificate(wire, vi.g1_mul(vi.G1, client_sk), 5)[128:]
    with pytest.raises(ValueError, match="^" + NOT_FOR_YOU + "$"):
        vr.unseal_certificate(env, client_sk)

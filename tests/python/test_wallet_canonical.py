"""Canonical JSON, receipt id and envelope as Python sees them.

The references are Python's own json, hashlib and base64 modules: for integer-only
values, json.dumps with sorted keys, no whitespace and ensure_ascii=False writes
exactly the canonical form (code point order is UTF-8 byte order, and its escape
table is the canonical one).
"""
import base64
import hashlib
import json

import pytest
from hypothesis import given, settings, strategies as st

import vorn_wallet as vw

FLOATS = "canonical_json: floats are not canonical"
MISSING = "envelope: missing VV-RCPT/2. header or .END footer"
BAD64 = "envelope: invalid base64url"
WHITE_SPACE = ["\t", "\n", "\v", "\f", "\r", " ", "\x85", "\xa0", "\u1680", *map(chr, range(0x2000, 0x200B)),
               "\u2028", "\u2029", "\u202f", "\u205f", "\u3000"]


def reference_canonical(value):
    return json.dumps(value, sort_keys=True, separators=(",", ":"), ensure_ascii=False)


def reference_id(data, n=12):
    return base64.b32encode(hashlib.sha256(data).digest()).decode().rstrip("=").lower()[:n]


def reference_envelope(data, width=64):
    body = base64.urlsafe_b64encode(data).decode().rstrip("=")
    w = width or 1
    return "VV-RCPT/2.\n" + "\n".join(body[i:i + w] for i in range(0, len(body), w)) + "\n.END"


def test_constants():
    assert vw.ENVELOPE_HEADER == "VV-RCPT/2." and len(vw.ENVELOPE_HEADER) == 10
    assert vw.ENVELOPE_FOOTER == ".END"


@pytest.mark.parametrize("text,out", [
    ('{ "b": 1, "a": [true, null, "x"] }', '{"a":[true,null,"x"],"b":1}'),
    ('{"a":1,"b":2,"a":3}', '{"a":3,"b":2}'),
    ('{"é":1,"aa":2,"a":3,"B":4}', '{"B":4,"a":3,"aa":2,"é":1}'),
    ('{"\\ud83d\\ude00":1,"\\uff61":2}', '{"\uff61":2,"\U0001f600":1}'),
    ('"\\u000b/é\\u2028\\u007f"', '"\\u000b/é\u2028\x7f"'),
    ("0", "0"), ("-7", "-7"), ("2" * 78, "2" * 78), ("9" * 400, "9" * 400),
])
def test_canonical_json(text, out):
    assert vw.canonical_json(text) == out


@pytest.mark.parametrize("text", ["1.0", "1e3", "-0", "0.5", "[1, 2.5]", '{"a": {"b": 1E2}}', "1e400"])
def test_canonical_json_refuses_floats(text):
    with pytest.raises(ValueError, match=f"^{FLOATS}$"):
        vw.canonical_json(text)


@pytest.mark.parametrize("text", ["", "{", "[1,]", "01", "NaN", "[1] [2]", "[1]\0", '"\\ud800"',
                                  "[" * 129 + "]" * 129, "[" * 100000])
def test_canonical_json_refuses_invalid_json(text):
    with pytest.raises(ValueError, match="^canonical_json: invalid JSON$"):
        vw.canonical_json(text)


def test_nesting_limit():
    assert vw.canonical_json("[" * 128 + "]" * 128) == "[" * 128 + "]" * 128


@pytest.mark.parametrize("text,error", [
    ("[1]", "canonical_identity_data: expected a JSON object"),
    ('"x"', "canonical_identity_data: expected a JSON object"),
    ("{", "canonical_identity_data: invalid JSON"),
    ('{"a": 0.5}', FLOATS),
])
def test_canonical_identity_data_errors(text, error):
    with pytest.raises(ValueError, match=f"^{error}$"):
        vw.canonical_identity_data(text)


def test_canonical_identity_data():
    assert vw.canonical_identity_data('{"name": "Ann", "country": "NL"}') == '{"country":"NL","name":"Ann"}'


# Strings without lone surrogates (they cannot be UTF-8 encoded).
texts = st.text(st.characters(blacklist_categories=("Cs",)), max_size=12)
json_values = st.recursive(
    st.none() | st.booleans() | st.integers(min_value=-(2**300), max_value=2**300) | texts,
    lambda inner: st.lists(inner, max_size=5) | st.dictionaries(texts, inner, max_size=5),
    max_leaves=30)


@settings(max_examples=300, deadline=None)
@given(json_values, st.booleans(), st.sampled_from([None, 0, 2]))
def test_canonical_json_matches_python_json(value, ascii_escapes, indent):
    text = json.dumps(value, ensure_ascii=ascii_escapes, indent=indent)
    expected = reference_canonical(value)
    assert vw.canonical_json(text) == expected
    assert vw.canonical_json(expected) == expected


@settings(max_examples=200, deadline=None)
@given(st.binary(max_size=300), st.integers(min_value=0, max_value=60))
def test_receipt_id_matches_hashlib_and_base64(data, n):
    assert vw.receipt_id(data, n) == reference_id(data, n)
    assert vw.receipt_id(data) == vw.receipt_id(data, 12) == reference_id(data)


def test_receipt_id_known_digest():
    # SHA-256("abc") = ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad
    assert vw.receipt_id(b"abc", 52) == "xj4bnp4pahh6uqkbidpf3lrceoyagyndsylxvhfucd7wd4qacwwq"
    assert vw.receipt_id(b"abc", 2**64 - 1) == vw.receipt_id(b"abc", 52)
    assert vw.receipt_id(b"", 0) == ""


@settings(max_examples=200, deadline=None)
@given(st.binary(max_size=200), st.integers(min_value=0, max_value=100), st.data())
def test_envelope_round_trip_with_any_whitespace(data, width, draw):
    text = vw.envelope_text(data, width)
    assert text == reference_envelope(data, width)
    assert vw.parse_envelope(text) == data
    # Re-flow the body with arbitrary White_Space runs and padding around it.
    body = "".join(text.split("\n")[1:-1])
    spaced = "".join(ch + draw.draw(st.text(st.sampled_from(WHITE_SPACE), max_size=2)) for ch in body)
    padding = "=" * draw.draw(st.integers(min_value=0, max_value=3))
    assert vw.parse_envelope("Receipt: VV-RCPT/2.\r\n  " + spaced + padding + "\r\n.END\r\nthanks") == data


def test_envelope_defaults_and_shapes():
    assert vw.envelope_text(b"abc") == vw.envelope_text(b"abc", 64)
    assert vw.envelope_text(b"") == "VV-RCPT/2.\n\n.END"
    assert vw.envelope_text(b"\xfb\xff\xfe", 2) == "VV-RCPT/2.\n-_\n_-\n.END"
    lines = vw.envelope_text(b"x" * 49).split("\n")  # 49 bytes: 66 characters
    assert [len(line) for line in lines[1:-1]] == [64, 2]


@pytest.mark.parametrize("text,error", [
    ("", MISSING),
    ("VV-RCPT/2.YWJj", MISSING),
    (".END VV-RCPT/2.YWJj", MISSING),
    ("VV-RCPT/2.YWJjZ.END", BAD64),
    ("VV-RCPT/2.YWJjZ===.END", BAD64),
    ("VV-RCPT/2.YW+j.END", BAD64),
    ("VV-RCPT/2.YW/j.END", BAD64),
    ("VV-RCPT/2.YW=j.END", BAD64),
    ("VV-RCPT/2.YW\u200bj.END", BAD64),
    ("VV-RCPT/2.YW\x1cj.END", BAD64),  # str.isspace() says yes; it is not White_Space
    ("VV-RCPT/2.YWéj.END", BAD64),
])
def test_parse_envelope_errors(text, error):
    with pytest.raises(ValueError, match=f"^{error}$"):
        vw.parse_envelope(text)


@pytest.mark.parametrize("call", [
    lambda: vw.receipt_id("abc"),
    lambda: vw.receipt_id(bytearray(b"abc")),
    lambda: vw.envelope_text("abc"),
    lambda: vw.parse_envelope(b"VV-RCPT/2..END"),
    lambda: vw.canonical_json(b"{}"),
])
def test_argument_types(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("call", [
    lambda: vw.receipt_id(b"abc", -1),
    lambda: vw.envelope_text(b"abc", 2**64),
])
def test_small_int_range(call):
    with pytest.raises(OverflowError):
        call()

// Named JSON arguments: parsing the argument text, reading typed values out of a
// JSON object with fixed messages, and writing words, points and ciphertexts.
//
// Value forms inside JSON:
// - hex word: read from a string of an optional "0x" (lower-case x) and 1 to 64
//   hex digits of either case, right-aligned; written as "0x" + 64 lower-case digits;
// - decimal word: a string of 1 to 78 digits below 2^256;
// - point: {"x", "y"}; ciphertext: {"R", "C"}; 128-bit integers are JSON numbers;
// - an optional value is absent when its key is missing, null, or {}.
//
// Every reader has a `get_*(obj, key)` form and an `as_*(value)` form. `get_*`
// fails with "receipt: missing field" when `obj` is not an object or lacks `key`
// (the message does not name the field), then behaves as `as_*` on the value.
// Points and ciphertexts are read as words only: whether they lie on the curve is
// checked by the operation that decodes them. Record readers compose these; each
// stops at the first failure.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

/// The expected failure with the fixed message `msg`: the wallet's one spelling of it.
inline IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

inline constexpr std::string_view kArgsInvalidJsonPrefix = "args: invalid JSON: ";
inline constexpr std::string_view kMissingField = "receipt: missing field";
inline constexpr std::string_view kExpectedString = "receipt: expected a string";
inline constexpr std::string_view kExpectedInteger = "receipt: expected an integer";
inline constexpr std::string_view kIntegerOutOfRange = "receipt: integer out of range";
inline constexpr std::string_view kExpectedArray = "receipt: expected an array";
inline constexpr std::string_view kHexWordLength = "hex word must be 1..64 nybbles";
inline constexpr std::string_view kInvalidHex = "invalid hex";
inline constexpr std::string_view kDecimalWordLength = "decimal word must be 1..78 digits";
inline constexpr std::string_view kInvalidDecimal = "invalid decimal";
inline constexpr std::string_view kDecimalWordTooWide = "decimal word exceeds 256 bits";
inline constexpr std::string_view kExpectedHexString = "args: expected a hex string";

/// A G1 point as its coordinate words and an ElGamal ciphertext (R, C) as point
/// words: the notes layer's carriers, so that what is read here goes straight into
/// the note hashes and leaves.
using notes::CiphertextW;
using notes::G1Words;

/// Parses the argument text of a wallet call. Any JSON value is returned as is (a
/// non-object simply has no fields). Error: "args: invalid JSON: " followed by the
/// parser's description with its byte position.
Result<Json> parse_args(std::string_view args_json);

/// The same, with the arrays at `word_paths` (member paths from the root, see
/// JsonWordArrays) read straight into words: each string element that w_from_hex
/// accepts becomes its word, and the first element it refuses (or that is not a
/// string) is kept as is, for the reader to report. Errors as parse_args.
Result<Json> parse_args(std::string_view args_json, std::span<const std::span<const std::string_view>> word_paths);

// ---- Lookup

/// The member `key` of `obj` unless it is missing, null or {}; nullptr otherwise
/// (also when `obj` is not an object). Never fails.
const Json* get_opt(const Json& obj, std::string_view key);

/// The member `key` of `obj`, whatever its kind (null included). Error: "receipt:
/// missing field".
Result<const Json*> get_field(const Json& obj, std::string_view key);

// ---- Strings and words

/// A string. Errors: missing field; "receipt: expected a string".
Result<std::string> get_str(const Json& obj, std::string_view key);
Result<std::string> as_str(const Json& v);

/// Reads a hex word: an optional "0x" prefix (dropped only when the text has at
/// least 2 characters), then 1 to 64 digits 0-9 a-f A-F, right-aligned in the word.
/// Errors, in order: "hex word must be 1..64 nybbles"; "invalid hex".
Result<W> w_from_hex(std::string_view text);

/// Reads a decimal word of 1 to 78 digits (leading zeros allowed). Errors, in
/// order: "decimal word must be 1..78 digits"; "invalid decimal" at the first
/// non-digit; "decimal word exceeds 256 bits" as soon as the value overflows.
Result<W> w_from_dec(std::string_view text);

/// A hex word. Errors: missing field; expected a string; the `w_from_hex` errors.
Result<W> get_w(const Json& obj, std::string_view key);
Result<W> as_w(const Json& v);

/// A decimal word. Errors: missing field; expected a string; the `w_from_dec` errors.
Result<W> get_dec_w(const Json& obj, std::string_view key);
Result<W> as_dec_w(const Json& v);

/// An optional hex word: nothing when absent (as `get_opt`). Errors: `not_string`
/// (by default "args: expected a hex string") when present but not a string, then
/// the `w_from_hex` errors. Readers with their own message pass it, e.g. "args: sk
/// must be a hex string".
Result<std::optional<W>> opt_w(const Json& obj, std::string_view key,
                               std::string_view not_string = kExpectedHexString);

// ---- Points and ciphertexts

/// A hex point: `get_w` of "x", then of "y" (a value that is not an object fails
/// with "receipt: missing field").
Result<G1Words> get_g1(const Json& obj, std::string_view key);
Result<G1Words> as_g1(const Json& v);

/// A hex ciphertext: the point "R", then the point "C".
Result<CiphertextW> get_ct(const Json& obj, std::string_view key);
Result<CiphertextW> as_ct(const Json& v);

/// A decimal point: `get_dec_w` of "x", then of "y".
Result<G1Words> get_g1_dec(const Json& obj, std::string_view key);
Result<G1Words> as_g1_dec(const Json& v);

/// A decimal ciphertext: the decimal point "R", then "C".
Result<CiphertextW> get_ct_dec(const Json& obj, std::string_view key);
Result<CiphertextW> as_ct_dec(const Json& v);

/// An optional point or ciphertext: nothing when absent (as `get_opt`), else the
/// errors of `as_g1` / `as_ct`. A party's "E" is read this way.
Result<std::optional<G1Words>> opt_g1(const Json& obj, std::string_view key);
Result<std::optional<CiphertextW>> opt_ct(const Json& obj, std::string_view key);

// ---- Integers and arrays

/// An unsigned 128-bit JSON number. Errors: missing field; "receipt: expected an
/// integer" (not a number); "receipt: integer out of range" (a sign, a fraction,
/// an exponent, or 2^128 or more).
Result<U128> get_u128(const Json& obj, std::string_view key);
Result<U128> as_u128(const Json& v);

/// An array. Errors: missing field; "receipt: expected an array".
Result<const JsonArray*> get_array(const Json& obj, std::string_view key);
Result<const JsonArray*> as_array(const Json& v);

// ---- Declared keys
//
// A wallet call declares the keys it reads as a table, in reading order: each entry
// names the key, its reader (one of the get_* readers above for a required key, an
// opt_* reader for an optional one; the reader's messages are the key's) and the
// member of the call's argument record it fills. read_keys reads the entries in
// table order and stops at the first failure, so the order of reading and its
// messages follow from the declaration, and the call body works on the record.

/// One declared key of `Record`.
template <class Record, class T>
struct Key {
  std::string_view name;
  Result<T> (*read)(const Json& obj, std::string_view key);
  T Record::*member;
};
// Spelled out for compilers without class template argument deduction for
// aggregates (clang before 17, which builds the fuzz targets).
template <class Record, class T>
Key(std::string_view, Result<T> (*)(const Json&, std::string_view), T Record::*) -> Key<Record, T>;

/// A call's table: its keys in reading order.
template <class Record, class... T>
using KeyTable = std::tuple<Key<Record, T>...>;

/// The optional hex word of opt_w with its default message, as a key reader.
Result<std::optional<W>> opt_hex(const Json& obj, std::string_view key);

/// An optional string: nothing when absent (as get_opt), else as_str.
Result<std::optional<std::string>> opt_str(const Json& obj, std::string_view key);

/// A record reader of records.h (`x_from(const Json& record)`) as a key reader: the
/// member `key` ("receipt: missing field" when absent), then the record.
template <class T, Result<T> (*From)(const Json&)>
Result<T> record_at(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* rec, get_field(obj, key));
  return From(*rec);
}

/// The same for an optional record: nothing when absent (as get_opt).
template <class T, Result<T> (*From)(const Json&)>
Result<std::optional<T>> opt_record(const Json& obj, std::string_view key) {
  const Json* rec = get_opt(obj, key);
  if (!rec) return std::optional<T>();
  VORN_TRY(T t, From(*rec));
  return std::optional<T>(std::move(t));
}

template <class Record, class T>
Status read_key(const Json& obj, const Key<Record, T>& key, Record& out) {
  VORN_TRY(out.*key.member, key.read(obj, key.name));
  return ok_status();
}

/// Reads the table's keys of `obj` into `out`, in table order; the first failure is
/// the result.
template <class Record, class... T>
Status read_keys(const Json& obj, const KeyTable<Record, T...>& table, Record& out) {
  Status status = ok_status();
  std::apply([&](const auto&... key) { (static_cast<bool>(status = read_key(obj, key, out)) && ...); }, table);
  return status;
}

/// The same into a fresh record.
template <class Record, class... T>
Result<Record> read_keys(const Json& obj, const KeyTable<Record, T...>& table) {
  Record out{};
  VORN_CHECK(read_keys(obj, table, out));
  return out;
}

// ---- Writers

/// "0x" and the 32 bytes as 64 lower-case hex digits.
std::string hex_w(const W& w);

/// `hex_w` of the word reduced modulo the group order r. The reduction is
/// constant time.
std::string scalar_hex(const W& w);

/// The word reduced modulo the group order r (a value in [0, r)): bn254's
/// reduction. Constant time.
using hash::reduce_mod_r;

/// Decimal digits, most significant first, no leading zeros; "0" for zero.
std::string dec_w(const W& w);

/// {"x": hex_w(x), "y": hex_w(y)}, coordinates as they are.
Json g1_hex(const G1Words& p);

/// {"R": g1_hex(R), "C": g1_hex(C)}.
Json ct_hex(const CiphertextW& ct);

/// {"x": dec_w(x), "y": dec_w(y)}, coordinates as they are.
Json g1_dec(const G1Words& p);
/// {"R": g1_dec(R), "C": g1_dec(C)}.
Json ct_dec(const CiphertextW& ct);

}  // namespace vorn::wallet

// Canonical JSON: the one byte form a receipt is hashed and exchanged in.
//
// Sorted keys (UTF-8 byte order), no whitespace, integers only, a fixed string
// escape table. Any other writer of receipts must produce the same bytes, since a
// single differing byte changes the receipt id.
#pragma once

#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

inline constexpr std::string_view kCanonicalFloats = "canonical_json: floats are not canonical";
inline constexpr std::string_view kCanonicalInvalidJson = "canonical_json: invalid JSON";
inline constexpr std::string_view kIdentityDataInvalidJson = "canonical_identity_data: invalid JSON";
inline constexpr std::string_view kIdentityDataNotObject = "canonical_identity_data: expected a JSON object";

/// True when `text` is an optional "-" and then "0" or a digit string without a
/// leading zero; "-0" is refused. This is the only number form canonical JSON has.
bool is_canonical_integer(std::string_view text);

/// Appends `s` as a quoted JSON string: `"` and `\` escaped, U+0008/9/A/C/D as
/// \b \t \n \f \r, every other byte below 0x20 as \u00xx (lower-case hex), all
/// other bytes (also "/", U+007F and UTF-8 sequences) copied unchanged.
void write_string(std::string_view s, std::string& out);

/// Appends the canonical form of `v`. Fails with "canonical_json: floats are not
/// canonical" when any number in it is not a canonical integer; `out` is then left
/// as it was. Iterative: any depth is written without recursion.
Status write_canonical(const Json& v, std::string& out);

/// The canonical text of `v`, or the error of `write_canonical`.
Result<std::string> canonical_json_value(const Json& v);

/// Compact form of `v`: the canonical layout and escapes, but numbers are written
/// as their text without the integer check. Never fails. For results that are not
/// receipts (flow and witness JSON).
std::string compact_json(const Json& v);

/// Parses `text` (any JSON value) and returns its canonical text. Errors:
/// "canonical_json: invalid JSON", "canonical_json: floats are not canonical".
Result<std::string> canonical_json(std::string_view text);

/// Parses `fields_json`, which must hold an object, and returns its canonical text.
/// Errors: "canonical_identity_data: invalid JSON", "canonical_identity_data:
/// expected a JSON object", "canonical_json: floats are not canonical".
Result<std::string> canonical_identity_data(std::string_view fields_json);

}  // namespace vorn::wallet

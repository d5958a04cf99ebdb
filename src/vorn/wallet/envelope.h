// Receipt id and text envelope of a canonical receipt.
//
// The id is a short lower-case base32 prefix of the SHA-256 of the canonical bytes.
// The envelope armours those bytes as base64url lines between a header and a
// footer, so that a receipt survives e-mail, chat or paper; reading it back ignores
// whitespace of every kind and padding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vorn/core/result.h"

namespace vorn::wallet {

inline constexpr std::string_view ENVELOPE_HEADER = "VV-RCPT/2.";
inline constexpr std::string_view ENVELOPE_FOOTER = ".END";

inline constexpr std::string_view kEnvelopeMissingFrame = "envelope: missing VV-RCPT/2. header or .END footer";
inline constexpr std::string_view kEnvelopeInvalidBase64 = "envelope: invalid base64url";

/// The first `prefix_len` characters (all 52 when it is 52 or more) of the
/// lower-case, unpadded RFC 4648 base32 of SHA-256(`canonical`). Never fails.
std::string receipt_id(std::string_view canonical, uint64_t prefix_len = 12);

/// ENVELOPE_HEADER, "\n", the unpadded base64url of `canonical` cut into lines of
/// `width` characters (1 when `width` is 0) joined by "\n", "\n", ENVELOPE_FOOTER.
/// No trailing newline. Never fails.
std::string envelope_text(std::string_view canonical, uint64_t width = 64);

/// The bytes carried by the first envelope in `text` (UTF-8). Text before the
/// header and after the footer is ignored; inside, every Unicode White_Space
/// character is dropped, then trailing "=". Errors, in order: "envelope: missing
/// VV-RCPT/2. header or .END footer"; "envelope: invalid base64url" (length 1 mod
/// 4, or a character outside the base64url alphabet). The bytes are not checked
/// to be JSON.
Result<std::string> parse_envelope(std::string_view text);

}  // namespace vorn::wallet

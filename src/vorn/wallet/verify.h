// Tier-1 receipt verification: from a receipt's canonical text alone, without any
// secret and without the chain, decide whether the receipt is internally sound.
//
// Checks, in order (the first failing one decides): the role fits the type; each
// party's identity point M is keccak(identity)*G; the holder's self-naming proof
// opens the holder's registered ciphertext; then per type: nothing more for
// "eoa-pub"; the approval handshake and the payer-naming proof for "eoa-priv"; for
// note types the opening's flavor and membership of the minted batch, the identity
// hash, the addressed legs and mailbox binding (A1, A2), the issuer's authority
// (batch Schnorr signature for A1 and B1, re-encryption binding for A2), nullifier,
// face and value, and for an issuer-side B1 receipt the payee-naming proof.
//
// A receipt that reads correctly but fails a check is not an error: the result says
// ok false with the reason. A receipt that cannot be read (a required field missing
// or of the wrong kind, a point that does not decode) is an error. All arithmetic
// here is on public data and may be variable time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

inline constexpr std::string_view kCoreNotJson = "receipt core is not valid JSON";
inline constexpr std::string_view kCoreNotObject = "receipt core must be a JSON object";
/// The reason of a receipt that passes every check (here and in the recipient-receipt flows).
inline constexpr std::string_view kValid = "VALID";

/// The verification result.
struct RcptResult {
  bool ok = false;
  /// "VALID", the qualifiers of a passing receipt joined by " + ", or the failure.
  std::string reason;
  /// On success: the payer's identity point.
  std::optional<G1Words> identity_m;
  /// On success: the transaction value.
  std::optional<W> value;

  /// {ok false, reason, no point, no value}.
  static RcptResult fail(std::string reason) { return RcptResult{false, std::move(reason), {}, {}}; }
};

/// {"identity_M": point or null, "ok", "reason", "value": scalar or null}.
Json rcpt_json(const RcptResult& r);

/// Verifies a parsed receipt. Errors: the reading errors of args.h and records.h
/// ("receipt: missing field", "receipt: expected a string", "receipt: expected an
/// array", "receipt: expected an integer", "receipt: integer out of range", "hex word
/// must be 1..64 nybbles", "invalid hex", "unknown flavor", "rNote must be hex", "rId
/// must be hex", "sibling must be hex", "mailbox binding: siblings must be an
/// array", "mailbox binding: indexBits must be an array"), the decoding errors of
/// the points handed to the verifiers, and the range errors of the note hashes and
/// the mailbox leaf for values they refuse.
Result<RcptResult> verify_receipt_core(const Json& core);

/// Parses `core_text` and verifies it; returns the compact result JSON. Errors:
/// "receipt core is not valid JSON", "receipt core must be a JSON object", then those
/// of verify_receipt_core.
Result<std::string> verify_receipt(std::string_view core_text);

}  // namespace vorn::wallet

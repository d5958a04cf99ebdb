// Identity credential issuance: the registry's issuer signs an applicant's identity.
//
// The applicant's identity fields (a JSON object) are stamped with the issuer's id
// and written as canonical JSON; that text is the canonical identity, and its
// identity scalar m (Keccak-256 under the identity tag, mod r) is what the issuer
// signs with a Pointcheval-Sanders signature. The identity point M = m*G is the one
// receipts check against the identity text. When the applicant supplies a key, M is
// also delivered to it ElGamal-encrypted: that ciphertext is the applicant's
// registered identity ciphertext.
#pragma once

#include <string>
#include <string_view>

#include "vorn/core/result.h"

namespace vorn::wallet {

inline constexpr std::string_view kDeliveryArgsTogether = "args: applicant_pk and r_delivery go together";
inline constexpr std::string_view kRDeliveryNotHex = "args: r_delivery must be a hex string";
inline constexpr std::string_view kFieldsNotObject = "issuer: identity fields must be a JSON object";
/// A zero t_sig gives the identity signature, which no verifier accepts; a zero
/// r_delivery sends M in the clear, so the registered ciphertext would name its
/// owner to everyone who sees it. Both are refused before anything is signed.
inline constexpr std::string_view kZeroIssuerNonce = "issuer: t_sig and r_delivery must be nonzero mod ORDER";

/// Reads "fields" (a JSON object; any other value fails with "issuer: identity
/// fields must be a JSON object"), optional "applicant_pk" (hex point) and
/// "r_delivery" (hex word; absent when missing, null or {}), which must come
/// together ("args: applicant_pk and r_delivery go together", checked before either
/// is read; then "args: r_delivery must be a hex string" when it is not a string),
/// then "sk_x", "sk_y" (the issuer's PS key), "issuer_id" (string), "t_sig" (hex
/// words). Sets the fields' "issuer_id" to the argument (replacing the applicant's
/// value), and returns {"canonical": the canonical text, "m": its identity scalar,
/// "sigma_1", "sigma_2": ps_sign(sk_x, sk_y, m, t_sig), "delivery": ElGamal(m*G,
/// applicant_pk, r_delivery) only when a key was given}. Further errors, in order:
/// "canonical_json: floats are not canonical"; kZeroIssuerNonce; the point messages
/// of applicant_pk. The signature and the encryption are constant time in the key,
/// the nonce and the randomness.
Result<std::string> issue_credential(std::string_view args_json);

}  // namespace vorn::wallet

// The credit issuance gate: predicts whether the chain's credit contract admits a
// proposed credit under an insurer's attestation, and with which revert reason it
// refuses it; and the decade bands of face values.
//
// A call runs in three steps, in this order, so that a malformed request is always
// reported by the same message:
//   1. build the InsurerEnvelope from its seven items (scopes already words);
//   2. convert the credit's scope to a word and its face to FaceUnits
//      (bn254::face_units);
//   3. check_issuance, which never fails: "" or one revert reason.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::registry {

/// Face value in face units: an unsigned integer below 2^128 (converted from a word
/// by bn254::face_units, "face_units out of range (>= 2^128)").
using bn254::FaceUnits;

inline constexpr uint8_t FACE_BAND_MAX = 8;

inline constexpr const char* kFaceBandOutOfRange = "face_band must be in [1, FACE_BAND_MAX]";
inline constexpr const char* kUnknownDepreciationType = "unknown depreciation type";

// Revert reasons of the gate, in the order it tests them.
inline constexpr const char* kNotInGoodStanding = "insurer not in good standing";
inline constexpr const char* kAttestationExpired = "attestation expired";
inline constexpr const char* kScopeNotAttested = "scope not attested";
inline constexpr const char* kFaceAboveBand = "face above attested band";
inline constexpr const char* kDepModelNotAttested = "depreciation model not attested";
inline constexpr const char* kDepRateAboveMax = "depreciation rate above attested maximum";
inline constexpr const char* kPremiumRateAboveMax = "premium rate above attested maximum";

/// The band of a face value: the least b in 1..8 with face < 10^(b+6), else 9.
uint8_t band_for_face(FaceUnits face);

/// The seven items of an attestation as they arrive, in order.
struct InsurerEnvelopeItems {
  bool good_standing = false;
  uint8_t face_band = 0;              // highest face band covered, 1..FACE_BAND_MAX
  std::vector<uint8_t> dep_models;    // attested depreciation types, each 0, 1 or 2
  uint32_t max_dep_rate = 0;
  uint32_t max_premium_rate = 0;
  double expiry = 0;                  // any double, NaN included
  std::vector<W> scopes;              // attested 256-bit scope keys
};

/// A validated attestation; models and scopes held as sets.
class InsurerEnvelope {
 public:
  /// Validates the items: kFaceBandOutOfRange when face_band is not in [1, 8]
  /// (checked first), then kUnknownDepreciationType when any model exceeds 2.
  static Result<InsurerEnvelope> build(const InsurerEnvelopeItems& items);

  bool good_standing() const { return good_standing_; }
  uint8_t face_band() const { return face_band_; }
  uint32_t max_dep_rate() const { return max_dep_rate_; }
  uint32_t max_premium_rate() const { return max_premium_rate_; }
  double expiry() const { return expiry_; }
  bool has_dep_model(uint8_t t) const { return t < dep_models_.size() && dep_models_[t]; }
  /// Exact 32-byte equality with an attested scope; an empty set never matches.
  bool has_scope(const W& scope) const;

 private:
  InsurerEnvelope() = default;
  bool good_standing_ = false;
  uint8_t face_band_ = 0;
  std::array<bool, 3> dep_models_{};
  uint32_t max_dep_rate_ = 0;
  uint32_t max_premium_rate_ = 0;
  double expiry_ = 0;
  std::vector<W> scopes_;  // sorted, unique
};

/// The gate. Returns "" when the credit is admitted, otherwise the first failing
/// reason in this order: good standing; expiry (now > expiry; equal is admitted, and
/// a NaN on either side counts as not expired); scope; face band; depreciation
/// model; depreciation rate; premium rate (rates equal to their maxima pass).
/// The returned text is one of the constants above (static storage).
std::string_view check_issuance(const InsurerEnvelope& env, const W& scope, FaceUnits face, uint8_t dep_type,
                                uint32_t dep_rate, uint32_t premium_rate, double now);

}  // namespace vorn::registry

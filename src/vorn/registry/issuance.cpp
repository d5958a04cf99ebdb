#include "vorn/registry/issuance.h"

#include <algorithm>

namespace vorn::registry {

uint8_t band_for_face(FaceUnits face) {
  FaceUnits bound = 10'000'000;  // 10^7, the upper end of band 1
  for (uint8_t b = 1; b <= FACE_BAND_MAX; ++b, bound *= 10)
    if (face < bound) return b;
  return FACE_BAND_MAX + 1;
}

Result<InsurerEnvelope> InsurerEnvelope::build(const InsurerEnvelopeItems& items) {
  if (items.face_band < 1 || items.face_band > FACE_BAND_MAX) return IdError{kFaceBandOutOfRange};
  InsurerEnvelope env;
  for (uint8_t t : items.dep_models) {
    if (t >= env.dep_models_.size()) return IdError{kUnknownDepreciationType};
    env.dep_models_[t] = true;
  }
  env.good_standing_ = items.good_standing;
  env.face_band_ = items.face_band;
  env.max_dep_rate_ = items.max_dep_rate;
  env.max_premium_rate_ = items.max_premium_rate;
  env.expiry_ = items.expiry;
  env.scopes_ = items.scopes;
  auto less = [](const W& a, const W& b) { return a.b < b.b; };
  std::sort(env.scopes_.begin(), env.scopes_.end(), less);
  env.scopes_.erase(std::unique(env.scopes_.begin(), env.scopes_.end()), env.scopes_.end());
  return env;
}

bool InsurerEnvelope::has_scope(const W& scope) const {
  return std::binary_search(scopes_.begin(), scopes_.end(), scope, [](const W& a, const W& b) { return a.b < b.b; });
}

std::string_view check_issuance(const InsurerEnvelope& env, const W& scope, FaceUnits face, uint8_t dep_type,
                                uint32_t dep_rate, uint32_t premium_rate, double now) {
  if (!env.good_standing()) return kNotInGoodStanding;
  // An ordered comparison with a NaN is false: NaN never counts as expired.
  if (now > env.expiry()) return kAttestationExpired;
  if (!env.has_scope(scope)) return kScopeNotAttested;
  if (band_for_face(face) > env.face_band()) return kFaceAboveBand;
  if (!env.has_dep_model(dep_type)) return kDepModelNotAttested;
  if (dep_rate > env.max_dep_rate()) return kDepRateAboveMax;
  if (premium_rate > env.max_premium_rate()) return kPremiumRateAboveMax;
  return "";
}

}  // namespace vorn::registry

// vorn_registry: the credit issuance gate and the face bands.
#include "bind.h"
#include "vorn/registry/issuance.h"

// The insurer envelope as a Python tuple: (good standing, face band, depreciation
// models, max depreciation rate, max premium rate, expiry, scopes). The table gives
// both the shape of the `env` parameter and its conversion.
template <>
struct vorn::crypto::words::RecordTraits<vorn::registry::InsurerEnvelopeItems> {
  using R = vorn::registry::InsurerEnvelopeItems;
  using Decoded = R;
  static constexpr auto fields = std::tuple{
      field("good_standing", &R::good_standing, &R::good_standing),
      field("face_band", &R::face_band, &R::face_band),
      field("dep_models", &R::dep_models, &R::dep_models),
      field("max_dep_rate", &R::max_dep_rate, &R::max_dep_rate),
      field("max_premium_rate", &R::max_premium_rate, &R::max_premium_rate),
      field("expiry", &R::expiry, &R::expiry),
      field("scopes", &R::scopes, &R::scopes)};
};

namespace vorn::frame {

// The envelope is read and validated as a whole before the scope and the face are
// converted (it comes first), so that a malformed envelope is reported first.
template <>
struct Arg<registry::InsurerEnvelope> {
  using Stored = registry::InsurerEnvelope;
  static Result<Stored> from(Value& v) {
    VORN_TRY(const registry::InsurerEnvelopeItems items, Arg<registry::InsurerEnvelopeItems>::from(v));
    return registry::InsurerEnvelope::build(items);
  }
  static bool fits(const Shape& s) { return Arg<registry::InsurerEnvelopeItems>::fits(s); }
};

namespace {

constexpr const Shape& kEnvelope = record_shape<registry::InsurerEnvelopeItems>;

const char* const M = "vorn_registry";
Register r_check_issuance({M, "check_issuance",
                           {{"env", &kEnvelope}, {"scope", &shape::Int}, {"face", &shape::Int},
                            {"dep_type", &shape::U8}, {"dep_rate", &shape::U32}, {"premium_rate", &shape::U32},
                            {"now", &shape::F64}},
                           "", bind<registry::check_issuance>()});
Register r_band_for_face({M, "band_for_face", {{"face", &shape::Int}}, "", bind<registry::band_for_face>()});

}  // namespace
}  // namespace vorn::frame

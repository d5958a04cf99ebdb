// vorn_registry: the credit issuance gate and the face bands.
#include "frame.h"
#include "vorn/bn254/encoding.h"
#include "vorn/registry/issuance.h"

namespace vorn::frame {
namespace {

using bn254::FaceUnits;

constexpr Shape kU8Seq{Shape::Kind::Seq, {&shape::U8}};
// (good standing, face band, depreciation models, max depreciation rate,
//  max premium rate, expiry, scopes)
constexpr Shape kEnvelope{Shape::Kind::Tuple, {&shape::Bool, &shape::U8, &kU8Seq, &shape::U32, &shape::U32,
                                               &shape::F64, &shape::IntSeq}};

// Face units from an int argument: 2^128 or more (2^256 and beyond included) is the
// face-units error, not the word error.
Result<FaceUnits> arg_face(const Value& v) {
  if (v.wide) return IdError{bn254::kMsgFaceUnitsRange};
  return bn254::face_units(v.word);
}

Result<Value> band_for_face_body(Args& a) {
  VORN_TRY(FaceUnits face, arg_face(a[0]));
  return Value::integer_u64(registry::band_for_face(face));
}

// The envelope is validated before the scope and the face are converted, so that a
// malformed envelope is reported first.
Result<Value> check_issuance_body(Args& a) {
  std::vector<Value>& e = a[0].items;
  registry::InsurerEnvelopeItems items;
  VORN_TRY(items.scopes, arg_w_list(e[6]));
  items.good_standing = e[0].b;
  items.face_band = static_cast<uint8_t>(e[1].u);
  items.dep_models.assign(e[2].s.begin(), e[2].s.end());
  items.max_dep_rate = static_cast<uint32_t>(e[3].u);
  items.max_premium_rate = static_cast<uint32_t>(e[4].u);
  items.expiry = e[5].f;
  VORN_TRY(auto env, registry::InsurerEnvelope::build(items));
  VORN_TRY(W scope, arg_w(a[1]));
  VORN_TRY(FaceUnits face, arg_face(a[2]));
  std::string_view reason = registry::check_issuance(env, scope, face, static_cast<uint8_t>(a[3].u),
                                                     static_cast<uint32_t>(a[4].u), static_cast<uint32_t>(a[5].u), a[6].f);
  return Value::text(std::string(reason));
}

const char* const M = "vorn_registry";
Register r_check_issuance({M, "check_issuance",
                           {{"env", &kEnvelope}, {"scope", &shape::Int}, {"face", &shape::Int}, {"dep_type", &shape::U8},
                            {"dep_rate", &shape::U32}, {"premium_rate", &shape::U32}, {"now", &shape::F64}},
                           "", check_issuance_body});
Register r_band_for_face({M, "band_for_face", {{"face", &shape::Int}}, "", band_for_face_body});

}  // namespace
}  // namespace vorn::frame

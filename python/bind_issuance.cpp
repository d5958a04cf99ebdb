// vorn_registry: the credit issuance gate and the face bands.
#include "frame.h"
#include "vorn/registry/issuance.h"

namespace vorn::frame {
namespace {

using registry::FaceUnits;

// This file's shapes are its own objects, defined before the rows that use them:
// within one file static initialisation runs in order, while the frame's shared
// shape pointers live in another file whose initialisation may come later.
const Shape kInt{Shape::Kind::Int, {}};
const Shape kU8{Shape::Kind::U8, {}};
const Shape kU32{Shape::Kind::U32, {}};
const Shape kF64{Shape::Kind::F64, {}};
const Shape kBool{Shape::Kind::Bool, {}};
const Shape kU8Seq{Shape::Kind::Seq, {&kU8}};
const Shape kIntSeq{Shape::Kind::Seq, {&kInt}};
// (good standing, face band, depreciation models, max depreciation rate,
//  max premium rate, expiry, scopes)
const Shape kEnvelope{Shape::Kind::Tuple, {&kBool, &kU8, &kU8Seq, &kU32, &kU32, &kF64, &kIntSeq}};

// Face units from an int argument: 2^128 or more (2^256 and beyond included) is the
// face-units error, not the word error.
Result<FaceUnits> arg_face(const Value& v) {
  if (v.wide) return IdError{registry::kFaceUnitsOutOfRange};
  return registry::face_units(v.word);
}

Result<Value> band_for_face_body(Args& a) {
  VORN_TRY(FaceUnits face, arg_face(a[0]));
  return Value::integer_u64(registry::band_for_face(face));
}

// The envelope is validated before the scope and the face are converted, so that a
// malformed envelope is reported first.
Result<Value> check_issuance_body(Args& a) {
  const std::vector<Value>& e = a[0].items;
  registry::InsurerEnvelopeItems items;
  VORN_TRY(items.scopes, arg_w_list(e[6]));
  items.good_standing = e[0].b;
  items.face_band = static_cast<uint8_t>(e[1].u);
  items.dep_models.reserve(e[2].items.size());
  for (const Value& m : e[2].items) items.dep_models.push_back(static_cast<uint8_t>(m.u));
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
                           {{"env", &kEnvelope}, {"scope", &kInt}, {"face", &kInt}, {"dep_type", &kU8},
                            {"dep_rate", &kU32}, {"premium_rate", &kU32}, {"now", &kF64}},
                           "", check_issuance_body});
Register r_band_for_face({M, "band_for_face", {{"face", &kInt}}, "", band_for_face_body});

}  // namespace
}  // namespace vorn::frame

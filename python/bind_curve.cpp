// vorn_identity: the module constants and the curve primitives.
//
// Pattern for every bind_*.cpp: a row names the kernel function it exports and
// `bind<f>()` derives the conversions from f's parameter and result types (bind.h);
// the module table in modules.cpp decides where each row appears.
#include "bind.h"
#include "vorn/bn254/curve.h"
#include "vorn/bn254/params.h"
#include "vorn/notes/notes.h"

namespace vorn::frame {
namespace {

// A modulus of params.h (four limbs, least significant first) as a word.
W modulus_word(const uint64_t (&limbs)[4]) {
  W w;
  for (int i = 0; i < 32; ++i) w.b[31 - i] = static_cast<uint8_t>(limbs[i / 8] >> (8 * (i % 8)));
  return w;
}

Result<Value> order_const() { return write(modulus_word(bn254::params::FR_MOD)); }
Result<Value> field_const() { return write(modulus_word(bn254::params::FQ_MOD)); }
Result<Value> g1_const() { return write(bn254::w_from_g1(bn254::g1_generator())); }
Result<Value> g2_const() { return write(bn254::w_from_g2(bn254::g2_generator())); }
Result<Value> flavor_a1() { return Value::integer_u64(notes::kFlavorA1); }
Result<Value> flavor_a2() { return Value::integer_u64(notes::kFlavorA2); }
Result<Value> flavor_b1() { return Value::integer_u64(notes::kFlavorB1); }

const char* const M = "vorn_identity";
RegisterConst c_order({M, "ORDER", order_const});
RegisterConst c_fr({M, "F_R", order_const});
RegisterConst c_field({M, "FIELD_MODULUS", field_const});
RegisterConst c_g1({M, "G1", g1_const});
RegisterConst c_g2({M, "G2", g2_const});
RegisterConst c_a1({M, "FLAVOR_A1", flavor_a1});
RegisterConst c_a2({M, "FLAVOR_A2", flavor_a2});
RegisterConst c_b1({M, "FLAVOR_B1", flavor_b1});

// ---- curve primitives ----

constexpr Shape kPair{Shape::Kind::Tuple, {&shape::G1, &shape::G2}};
constexpr Shape kPairs{Shape::Kind::Seq, {&kPair}};

Register r_g1_add({M, "g1_add", {{"a", &shape::G1}, {"b", &shape::G1}}, "", bind<bn254::g1_add>()});
Register r_g1_mul({M, "g1_mul", {{"p", &shape::G1}, {"k", &shape::Int}}, "", bind<bn254::g1_mul>()});
Register r_g1_neg({M, "g1_neg", {{"p", &shape::G1}}, "", bind<bn254::g1_neg>()});
Register r_g2_add({M, "g2_add", {{"a", &shape::G2}, {"b", &shape::G2}}, "", bind<bn254::g2_add>()});
Register r_g2_mul({M, "g2_mul", {{"p", &shape::G2}, {"k", &shape::Int}}, "", bind<bn254::g2_mul>()});
Register r_pairing_check({M, "pairing_check", {{"pairs", &kPairs}},
                          "EVM ecPairing semantics: `prod e(P_i, Q_i) == 1`.", bind<bn254::pairing_check>()});
Register r_reduce_mod_order({M, "reduce_mod_order", {{"v", &shape::Int}}, "", bind<bn254::reduce_mod_order>()});

}  // namespace
}  // namespace vorn::frame

// vorn_identity: the module constants and the curve primitives.
//
// Pattern for every bind_*.cpp: a body converts its `Value` arguments to words and
// points with the fixed messages (arg_w, arg_g1_words, ...), calls one kernel
// function, and builds the result `Value`. Rows are registered with `Register`;
// the module table in modules.cpp decides where each appears.
#include <span>
#include <vector>

#include "frame.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"

namespace vorn::frame {
namespace {

W hex_word(const char* hex) {
  W w;
  w_from_hex64(hex, w);
  return w;
}

const char* const kOrderHex = "30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001";
const char* const kFieldHex = "30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47";
// The G2 generator, real part first in each coordinate.
const char* const kG2Hex[4] = {
    "1800deef121f1e76426a00665e5c4479674322d4f75edadd46debd5cd992f6ed",
    "198e9393920d483a7260bfb731fb5d25f1aa493335a9e71297e485b7aef312c2",
    "12c85ea5db8c6deb4aab71808dcb408fe3d1e7690c43d37b4ce6cc0166fa7daa",
    "090689d0585ff075ec9e99ad690c3395bc4b313370b38ef355acdadcd122975b",
};

Result<Value> order_const() { return Value::integer(hex_word(kOrderHex)); }
Result<Value> field_const() { return Value::integer(hex_word(kFieldHex)); }
Result<Value> g1_const() { return Value::tuple({Value::integer_u64(1), Value::integer_u64(2)}); }
Result<Value> g2_const() {
  return Value::tuple({Value::tuple({Value::integer(hex_word(kG2Hex[0])), Value::integer(hex_word(kG2Hex[1]))}),
                       Value::tuple({Value::integer(hex_word(kG2Hex[2])), Value::integer(hex_word(kG2Hex[3]))})});
}
Result<Value> flavor_a1() { return Value::integer_u64(1); }
Result<Value> flavor_a2() { return Value::integer_u64(2); }
Result<Value> flavor_b1() { return Value::integer_u64(3); }

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


template <class T, class F>
Result<Value> map_result(Result<T> r, F f) {
  if (!r.ok()) return std::move(r).error();
  return f(r.value());
}

Result<Value> g1_add_body(Args& a) {
  VORN_TRY(auto x, arg_g1(a[0]));
  VORN_TRY(auto y, arg_g1(a[1]));
  return map_result(bn254::g1_add(x, y), g1_value);
}
Result<Value> g1_mul_body(Args& a) {
  VORN_TRY(auto p, arg_g1(a[0]));
  VORN_TRY(W k, arg_w(a[1]));
  return map_result(bn254::g1_mul(p, k), g1_value);
}
Result<Value> g1_neg_body(Args& a) {
  VORN_TRY(auto p, arg_g1(a[0]));
  return map_result(bn254::g1_neg(p), g1_value);
}
Result<Value> g2_add_body(Args& a) {
  VORN_TRY(auto x, arg_g2(a[0]));
  VORN_TRY(auto y, arg_g2(a[1]));
  return map_result(bn254::g2_add(x, y), g2_value);
}
Result<Value> g2_mul_body(Args& a) {
  VORN_TRY(auto p, arg_g2(a[0]));
  VORN_TRY(W k, arg_w(a[1]));
  return map_result(bn254::g2_mul(p, k), g2_value);
}
Result<Value> pairing_check_body(Args& a) {
  // Every word of every pair is converted before any point is decoded: six words a
  // pair, the G1 point's x, y, then the G2 point's x.c0, x.c1, y.c0, y.c1.
  VORN_TRY(const std::vector<W> words, arg_w_list(a[0]));
  std::vector<bn254::PairingWords> pairs;
  pairs.reserve(words.size() / 6);
  for (size_t i = 0; i + 6 <= words.size(); i += 6)
    pairs.emplace_back(G1Words{words[i], words[i + 1]},
                       G2Words{words[i + 2], words[i + 3], words[i + 4], words[i + 5]});
  return map_result(bn254::pairing_check(pairs), Value::boolean);
}
Result<Value> reduce_mod_order_body(Args& a) {
  VORN_TRY(W v, arg_w(a[0]));
  return Value::integer(bn254::reduce_mod_order(v));
}

constexpr Shape kPair{Shape::Kind::Tuple, {&shape::G1, &shape::G2}};
constexpr Shape kPairs{Shape::Kind::Seq, {&kPair}};

Register r_g1_add({M, "g1_add", {{"a", &shape::G1}, {"b", &shape::G1}}, "", g1_add_body});
Register r_g1_mul({M, "g1_mul", {{"p", &shape::G1}, {"k", &shape::Int}}, "", g1_mul_body});
Register r_g1_neg({M, "g1_neg", {{"p", &shape::G1}}, "", g1_neg_body});
Register r_g2_add({M, "g2_add", {{"a", &shape::G2}, {"b", &shape::G2}}, "", g2_add_body});
Register r_g2_mul({M, "g2_mul", {{"p", &shape::G2}, {"k", &shape::Int}}, "", g2_mul_body});
Register r_pairing_check({M, "pairing_check", {{"pairs", &kPairs}},
                          "EVM ecPairing semantics: `prod e(P_i, Q_i) == 1`.", pairing_check_body});
Register r_reduce_mod_order({M, "reduce_mod_order", {{"v", &shape::Int}}, "", reduce_mod_order_body});

}  // namespace
}  // namespace vorn::frame

// vorn_registry: the registry Schnorr signature over a 32-byte message hash, bound to
// a registry identifier text and a chain id.
#include "bind_crypto.h"
#include "vorn/bn254/encoding.h"

namespace vorn::frame {
namespace {

using namespace crypto_bind;
namespace cw = crypto::words;

std::span<const uint8_t> text_bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

Result<W> msg_hash_w(const Value& v) {
  return bn254::msg32(reinterpret_cast<const uint8_t*>(v.str().data()), v.str().size());
}

// Converts sk, msg_hash, chainid, k (registry_id is text and cannot fail).
Result<Value> registry_schnorr_sign_body(Args& a) {
  VORN_TRY(const W sk, arg_w(a[0]));
  VORN_TRY(const W msg, msg_hash_w(a[1]));
  VORN_TRY(const W chainid, arg_w(a[3]));
  VORN_TRY(const W k, arg_w(a[4]));
  return schnorr_v(cw::registry_schnorr_sign(sk, msg, text_bytes(a[2].str()), chainid, k));
}

// Converts e, s, pk, r_point, msg_hash, chainid; then decodes pk, then R.
Result<Value> registry_schnorr_verify_body(Args& a) {
  VORN_TRY(const W e, arg_w(a[1]));
  VORN_TRY(const W s, arg_w(a[2]));
  VORN_TRY(const G1Words pk, arg_g1(a[0]));
  VORN_TRY(const G1Words r, arg_g1(a[3]));
  VORN_TRY(const W msg, msg_hash_w(a[4]));
  VORN_TRY(const W chainid, arg_w(a[6]));
  VORN_TRY(const bool ok, cw::registry_schnorr_verify(pk, {r, e, s}, msg, text_bytes(a[5].str()), chainid));
  return Value::boolean(ok);
}

const char* const M = "vorn_registry";
Register r_sign({M, "registry_schnorr_sign",
                 {{"sk", &shape::Int}, {"msg_hash", &shape::Bytes}, {"registry_id", &shape::Text},
                  {"chainid", &shape::Int}, {"k", &shape::Int}},
                 "", registry_schnorr_sign_body});
Register r_verify({M, "registry_schnorr_verify",
                   {{"pk", &shape::G1}, {"e", &shape::Int}, {"s", &shape::Int}, {"r_point", &shape::G1},
                    {"msg_hash", &shape::Bytes}, {"registry_id", &shape::Text}, {"chainid", &shape::Int}},
                   "", registry_schnorr_verify_body});

}  // namespace
}  // namespace vorn::frame

// vorn_identity: Keccak words and scalars, Poseidon, and the Pedersen generator H.
#include "frame.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/pedersen.h"
#include "vorn/hash/poseidon.h"

namespace vorn::frame {
namespace {

Result<Value> keccak_scalar_body(Args& a) {
  VORN_TRY(std::vector<W> words, arg_w_list(a[0]));
  return Value::integer(hash::keccak_scalar(words));
}

Result<Value> identity_scalar_body(Args& a) { return Value::integer(hash::identity_scalar(a[0].str())); }

Result<Value> batch_commitment_body(Args& a) {
  VORN_TRY(std::vector<W> cms, arg_w_list(a[0]));
  return Value::integer(hash::batch_commitment(cms));
}

Result<Value> poseidon_body(Args& a) {
  VORN_TRY(std::vector<W> inputs, arg_w_list(a[0]));
  VORN_TRY(W h, hash::poseidon(inputs));
  return Value::integer(h);
}

Result<Value> h_pedersen_value() {
  VORN_TRY(bn254::G1Words h, hash::h_pedersen());
  return Value::tuple({Value::integer(h[0]), Value::integer(h[1])});
}

Result<Value> h_pedersen_body(Args&) { return h_pedersen_value(); }

const char* const M = "vorn_identity";
RegisterConst c_h_pedersen({M, "H_PEDERSEN", h_pedersen_value});
Register r_h_pedersen({M, "h_pedersen", {},
                       "The Pedersen generator: hashed to the curve, so its discrete log is\n"
                       "unknown.  Every blind in the protocol sits on it; see the kernel's `nums`.",
                       h_pedersen_body, /*noargs=*/true});
Register r_keccak_scalar({M, "keccak_scalar", {{"words", &shape::IntSeq}}, "", keccak_scalar_body});
Register r_identity_scalar({M, "identity_scalar", {{"canonical", &shape::Text}}, "", identity_scalar_body});
Register r_poseidon({M, "poseidon", {{"inputs", &shape::IntSeq}}, "", poseidon_body});
Register r_batch_commitment({M, "batch_commitment", {{"cms", &shape::IntSeq}},
                             "Raw UNREDUCED keccak word (matches the Python reference).", batch_commitment_body});

}  // namespace
}  // namespace vorn::frame

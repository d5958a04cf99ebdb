// vorn_identity: Keccak words and scalars, Poseidon, and the Pedersen generator H.
#include "bind.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/pedersen.h"
#include "vorn/hash/poseidon.h"

namespace vorn::frame {
namespace {

Result<Value> h_pedersen_value() { return write_result(hash::h_pedersen()); }

const char* const M = "vorn_identity";
RegisterConst c_h_pedersen({M, "H_PEDERSEN", h_pedersen_value});
Register r_h_pedersen({M, "h_pedersen", {},
                       "The Pedersen generator: hashed to the curve, so its discrete log is\n"
                       "unknown.  Every blind in the protocol sits on it; see the kernel's `nums`.",
                       bind<hash::h_pedersen>(), /*noargs=*/true});
Register r_keccak_scalar({M, "keccak_scalar", {{"words", &shape::IntSeq}}, "", bind<hash::keccak_scalar>()});
Register r_identity_scalar({M, "identity_scalar", {{"canonical", &shape::Text}}, "", bind<hash::identity_scalar>()});
Register r_poseidon({M, "poseidon", {{"inputs", &shape::IntSeq}}, "", bind<hash::poseidon>()});
Register r_batch_commitment({M, "batch_commitment", {{"cms", &shape::IntSeq}},
                             "Raw UNREDUCED keccak word (matches the Python reference).",
                             bind<hash::batch_commitment>()});

}  // namespace
}  // namespace vorn::frame

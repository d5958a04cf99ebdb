// vorn_registry: the registry Schnorr signature over a 32-byte message hash, bound to
// a registry identifier text and a chain id.
#include "bind.h"
#include "vorn/crypto/words.h"

namespace vorn::frame {
namespace {

namespace cw = crypto::words;

// The Python forms: the message hash as bytes, the verifier's signature as its
// three parts (e, s first, so that their word error wins over the points').
cw::SchnorrSigW registry_schnorr_sign(const W& sk, const MsgHash& msg_hash, std::span<const uint8_t> registry_id,
                                      const W& chainid, const W& k) {
  return cw::registry_schnorr_sign(sk, msg_hash.w, registry_id, chainid, k);
}

Result<bool> registry_schnorr_verify(const G1Words& pk, const W& e, const W& s, const G1Words& r_point,
                                     const MsgHash& msg_hash, std::span<const uint8_t> registry_id,
                                     const W& chainid) {
  return cw::registry_schnorr_verify(pk, {.R = r_point, .e = e, .s = s}, msg_hash.w, registry_id, chainid);
}

const char* const M = "vorn_registry";
Register r_sign({M, "registry_schnorr_sign",
                 {{"sk", &shape::Int}, {"msg_hash", &shape::Bytes}, {"registry_id", &shape::Text},
                  {"chainid", &shape::Int}, {"k", &shape::Int}},
                 "", bind<registry_schnorr_sign>()});
Register r_verify({M, "registry_schnorr_verify",
                   {{"pk", &shape::G1}, {"e", &shape::Int, converted_first}, {"s", &shape::Int, converted_first},
                    {"r_point", &shape::G1}, {"msg_hash", &shape::Bytes}, {"registry_id", &shape::Text},
                    {"chainid", &shape::Int}},
                   "", bind<registry_schnorr_verify>()});

}  // namespace
}  // namespace vorn::frame

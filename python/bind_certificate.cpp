// vorn_registry: identity certificates (sign, verify, seal, unseal).
//
// Wire bytes are parsed before the other arguments are converted, so a malformed
// wire is reported before a malformed key, point or chain id.
#include "frame.h"
#include "vorn/registry/certificate_ops.h"

namespace vorn::frame {
namespace {

std::span<const uint8_t> bytes_of(const Value& v) {
  return {reinterpret_cast<const uint8_t*>(v.str().data()), v.str().size()};
}

Value bytes_value(const registry::Bytes& b) { return Value::bytes(std::string(b.begin(), b.end())); }

Result<Value> sign_body(Args& a) {
  VORN_TRY(W sk, arg_w(a[0]));
  VORN_TRY(W chainid, arg_w(a[6]));
  VORN_TRY(W k, arg_w(a[7]));
  VORN_TRY(registry::Bytes wire, registry::registry_sign_certificate(sk, a[1].str(), a[2].str(), a[3].u, a[4].i, a[5].i,
                                                                      chainid, k));
  return bytes_value(wire);
}

Result<Value> verify_body(Args& a) {
  VORN_TRY(registry::SignedCertificate sc, registry::parse_signed_certificate(bytes_of(a[0])));
  VORN_TRY(W chainid, arg_w(a[1]));
  VORN_TRY(bool ok, registry::registry_verify_certificate(sc, chainid));
  return Value::boolean(ok);
}

Result<Value> seal_body(Args& a) {
  VORN_TRY(registry::SignedCertificate sc, registry::parse_signed_certificate(bytes_of(a[0])));
  VORN_TRY(const G1Words client_pk, arg_g1(a[1]));
  VORN_TRY(W r, arg_w(a[2]));
  VORN_TRY(registry::Bytes env, registry::seal_certificate(sc, client_pk, r));
  return bytes_value(env);
}

Result<Value> unseal_body(Args& a) {
  VORN_TRY(registry::SealedCertificate sealed, registry::parse_sealed_certificate(bytes_of(a[0])));
  VORN_TRY(W sk, arg_w(a[1]));
  VORN_TRY(registry::Bytes wire, registry::unseal_certificate(sealed, sk));
  return bytes_value(wire);
}

const char* const M = "vorn_registry";
Register r_sign({M, "registry_sign_certificate",
                 {{"registry_sk", &shape::Int}, {"registry_id", &shape::Text}, {"canonical_identity", &shape::Text},
                  {"serial", &shape::U64}, {"issued_at", &shape::I64}, {"expires_at", &shape::I64},
                  {"chainid", &shape::Int}, {"k", &shape::Int}},
                 "", sign_body});
Register r_verify({M, "registry_verify_certificate", {{"signed_wire", &shape::Bytes}, {"chainid", &shape::Int}}, "",
                   verify_body});
Register r_seal({M, "seal_certificate",
                 {{"signed_wire", &shape::Bytes}, {"client_pk", &shape::G1}, {"r", &shape::Int}}, "", seal_body});
Register r_unseal({M, "unseal_certificate", {{"envelope", &shape::Bytes}, {"client_sk", &shape::Int}}, "",
                   unseal_body});

}  // namespace
}  // namespace vorn::frame

// vorn_registry: identity certificates (sign, verify, seal, unseal).
//
// Wire bytes are parsed before the other arguments are converted (they come first),
// so a malformed wire is reported before a malformed key, point or chain id.
#include "bind.h"
#include "vorn/registry/certificate_ops.h"

namespace vorn::frame {

// A certificate or an envelope parsed from its bytes (the parser's errors).
template <class T, Result<T> (*Parse)(std::span<const uint8_t>)>
struct ParsedArg {
  using Stored = T;
  static Result<T> from(Value& v) { return Parse(Arg<std::span<const uint8_t>>::from(v)); }
  static bool fits(const Shape& s) { return s.kind == Shape::Kind::Bytes; }
};
template <>
struct Arg<registry::SignedCertificate>
    : ParsedArg<registry::SignedCertificate, registry::parse_signed_certificate> {};
template <>
struct Arg<registry::SealedCertificate>
    : ParsedArg<registry::SealedCertificate, registry::parse_sealed_certificate> {};

namespace {

const char* const M = "vorn_registry";
Register r_sign({M, "registry_sign_certificate",
                 {{"registry_sk", &shape::Int}, {"registry_id", &shape::Text}, {"canonical_identity", &shape::Text},
                  {"serial", &shape::U64}, {"issued_at", &shape::I64}, {"expires_at", &shape::I64},
                  {"chainid", &shape::Int}, {"k", &shape::Int}},
                 "", bind<registry::registry_sign_certificate>()});
Register r_verify({M, "registry_verify_certificate", {{"signed_wire", &shape::Bytes}, {"chainid", &shape::Int}}, "",
                   bind<registry::registry_verify_certificate>()});
Register r_seal({M, "seal_certificate",
                 {{"signed_wire", &shape::Bytes}, {"client_pk", &shape::G1}, {"r", &shape::Int}}, "",
                 bind<registry::seal_certificate>()});
Register r_unseal({M, "unseal_certificate", {{"envelope", &shape::Bytes}, {"client_sk", &shape::Int}}, "",
                   bind<registry::unseal_certificate>()});

}  // namespace
}  // namespace vorn::frame

#include "vorn/registry/certificate.h"

#include "vorn/bn254/scalar_mul.h"
#include "vorn/hash/keccak.h"

namespace vorn::registry {

namespace {

using hash::keccak_raw;

void write_point(WireWriter& w, const G1Words& p) {
  w.word(p[0]);
  w.word(p[1]);
}

Result<G1Words> read_point(WireReader& r) {
  VORN_TRY(W x, r.word());
  VORN_TRY(W y, r.word());
  return G1Words{x, y};
}

}  // namespace

G1Words identity_point(std::string_view canonical_identity) {
  const W k = hash::identity_scalar(canonical_identity);
  return bn254::w_from_g1(bn254::g1_mul_gen_ct(bn254::fr_from_w_reduce(k)));
}

Status check_identity_invariant(const IdentityCertificate& cert) {
  if (identity_point(cert.canonical_identity) != cert.M) return IdError{kIdentityMismatch};
  return ok_status();
}

Result<Bytes> certificate_hash_bytes(const IdentityCertificate& cert) {
  WireWriter w;
  w.out().reserve(124 + cert.registry_id.size());
  VORN_CHECK(w.bytes_u32(text_bytes(cert.registry_id)));
  w.u64(cert.serial);
  w.word(keccak_raw(text_bytes(cert.canonical_identity)));
  write_point(w, cert.M);
  w.i64(cert.issued_at);
  w.i64(cert.expires_at);
  return std::move(w).take();
}

Result<W> certificate_msg_hash(const IdentityCertificate& cert) {
  VORN_TRY(Bytes b, certificate_hash_bytes(cert));
  return keccak_raw(b);
}

namespace {

Status write_signed_into(WireWriter& w, const SignedCertificate& sc) {
  const IdentityCertificate& c = sc.cert;
  w.word(sc.sig.e);
  w.word(sc.sig.s);
  write_point(w, sc.sig.R);
  write_point(w, sc.pk);
  VORN_CHECK(w.text_u32(c.registry_id));
  w.u64(c.serial);
  VORN_CHECK(w.text_u32(c.canonical_identity));
  write_point(w, c.M);
  w.i64(c.issued_at);
  w.i64(c.expires_at);
  return ok_status();
}

}  // namespace

Result<Bytes> write_signed_certificate(const SignedCertificate& sc) {
  WireWriter w;
  w.out().reserve(288 + sc.cert.registry_id.size() + sc.cert.canonical_identity.size());
  VORN_CHECK(write_signed_into(w, sc));
  return std::move(w).take();
}

Result<SignedCertificate> read_signed_certificate(std::span<const uint8_t> wire) {
  WireReader r(wire);
  SignedCertificate sc;
  // Signature header (192 bytes).
  VORN_TRY(sc.sig.e, r.word());
  VORN_TRY(sc.sig.s, r.word());
  VORN_TRY(sc.sig.R, read_point(r));
  VORN_TRY(sc.pk, read_point(r));
  // Certificate payload.
  IdentityCertificate& c = sc.cert;
  VORN_TRY(c.registry_id, r.text_u32());
  VORN_TRY(c.serial, r.u64());
  VORN_TRY(c.canonical_identity, r.text_u32());
  VORN_TRY(c.M, read_point(r));
  VORN_TRY(c.issued_at, r.i64());
  VORN_TRY(c.expires_at, r.i64());
  return sc;
}

Result<SignedCertificate> parse_signed_certificate(std::span<const uint8_t> wire) {
  VORN_TRY(SignedCertificate sc, read_signed_certificate(wire));
  VORN_CHECK(check_identity_invariant(sc.cert));
  return sc;
}

Result<Bytes> write_sealed_certificate(const SealedCertificate& sealed) {
  VORN_TRY(Bytes inner, write_signed_certificate(sealed.signed_cert));
  WireWriter w;
  w.out().reserve(kEnvelopeHeaderSize + inner.size());
  write_point(w, sealed.E_R);
  write_point(w, sealed.E_C);
  VORN_CHECK(w.bytes_u32(inner));
  return std::move(w).take();
}

Result<SealedCertificate> read_sealed_certificate(std::span<const uint8_t> envelope) {
  WireReader r(envelope);
  SealedCertificate sealed;
  VORN_TRY(sealed.E_R, read_point(r));
  VORN_TRY(sealed.E_C, read_point(r));
  VORN_TRY(uint32_t n, r.u32());
  VORN_TRY(auto inner, r.bytes(n));
  // The inner wire is read within its stated N bytes only.
  VORN_TRY(sealed.signed_cert, read_signed_certificate(inner));
  return sealed;
}

Result<SealedCertificate> parse_sealed_certificate(std::span<const uint8_t> envelope) {
  VORN_TRY(SealedCertificate sealed, read_sealed_certificate(envelope));
  VORN_CHECK(check_identity_invariant(sealed.signed_cert.cert));
  return sealed;
}

}  // namespace vorn::registry

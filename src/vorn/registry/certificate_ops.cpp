#include "vorn/registry/certificate_ops.h"

#include "vorn/bn254/scalar_mul.h"
#include "vorn/core/ct.h"
#include "vorn/crypto/words.h"

namespace vorn::registry {

namespace {

crypto::words::SchnorrSigW to_crypto(const RegistrySignature& s) { return {s.R, s.e, s.s}; }

}  // namespace

Result<Bytes> registry_sign_certificate(const W& registry_sk, std::string_view registry_id,
                                        std::string_view canonical_identity, uint64_t serial, int64_t issued_at,
                                        int64_t expires_at, const W& chainid, const W& k) {
  SignedCertificate sc;
  IdentityCertificate& c = sc.cert;
  c.registry_id = std::string(registry_id);
  c.serial = serial;
  c.canonical_identity = std::string(canonical_identity);
  c.M = identity_point(canonical_identity);  // the invariant holds by construction
  c.issued_at = issued_at;
  c.expires_at = expires_at;
  VORN_TRY(W msg, certificate_msg_hash(c));
  const auto sig = crypto::words::registry_schnorr_sign(registry_sk, msg, text_bytes(c.registry_id), chainid, k);
  sc.sig = {sig.R, sig.e, sig.s};
  // The registry's public key, published in the certificate.
  sc.pk = bn254::w_from_g1(ct::declassify(bn254::g1_mul_gen_ct(bn254::fr_from_w_reduce(registry_sk)).to_affine()));
  return write_signed_certificate(sc);
}

Result<bool> registry_verify_certificate(const SignedCertificate& sc, const W& chainid) {
  VORN_TRY(W msg, certificate_msg_hash(sc.cert));
  return crypto::words::registry_schnorr_verify(sc.pk, to_crypto(sc.sig), msg, text_bytes(sc.cert.registry_id),
                                                chainid);
}

Result<Bytes> seal_certificate(const SignedCertificate& sc, const G1Words& client_pk, const W& r) {
  VORN_TRY(crypto::words::CtWords e, crypto::words::elgamal_encrypt(sc.cert.M, client_pk, r));
  SealedCertificate sealed{e.r, e.c, sc};
  return write_sealed_certificate(sealed);
}

Result<Bytes> unseal_certificate(const SealedCertificate& sealed, const W& client_sk) {
  const crypto::words::CtWords e{sealed.E_R, sealed.E_C};
  VORN_TRY(const crypto::Ciphertext ct, crypto::words::ct_from_w(e));
  // The decryption depends on client_sk: it is converted and compared with the
  // certificate's M in constant time, and only the outcome leaves (as the error), so
  // crafted envelopes learn nothing of sk*R from where the words differ.
  const G1Words m = crypto::w_from_g1_ct(crypto::elgamal_decrypt(ct, crypto::fr(client_sk)));
  if (!ct::declassify(ct::equal(m.data(), sealed.signed_cert.cert.M.data(), sizeof(G1Words))))
    return IdError{kSealedForAnotherClient};
  return write_signed_certificate(sealed.signed_cert);
}

}  // namespace vorn::registry

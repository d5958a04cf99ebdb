#include "vorn/crypto/elgamal.h"

#include "vorn/bn254/pairing.h"
#include "vorn/core/ct.h"

namespace vorn::crypto {

using bn254::g1_mul_ct;
using bn254::g1_mul_gen_ct;

Ciphertext elgamal_encrypt(const G1Affine& m, const G1Affine& pk, const Fr& r) {
  const auto a = to_affine_ct<2>({g1_mul_gen_ct(r), g1_mul_ct(pk, r).add_affine(m)});
  return {a[0], a[1]};
}

G1Affine elgamal_decrypt(const Ciphertext& ct, const Fr& sk) {
  return (-g1_mul_ct(ct.R, sk)).add_affine(ct.C).to_affine();
}

PsSignature ps_sign(const Fr& x, const Fr& y, const Fr& m, const Fr& t) {
  // sigma_2 = (x + y*m)*sigma_1 = ((x + y*m)*t)*G: both from the fixed-base table.
  const auto a = to_affine_ct<2>({g1_mul_gen_ct(t), g1_mul_gen_ct((x + y * m) * t)});
  return {a[0], a[1]};
}

bool ps_verify(const G2Affine& pk_x, const G2Affine& pk_y, const PsSignature& sig, const Fr& m) {
  if (sig.sigma_1.infinity) return false;
  const G2Affine xmy = (bn254::g2_mul_var(pk_y, m) + G2::from_affine(pk_x)).to_affine_var();
  const bn254::PairingInput pairs[2] = {{sig.sigma_1, xmy}, {-sig.sigma_2, bn254::g2_generator()}};
  return bn254::product_is_one(pairs);
}

PsSignature ps_rerandomize(const PsSignature& sig, const Fr& t) {
  const auto a = to_affine_ct<2>({g1_mul_ct(sig.sigma_1, t), g1_mul_ct(sig.sigma_2, t)});
  return {a[0], a[1]};
}

Result<PsPresentation> ps_present(const PsSignature& sig, const G1Affine& y1, const Fr& a, const Fr& b) {
  // Only the outcome of the zero test leaves the call (as the error).
  if (ct::declassify(a.is_zero() | b.is_zero())) return IdError{kMsgPresentationZero};
  const auto p = to_affine_ct<2>({g1_mul_ct(sig.sigma_1, a), g1_mul_ct(sig.sigma_2, a) + g1_mul_ct(y1, b)});
  return PsPresentation{p[0], p[1]};
}

bool ps_key_consistent(const G2Affine& pk_y, const G1Affine& y1) {
  if (y1.infinity) return false;
  const bn254::PairingInput pairs[2] = {{y1, bn254::g2_generator()}, {-gen_g1(), pk_y}};
  return bn254::product_is_one(pairs);
}

}  // namespace vorn::crypto

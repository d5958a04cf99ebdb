#include "vorn/hash/pedersen.h"

#include "vorn/hash/keccak.h"

namespace vorn::hash {

using bn254::Fq;

bool pedersen_candidate(uint32_t counter, bn254::G1Affine& out) {
  const uint8_t be[4] = {uint8_t(counter >> 24), uint8_t(counter >> 16), uint8_t(counter >> 8), uint8_t(counter)};
  const W d = keccak_prefixed(Tag::PedersenH, {Bytes(be, 4)});
  const Fq x = Fq::from_w_reduce(d);  // digests of q or more wrap
  const Fq s = x.sqr() * x + Fq::from_u64(3);
  Fq y;
  if (!s.sqrt(y)) return false;  // y = s^((q+1)/4), accepted only when y^2 = s
  y = y.cneg(y.is_odd() ? 1 : 0);  // the even root of the two
  const bn254::G1Affine p{x, y, false};
  if (!p.is_on_curve()) return false;  // holds by construction; kept as the final check
  out = p;
  return true;
}

namespace {

Result<bn254::G1Affine> search() {
  for (uint32_t i = 0; i < 256; ++i) {
    bn254::G1Affine h;
    if (pedersen_candidate(i, h)) return h;
  }
  return IdError::invariant(kPedersenSearchExhausted);
}

}  // namespace

Result<bn254::G1Affine> h_pedersen_affine() {
  // Initialised exactly once, even when several threads arrive together.
  static const Result<bn254::G1Affine> h = search();
  return h;
}

Result<bn254::G1Words> h_pedersen() {
  VORN_TRY(const bn254::G1Affine h, h_pedersen_affine());
  return bn254::w_from_g1(h);
}

}  // namespace vorn::hash

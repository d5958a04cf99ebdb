#include "vorn/hash/pedersen.h"

#include "vorn/hash/keccak.h"

namespace vorn::hash {

using bn254::Fq;

bool pedersen_candidate(uint32_t counter, PedersenH& out) {
  const uint8_t be[4] = {uint8_t(counter >> 24), uint8_t(counter >> 16), uint8_t(counter >> 8), uint8_t(counter)};
  const W d = keccak_prefixed(Tag::PedersenH, {Bytes(be, 4)});
  const Fq x = Fq::from_w_reduce(d);  // digests of q or more wrap
  const Fq s = x.sqr() * x + Fq::from_u64(3);
  Fq y;
  if (!s.sqrt(y)) return false;  // y = s^((q+1)/4), accepted only when y^2 = s
  y = y.cneg(y.is_odd() ? 1 : 0);  // the even root
  if (!(y.sqr() == s)) return false;
  out = PedersenH{x, y, x.to_w(), y.to_w()};
  return true;
}

namespace {

Result<PedersenH> search() {
  for (uint32_t i = 0; i < 256; ++i) {
    PedersenH h;
    if (pedersen_candidate(i, h)) return h;
  }
  return IdError::invariant(kPedersenSearchExhausted);
}

}  // namespace

Result<PedersenH> h_pedersen() {
  // Initialised exactly once, even when several threads arrive together.
  static const Result<PedersenH> h = search();
  return h;
}

}  // namespace vorn::hash

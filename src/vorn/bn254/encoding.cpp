#include "vorn/bn254/encoding.h"

#include "vorn/bn254/scalar_mul.h"

namespace vorn::bn254 {

W reduce_mod_order(const W& w) { return Fr::from_w_reduce(w).to_w(); }

W scalar_from_be_bytes_mod_order(const uint8_t* bytes, size_t len) {
  return Fr::from_be_reduce(bytes, len).to_w();
}

bool w_lt_order(const W& w) {
  uint64_t c[4];
  Fr::load_be(c, w.data());
  return Fr::lt_mod(c);
}

W w_from_fr(const Fr& s) { return s.to_w(); }

Result<Fq> fq_strict(const W& w) {
  Fq out;
  if (!Fq::from_w_strict(w, out)) return IdError{kMsgNotCanonicalFq};
  return out;
}

Result<G1Affine> g1_from_w(const G1Words& w) {
  if (w[0].is_zero() && w[1].is_zero()) return G1Affine::identity();
  VORN_TRY(Fq x, fq_strict(w[0]));
  VORN_TRY(Fq y, fq_strict(w[1]));
  G1Affine p{x, y, false};
  if (!p.is_on_curve()) return IdError{kMsgG1NotOnCurve};
  return p;
}

Result<G1Affine> g1_from_w(const uint8_t* in64) { return g1_from_w(G1Words{W::from_bytes(in64), W::from_bytes(in64 + 32)}); }

Result<G2Affine> g2_from_w(const G2Words& w) {
  if (w[0].is_zero() && w[1].is_zero() && w[2].is_zero() && w[3].is_zero()) return G2Affine::identity();
  VORN_TRY(Fq x0, fq_strict(w[0]));
  VORN_TRY(Fq x1, fq_strict(w[1]));
  VORN_TRY(Fq y0, fq_strict(w[2]));
  VORN_TRY(Fq y1, fq_strict(w[3]));
  G2Affine p{{x0, x1}, {y0, y1}, false};
  if (!p.is_on_curve()) return IdError{kMsgG2NotOnCurve};
  if (!g2_in_subgroup_var(p)) return IdError{kMsgG2NotInSubgroup};
  return p;
}

Result<G2Affine> g2_from_w(const uint8_t* in128) {
  return g2_from_w(G2Words{W::from_bytes(in128), W::from_bytes(in128 + 32), W::from_bytes(in128 + 64),
                           W::from_bytes(in128 + 96)});
}

G1Words w_from_g1(const G1Affine& p) {
  if (p.infinity) return G1Words{};
  return {p.x.to_w(), p.y.to_w()};
}

G2Words w_from_g2(const G2Affine& p) {
  if (p.infinity) return G2Words{};
  return {p.x.c0.to_w(), p.x.c1.to_w(), p.y.c0.to_w(), p.y.c1.to_w()};
}

G1Words w_from_g1(const G1& p) { return w_from_g1(p.to_affine()); }
G2Words w_from_g2(const G2& p) { return w_from_g2(p.to_affine()); }

Result<W> msg32(const uint8_t* bytes, size_t len) {
  if (len != 32) return IdError{kMsgMsgHashLength};
  return W::from_bytes(bytes);
}

Result<FaceUnits> face_units(const W& w) {
  for (int i = 0; i < 16; ++i)
    if (w.b[i] != 0) return IdError{kMsgFaceUnitsRange};
  FaceUnits v = 0;
  for (int i = 16; i < 32; ++i) v = (v << 8) | w.b[i];
  return v;
}

}  // namespace vorn::bn254

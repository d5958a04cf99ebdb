#include "vorn/hash/poseidon.h"

#include <array>
#include <utility>

namespace vorn::hash {

using bn254::Fr;

// The circomlib tables: kPoseidonPartialRounds, kPoseidonRcOffset, kPoseidonMdsOffset,
// kPoseidonRc, kPoseidonMds (canonical limbs, least significant first).
#include "vorn/hash/poseidon_constants.inc"

namespace {

constexpr const char* kPoseidonTableShape = "poseidon table has the wrong shape";
constexpr unsigned kFullRounds = 8;
constexpr unsigned kHalfFull = kFullRounds / 2;
constexpr unsigned kMaxInputs = 16;

inline Fr pow5(const Fr& x) {
  const Fr x2 = x.sqr();
  return x2.sqr() * x;
}

using Matrix = std::vector<Fr>;  // square, row-major

Matrix mat_mul(const Matrix& a, const Matrix& b, unsigned n) {
  Matrix c(n * n, Fr::zero());
  for (unsigned i = 0; i < n; ++i)
    for (unsigned k = 0; k < n; ++k) {
      const Fr aik = a[i * n + k];
      for (unsigned j = 0; j < n; ++j) c[i * n + j] += aik * b[k * n + j];
    }
  return c;
}

Matrix mat_identity(unsigned n) {
  Matrix m(n * n, Fr::zero());
  for (unsigned i = 0; i < n; ++i) m[i * n + i] = Fr::one();
  return m;
}

Matrix mat_pow(Matrix base, unsigned e, unsigned n) {
  Matrix acc = mat_identity(n);
  while (e) {
    if (e & 1) acc = mat_mul(acc, base, n);
    base = mat_mul(base, base, n);
    e >>= 1;
  }
  return acc;
}

// Gauss-Jordan inverse over Fr (public constants, so variable time is fine). False
// when the matrix is singular.
bool mat_inverse_var(Matrix a, unsigned n, Matrix& out) {
  Matrix inv = mat_identity(n);
  for (unsigned col = 0; col < n; ++col) {
    unsigned piv = col;
    while (piv < n && a[piv * n + col].is_zero()) ++piv;
    if (piv == n) return false;
    if (piv != col)
      for (unsigned j = 0; j < n; ++j) {
        std::swap(a[piv * n + j], a[col * n + j]);
        std::swap(inv[piv * n + j], inv[col * n + j]);
      }
    const Fr f = a[col * n + col].inv_var();
    for (unsigned j = 0; j < n; ++j) {
      a[col * n + j] *= f;
      inv[col * n + j] *= f;
    }
    for (unsigned i = 0; i < n; ++i) {
      if (i == col) continue;
      const Fr g = a[i * n + col];
      for (unsigned j = 0; j < n; ++j) {
        a[i * n + j] -= g * a[col * n + j];
        inv[i * n + j] -= g * inv[col * n + j];
      }
    }
  }
  out = std::move(inv);
  return true;
}

// Derives the sparse-matrix form from the plain constants.
//
// 1. Round constants. In a partial round only s_0 passes through the S-box, so the
//    constants added to s_1..s_{t-1} pass through it unchanged; after the matrix they
//    amount to M * (0, c_1, ..., c_{t-1}) added at the start of the next round. Moving
//    them forward round by round leaves each partial round one constant (for s_0) and
//    folds the remainder into the first full round after the partial rounds.
// 2. Matrices. With M = [[m00, a^T], [b, N]] (N the lower-right (t-1)x(t-1) minor),
//    write the matrix X of a partial round as S * A where A = diag(1, X11) and
//    S = [[x00, x01^T X11^-1], [x10, I]] is sparse. A leaves s_0 alone and touches
//    only s_1.., so it commutes with the next-earlier partial round's S-box and
//    constant and can be merged into that round's matrix: X' = A * M. Starting from
//    X = M at the last partial round and walking back, row 0 of X is always M's row 0
//    and X11 = N^k after k steps, which gives
//        v_j = a^T N^-(R-j+1)      (so v_{j-1} = v_j N^-1),
//        w_j = N^(R-j) b           (so w_{j-1} = N w_j),
//    for partial round j = 1..R, and the dense leftover A_1 * M = [[row 0 of M],
//    [N^R * rows 1.. of M]] replaces M in the last full round before the partial ones.
bool derive_sparse(PoseidonParams& p) {
  const unsigned t = p.t, n1 = t - 1, R = p.partial_rounds;
  const Matrix& M = p.mds;

  std::vector<Fr> c = p.rc;
  p.partial_rc.assign(R, Fr::zero());
  for (unsigned k = kHalfFull; k < kHalfFull + R; ++k) {
    Fr* cur = &c[k * t];
    Fr* next = &c[(k + 1) * t];
    p.partial_rc[k - kHalfFull] = cur[0];
    for (unsigned i = 0; i < t; ++i) {
      Fr acc = Fr::zero();
      for (unsigned j = 1; j < t; ++j) acc += M[i * t + j] * cur[j];
      next[i] += acc;
    }
  }
  p.full_rc.clear();
  p.full_rc.insert(p.full_rc.end(), c.begin(), c.begin() + kHalfFull * t);
  p.full_rc.insert(p.full_rc.end(), c.begin() + (kHalfFull + R) * t, c.end());

  Matrix N(n1 * n1), N_inv;
  for (unsigned i = 0; i < n1; ++i)
    for (unsigned j = 0; j < n1; ++j) N[i * n1 + j] = M[(i + 1) * t + (j + 1)];
  if (!mat_inverse_var(N, n1, N_inv)) return false;

  std::vector<Fr> v(n1), w(n1), tmp(n1);
  for (unsigned j = 0; j < n1; ++j) {  // v_R = a^T N^-1
    Fr acc = Fr::zero();
    for (unsigned i = 0; i < n1; ++i) acc += M[i + 1] * N_inv[i * n1 + j];
    v[j] = acc;
  }
  for (unsigned i = 0; i < n1; ++i) w[i] = M[(i + 1) * t];  // w_R = b

  p.sparse.assign(R * 2 * n1, Fr::zero());
  for (unsigned j = R; j >= 1; --j) {
    Fr* row = &p.sparse[(j - 1) * 2 * n1];
    for (unsigned i = 0; i < n1; ++i) {
      row[i] = v[i];
      row[n1 + i] = w[i];
    }
    for (unsigned col = 0; col < n1; ++col) {  // v <- v N^-1
      Fr acc = Fr::zero();
      for (unsigned i = 0; i < n1; ++i) acc += v[i] * N_inv[i * n1 + col];
      tmp[col] = acc;
    }
    v.swap(tmp);
    for (unsigned i = 0; i < n1; ++i) {  // w <- N w
      Fr acc = Fr::zero();
      for (unsigned k = 0; k < n1; ++k) acc += N[i * n1 + k] * w[k];
      tmp[i] = acc;
    }
    w.swap(tmp);
  }

  const Matrix P = mat_pow(N, R, n1);
  p.pre_sparse.assign(t * t, Fr::zero());
  for (unsigned j = 0; j < t; ++j) p.pre_sparse[j] = M[j];
  for (unsigned i = 0; i < n1; ++i)
    for (unsigned j = 0; j < t; ++j) {
      Fr acc = Fr::zero();
      for (unsigned k = 0; k < n1; ++k) acc += P[i * n1 + k] * M[(k + 1) * t + j];
      p.pre_sparse[(i + 1) * t + j] = acc;
    }
  return true;
}

// The sparse-matrix permutation for a fixed width T (unrolled by the compiler).
template <unsigned T>
Fr permute_fast(const PoseidonParams& p, const Fr* in) {
  std::array<Fr, T> s, u;
  s[0] = Fr::zero();
  for (unsigned i = 1; i < T; ++i) s[i] = in[i - 1];

  const Fr* rc = p.full_rc.data();
  auto full_round = [&](const Fr* consts, const Fr* m) {
    for (unsigned i = 0; i < T; ++i) s[i] = pow5(s[i] + consts[i]);
    for (unsigned i = 0; i < T; ++i) {
      Fr acc = m[i * T] * s[0];
      for (unsigned j = 1; j < T; ++j) acc += m[i * T + j] * s[j];
      u[i] = acc;
    }
    s = u;
  };

  for (unsigned r = 0; r + 1 < kHalfFull; ++r) full_round(rc + r * T, p.mds.data());
  full_round(rc + (kHalfFull - 1) * T, p.pre_sparse.data());

  // Partial rounds: a = s_0 + c; s_0 <- m00 * a^5 + v . (s_1..); s_i <- s_i + w_i * a^5.
  // The cost is the field products (2t + 1 per round), so none is spent beyond those.
  const Fr m00 = p.mds[0];
  const Fr* sp = p.sparse.data();
  for (unsigned r = 0; r < p.partial_rounds; ++r, sp += 2 * (T - 1)) {
    const Fr a5 = pow5(s[0] + p.partial_rc[r]);
    Fr acc = m00 * a5;
    for (unsigned i = 1; i < T; ++i) acc += sp[i - 1] * s[i];
    for (unsigned i = 1; i < T; ++i) s[i] += sp[T - 1 + i - 1] * a5;
    s[0] = acc;
  }

  rc += kHalfFull * T;
  for (unsigned r = 0; r < kHalfFull; ++r) full_round(rc + r * T, p.mds.data());
  return s[0];
}

using FastFn = Fr (*)(const PoseidonParams&, const Fr*);

template <unsigned... Ts>
constexpr std::array<FastFn, sizeof...(Ts)> make_fast_table(std::integer_sequence<unsigned, Ts...>) {
  return {&permute_fast<Ts + 2>...};
}
// Indexed by t - 2.
constexpr auto kFast = make_fast_table(std::make_integer_sequence<unsigned, kMaxInputs>{});

Result<std::vector<PoseidonParams>> build_all() {
  std::vector<PoseidonParams> all;
  all.reserve(kMaxInputs);
  for (unsigned n = 1; n <= kMaxInputs; ++n) {
    const unsigned rc0 = kPoseidonRcOffset[n - 1], rc1 = kPoseidonRcOffset[n];
    const unsigned m0 = kPoseidonMdsOffset[n - 1], m1 = kPoseidonMdsOffset[n];
    VORN_TRY(PoseidonParams p, build_poseidon_params(n + 1, kPoseidonPartialRounds[n - 1],
                                                     std::span<const uint64_t[4]>(kPoseidonRc + rc0, rc1 - rc0),
                                                     std::span<const uint64_t[4]>(kPoseidonMds + m0, m1 - m0)));
    all.push_back(std::move(p));
  }
  return all;
}

}  // namespace

Result<PoseidonParams> build_poseidon_params(unsigned t, unsigned partial_rounds, std::span<const uint64_t[4]> rc,
                                             std::span<const uint64_t[4]> mds) {
  if (t < 2 || t > kMaxInputs + 1 || rc.size() != size_t(kFullRounds + partial_rounds) * t || mds.size() != size_t(t) * t)
    return IdError::invariant(kPoseidonTableShape);
  PoseidonParams p;
  p.t = t;
  p.partial_rounds = partial_rounds;
  auto load = [](std::span<const uint64_t[4]> src, std::vector<Fr>& dst) {
    dst.reserve(src.size());
    for (const auto& limbs : src) {
      if (!Fr::lt_mod(limbs)) return false;
      dst.push_back(Fr::from_limbs(limbs));
    }
    return true;
  };
  if (!load(rc, p.rc) || !load(mds, p.mds)) return IdError::invariant(kPoseidonConstantOutOfField);
  p.fast = derive_sparse(p);
  return p;
}

Result<const std::vector<PoseidonParams>*> poseidon_params() {
  // Initialised exactly once, even when several threads arrive together.
  static const Result<std::vector<PoseidonParams>> params = build_all();
  if (!params.ok()) return params.error();
  return &params.value();
}

Result<Fr> poseidon_plain_fr(const PoseidonParams& p, std::span<const Fr> inputs) {
  const unsigned t = p.t;
  if (inputs.size() + 1 != t) return IdError{kPoseidonArityError};
  std::vector<Fr> s(t), u(t);
  s[0] = Fr::zero();
  for (unsigned i = 1; i < t; ++i) s[i] = inputs[i - 1];
  const unsigned rounds = kFullRounds + p.partial_rounds;
  for (unsigned k = 0; k < rounds; ++k) {
    for (unsigned i = 0; i < t; ++i) s[i] += p.rc[k * t + i];
    const bool full = k < kHalfFull || k >= kHalfFull + p.partial_rounds;
    if (full) {
      for (unsigned i = 0; i < t; ++i) s[i] = pow5(s[i]);
    } else {
      s[0] = pow5(s[0]);
    }
    for (unsigned i = 0; i < t; ++i) {
      Fr acc = Fr::zero();
      for (unsigned j = 0; j < t; ++j) acc += p.mds[i * t + j] * s[j];
      u[i] = acc;
    }
    s.swap(u);
  }
  return s[0];
}

Result<Fr> poseidon_fast_fr(const PoseidonParams& p, std::span<const Fr> inputs) {
  if (!p.fast) return poseidon_plain_fr(p, inputs);
  if (inputs.size() + 1 != p.t) return IdError{kPoseidonArityError};
  return kFast[p.t - 2](p, inputs.data());
}

Result<Fr> poseidon_fr(std::span<const Fr> inputs) {
  if (inputs.empty() || inputs.size() > kMaxInputs) return IdError{kPoseidonArityError};
  VORN_TRY(const std::vector<PoseidonParams>* all, poseidon_params());
  return poseidon_fast_fr((*all)[inputs.size() - 1], inputs);
}

Result<W> poseidon(std::span<const W> inputs) {
  if (inputs.empty() || inputs.size() > kMaxInputs) return IdError{kPoseidonArityError};
  std::array<Fr, kMaxInputs> x;
  for (size_t i = 0; i < inputs.size(); ++i) x[i] = Fr::from_w_reduce(inputs[i]);
  VORN_TRY(Fr h, poseidon_fr(std::span<const Fr>(x.data(), inputs.size())));
  return h.to_w();
}

Result<Fr> poseidon_tagged_fr(PoseidonTag tag, std::span<const Fr> items) {
  if (items.size() + 1 > kMaxInputs) return IdError{kPoseidonArityError};
  std::array<Fr, kMaxInputs> x;
  x[0] = Fr::from_w_reduce(tag_scalar(tag.id));
  for (size_t i = 0; i < items.size(); ++i) x[i + 1] = items[i];
  return poseidon_fr(std::span<const Fr>(x.data(), items.size() + 1));
}

}  // namespace vorn::hash

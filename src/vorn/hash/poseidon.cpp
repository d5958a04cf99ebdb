#include "vorn/hash/poseidon.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vorn::hash {

using bn254::Fr;

// The circomlib tables: kPoseidonPartialRounds, kPoseidonRcOffset, kPoseidonMdsOffset,
// kPoseidonRc, kPoseidonMds (canonical limbs, least significant first).
#include "vorn/hash/poseidon_constants.inc"

namespace {

constexpr unsigned kFullRounds = 8;
constexpr unsigned kHalfFull = kFullRounds / 2;
constexpr unsigned kMaxInputs = 16;

inline Fr pow5(const Fr& x) {
  const Fr x2 = x.sqr_dedicated();
  return x2.sqr_dedicated() * x;
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

// Derives the recurrence form from the plain constants.
//
// 1. Round constants. In a partial round only s_0 passes through the S-box, so the
//    constants added to s_1..s_{t-1} pass through it unchanged; after the matrix they
//    amount to M * (0, c_1, ..., c_{t-1}) added at the start of the next round. Moving
//    them forward round by round leaves each partial round one constant c_r (for s_0)
//    and folds the remainder into the first full round after the partial rounds. Every
//    round's constants are then added through the matrix product of the round before
//    (`mix_add`), so the S-box inputs come straight out of the products. In round 0
//    s_0 = 0, so its S-box output k0 = C_0^5 is a constant and M[i][0] k0 joins
//    mix_add too.
// 2. Partial rounds. Write M = [[m00, a^T], [b, N]] (N the lower-right (t-1)x(t-1)
//    block) and let x_r be s_1..s_{t-1} entering partial round r, y_r the S-box
//    output of round r and e_r the next S-box input (s_0 after round r plus c_{r+1},
//    with c_R the first constant of the full round that follows). Round r maps
//        s_0 <- m00 y_r + a^T x_r,   x_{r+1} = b y_r + N x_r.
//    With n = t - 1, the rows O_k = a^T N^k (k < n) form the matrix O; when O is
//    invertible, a^T N^n = sum_k tau_k a^T N^(n-k) for unique tau_1..tau_n, and any
//    sequence a^T N^r v obeys the same recurrence. Eliminating x gives
//        e_r = sum_{k=1..min(r,n)} (tau_k e_{r-k} + beta_k y_{r-k}) + beta_0 y_r
//              + F_r x_0 + kappa_r,
//    with beta_0 = m00, beta_k = q_{k-1} - tau_k m00 where q_d = h_d - sum_{k<=d}
//    tau_k h_{d-k} and h_d = a^T N^d b; F_r = O_r - sum_{k<=r} tau_k O_{r-k}, zero from
//    r = n on; kappa_r = c_{r+1} - sum_{k<=min(r,n)} tau_k c_{r+1-k}. So each partial
//    round costs 2t - 1 products summed with one reduction.
//    The values are kept scaled, e'_r = lambda_r e_r and y'_r = e'_{r-1}^5 =
//    lambda_{r-1}^5 y_r, with lambda_{-1} = 1 and lambda_r = lambda_{r-1}^5 / m00, which
//    makes the coefficient of y'_r in e'_r exactly 1: e'_r = y'_r + (the other terms),
//    so no product waits for the S-box output, and the other terms are summed while
//    the S-box runs. The coefficients become per round; the last round keeps
//    lambda = 1 so the value leaving the partial rounds is unscaled.
// 3. After the last partial round, x_R is rebuilt from the last n values of e and y:
//    O x_{R-n} = z with z_m = e_{R-n+m} - c_{R-n+m+1} - m00 y_{R-n+m}
//    - sum_{j<m} h_{m-1-j} y_{R-n+j}, and x_R = N^n x_{R-n} + sum_j N^(n-1-j) b
//    y_{R-n+j}; with Q = N^n O^-1 that is one row of 2n products per element.
//
// The values live in one buffer [x_0, y'_0, e'_0, y'_1, e'_1, ...], so the terms of
// every round are a contiguous window: rounds r < n read [x_0, y'_0, e'_0, ...,
// e'_{r-1}] and the later ones [y'_{r-n}, e'_{r-n}, ..., e'_{r-1}] (and y'_r in the
// last round).
constexpr unsigned kMaxFastPartial = 96;  // the buffer is sized for this many partial rounds

bool derive_recurrence(PoseidonParams& p) {
  const unsigned t = p.t, n = t - 1, R = p.partial_rounds;
  if (R <= n || R > kMaxFastPartial) return false;
  const Matrix& M = p.mds;

  // Step 1: constants moved forward (c: partial constants; full: the 8 full rounds).
  std::vector<Fr> cc = p.rc;
  std::vector<Fr> c(R + 1);
  for (unsigned k = kHalfFull; k < kHalfFull + R; ++k) {
    Fr* cur = &cc[k * t];
    Fr* next = &cc[(k + 1) * t];
    c[k - kHalfFull] = cur[0];
    for (unsigned i = 0; i < t; ++i) {
      Fr acc = Fr::zero();
      for (unsigned j = 1; j < t; ++j) acc += M[i * t + j] * cur[j];
      next[i] += acc;
    }
  }
  std::vector<Fr> full(cc.begin(), cc.begin() + kHalfFull * t);
  full.insert(full.end(), cc.begin() + (kHalfFull + R) * t, cc.end());
  c[R] = full[kHalfFull * t];

  // Step 2.
  const Fr m00 = M[0];
  std::vector<Fr> b(n);
  Matrix N(n * n);
  for (unsigned i = 0; i < n; ++i) {
    b[i] = M[(i + 1) * t];
    for (unsigned j = 0; j < n; ++j) N[i * n + j] = M[(i + 1) * t + (j + 1)];
  }
  auto row_times = [&](const Fr* row, const Matrix& A) {  // row * A for an n x n A
    std::vector<Fr> out(n, Fr::zero());
    for (unsigned j = 0; j < n; ++j)
      for (unsigned k = 0; k < n; ++k) out[j] += row[k] * A[k * n + j];
    return out;
  };
  Matrix O(n * n);
  std::vector<Fr> row(M.begin() + 1, M.begin() + t);  // a^T
  for (unsigned k = 0; k < n; ++k) {
    std::copy(row.begin(), row.end(), O.begin() + k * n);
    row = row_times(row.data(), N);
  }
  Matrix O_inv;
  if (!mat_inverse_var(O, n, O_inv)) return false;
  const std::vector<Fr> tau_rev = row_times(row.data(), O_inv);  // a^T N^n O^-1: tau_{n-k} at k
  std::vector<Fr> tau(n + 1, Fr::zero());                         // tau[k] = tau_k, k = 1..n
  for (unsigned k = 1; k <= n; ++k) tau[k] = tau_rev[n - k];

  std::vector<Fr> h(n, Fr::zero()), beta(n + 1);
  for (unsigned d = 0; d < n; ++d)
    for (unsigned j = 0; j < n; ++j) h[d] += O[d * n + j] * b[j];
  beta[0] = m00;
  for (unsigned k = 1; k <= n; ++k) {
    Fr q = h[k - 1];
    for (unsigned i = 1; i <= k - 1; ++i) q -= tau[i] * h[k - 1 - i];
    beta[k] = q - tau[k] * m00;
  }

  // Scales: lambda_r at lam[r + 1] and its inverse at mu[r + 1], r = -1..R-1.
  if (m00.is_zero()) return false;
  const Fr m00_inv = m00.inv_var();
  std::vector<Fr> lam(R + 1), mu(R + 1);
  lam[0] = mu[0] = Fr::one();
  for (unsigned r = 0; r + 1 < R; ++r) {
    lam[r + 1] = pow5(lam[r]) * m00_inv;
    mu[r + 1] = pow5(mu[r]) * m00;
  }
  lam[R] = mu[R] = Fr::one();
  auto mu_of = [&](int r) { return mu[r + 1]; };  // 1 / lambda_r

  p.partial_add.assign(R, Fr::zero());
  p.partial_rows.clear();
  for (unsigned r = 0; r < R; ++r) {
    const Fr l = lam[r + 1];
    Fr kappa = c[r + 1];
    for (unsigned k = 1; k <= std::min(r, n); ++k) kappa -= tau[k] * c[r + 1 - k];
    p.partial_add[r] = l * kappa;
    if (r < n) {
      for (unsigned j = 0; j < n; ++j) {  // F_r
        Fr f = O[r * n + j];
        for (unsigned k = 1; k <= r; ++k) f -= tau[k] * O[(r - k) * n + j];
        p.partial_rows.push_back(l * f);
      }
    }
    // y'_j and e'_j for j = r - min(r, n) .. r - 1, then y'_r in the last round.
    for (unsigned j = r - std::min(r, n); j < r; ++j) {
      p.partial_rows.push_back(l * beta[r - j] * pow5(mu_of(int(j) - 1)));
      p.partial_rows.push_back(l * tau[r - j] * mu_of(int(j)));
    }
    if (r + 1 == R) p.partial_rows.push_back(l * beta[0] * pow5(mu_of(int(r) - 1)));
  }

  // Step 3.
  const Matrix Q = mat_mul(mat_pow(N, n, n), O_inv, n);
  std::vector<std::vector<Fr>> nb(n);  // nb[j] = N^(n-1-j) b
  std::vector<Fr> w = b;
  for (unsigned k = 0; k < n; ++k) {
    nb[n - 1 - k] = w;
    std::vector<Fr> next(n, Fr::zero());
    for (unsigned i = 0; i < n; ++i)
      for (unsigned j = 0; j < n; ++j) next[i] += N[i * n + j] * w[j];
    w.swap(next);
  }
  p.tail.assign(n * 2 * n, Fr::zero());
  p.tail_add.assign(n, Fr::zero());
  for (unsigned i = 0; i < n; ++i) {
    Fr* out = &p.tail[i * 2 * n];
    Fr add = full[kHalfFull * t + i + 1];
    for (unsigned j = 0; j < n; ++j) {
      Fr ycoef = nb[j][i] - Q[i * n + j] * m00;
      for (unsigned m = j + 1; m < n; ++m) ycoef -= Q[i * n + m] * h[m - 1 - j];
      const int round = int(R - n + j);
      out[2 * j] = ycoef * pow5(mu_of(round - 1));
      out[2 * j + 1] = Q[i * n + j] * mu_of(round);
      add -= Q[i * n + j] * c[R - n + j + 1];
    }
    p.tail_add[i] = add;
  }

  // Constants added through the products of each full round (step 1).
  p.mix_add.assign(kFullRounds * t, Fr::zero());
  const Fr k0 = pow5(full[0]);
  for (unsigned i = 0; i < t; ++i) p.mix_add[i] = full[t + i] + M[i * t] * k0;
  for (unsigned k = 1; k + 1 < kFullRounds; ++k) {
    if (k + 1 == kHalfFull) continue;  // round 3 feeds the partial rounds
    for (unsigned i = 0; i < t; ++i) p.mix_add[k * t + i] = full[(k + 1) * t + i];
  }
  p.mix_add[(kHalfFull - 1) * t] = c[0];
  return true;
}

// The permutation's values are built in place (each result initialises a fresh
// object) rather than assigned: a copy of a value just written as four 64-bit words,
// read back in wider pieces, waits for the stores to complete, and on the chain of
// dependent products that wait would add up.
template <size_t T>
using State = std::array<Fr, T>;

// x^5 for each of the T elements, the independent chains advanced side by side.
template <size_t T, size_t... I>
State<T> pow5_layer(const Fr* x, std::index_sequence<I...>) {
  const State<T> x2 = {{x[I].sqr_dedicated()...}};
  const State<T> x4 = {{x2[I].sqr_dedicated()...}};
  return {{(x4[I] * x[I])...}};
}

// One full round on the S-box inputs v of L hashes (hash l at l*T): the matrix
// products of v^5, plus `add`.
template <size_t T, size_t L, size_t... I>
State<T * L> full_round(const State<T * L>& v, const Fr* M, const Fr* add, std::index_sequence<I...> seq) {
  const State<T * L> y = pow5_layer<T * L>(v.data(), seq);
  return {{Fr::sum_of_products_plus<T>(M + (I % T) * T, y.data() + (I / T) * T, add[I % T])...}};
}

// The recurrence form for a fixed width T, for L independent hashes advanced round by
// round together (the processor then overlaps one hash's chain of dependent products
// with the other's work): the inputs of hash l at in[l*(T-1) ..], its output at out[l].
template <unsigned T, unsigned L>
void permute_fast(const PoseidonParams& p, const Fr* in, Fr* out) {
  constexpr unsigned n = T - 1;
  constexpr auto all = std::make_index_sequence<T * L>{};
  constexpr auto inputs = std::make_index_sequence<n * L>{};
  constexpr auto lanes = std::make_index_sequence<L>{};
  const unsigned R = p.partial_rounds;
  const Fr* M = p.mds.data();
  const Fr* add = p.mix_add.data();

  // Round 0: s_0 = 0, so only s_1.. pass through the S-box.
  const State<n * L> x = [&]<size_t... I>(std::index_sequence<I...>) -> State<n * L> {
    return {{(in[I] + p.rc[I % n + 1])...}};
  }(inputs);
  const State<n * L> y0 = pow5_layer<n * L>(x.data(), inputs);
  const State<T * L> v1 = [&]<size_t... I>(std::index_sequence<I...>) -> State<T * L> {
    return {{Fr::sum_of_products_plus<n>(M + (I % T) * T + 1, y0.data() + (I / T) * n, add[I % T])...}};
  }(all);
  const State<T * L> v2 = full_round<T, L>(v1, M, add + T, all);
  const State<T * L> v3 = full_round<T, L>(v2, M, add + 2 * T, all);

  // Round 3 fills the start of each buffer with x_0, and gives e_{-1} (not stored).
  Fr buf[L][n + 2 * kMaxFastPartial];
  const State<T * L> y3 = pow5_layer<T * L>(v3.data(), all);
  const State<L> e_first = [&]<size_t... l>(std::index_sequence<l...>) -> State<L> {
    return {{Fr::sum_of_products_plus<T>(M, y3.data() + l * T, add[(kHalfFull - 1) * T])...}};
  }(lanes);
  for (unsigned l = 0; l < L; ++l)
    for (unsigned i = 1; i < T; ++i) buf[l][i - 1] = Fr::sum_of_products<T>(M + i * T, y3.data() + l * T);

  // Partial rounds: y'_r = e'_{r-1}^5 into buf[n + 2r], e'_r = y'_r + (the other
  // terms) into buf[n + 2r + 1].
  const Fr* row = p.partial_rows.data();
  const Fr* kappa = p.partial_add.data();
  const Fr* prev[L];
  for (unsigned l = 0; l < L; ++l) prev[l] = &e_first[l];
  for (unsigned r = 0; r < n; ++r) {
    const unsigned len = n + 2 * r;
    for (unsigned l = 0; l < L; ++l) buf[l][n + 2 * r] = pow5(*prev[l]);
    for (unsigned l = 0; l < L; ++l) {
      buf[l][n + 2 * r + 1] = buf[l][n + 2 * r] + Fr::sum_of_products_plus(row, buf[l], len, kappa[r]);
      prev[l] = &buf[l][n + 2 * r + 1];
    }
    row += len;
  }
  for (unsigned r = n; r + 1 < R; ++r, row += 2 * n) {
    for (unsigned l = 0; l < L; ++l) {
      if constexpr (2 * n <= Fr::kMaxStagedTerms) {
        // The S-box is a chain of three dependent products; the other terms are
        // summed in stages between them, so both proceed together.
        typename Fr::template StagedSum<2 * n> rest(row, buf[l] + 2 * r - n, kappa[r]);
        const Fr x2 = prev[l]->sqr_dedicated();
        rest.template run<0, 3>();
        const Fr x4 = x2.sqr_dedicated();
        rest.template run<3, 5>();
        const Fr y = x4 * *prev[l];
        rest.template run<5, 7>();
        buf[l][n + 2 * r + 1] = y + rest.result();
        buf[l][n + 2 * r] = y;
      } else {
        const Fr y = pow5(*prev[l]);
        buf[l][n + 2 * r + 1] = y + Fr::sum_of_products_plus<2 * n>(row, buf[l] + 2 * r - n, kappa[r]);
        buf[l][n + 2 * r] = y;
      }
    }
    for (unsigned l = 0; l < L; ++l) prev[l] = &buf[l][n + 2 * r + 1];
  }
  for (unsigned l = 0; l < L; ++l) buf[l][n + 2 * R - 2] = pow5(*prev[l]);
  for (unsigned l = 0; l < L; ++l)
    buf[l][n + 2 * R - 1] = Fr::sum_of_products_plus<2 * n + 1>(row, buf[l] + 2 * R - 2 - n, kappa[R - 1]);

  // Round 4 inputs: e_{R-1}, and s_1.. rebuilt from the last n pairs (y', e').
  const State<T * L> v4 = [&]<size_t... I>(std::index_sequence<I...>) -> State<T * L> {
    return {{(I % T == 0 ? buf[I / T][n + 2 * R - 1]
                         : Fr::sum_of_products_plus<2 * n>(p.tail.data() + (I % T - 1) * 2 * n,
                                                            buf[I / T] + 2 * R - n, p.tail_add[I % T - 1]))...}};
  }(all);
  const State<T * L> v5 = full_round<T, L>(v4, M, add + 4 * T, all);
  const State<T * L> v6 = full_round<T, L>(v5, M, add + 5 * T, all);
  const State<T * L> v7 = full_round<T, L>(v6, M, add + 6 * T, all);
  // The last round: only s_0 is the output.
  const State<T * L> y7 = pow5_layer<T * L>(v7.data(), all);
  for (unsigned l = 0; l < L; ++l) out[l] = Fr::sum_of_products<T>(M, y7.data() + l * T);
}

using FastFn = void (*)(const PoseidonParams&, const Fr*, Fr*);

template <unsigned L, unsigned... Ts>
constexpr std::array<FastFn, sizeof...(Ts)> make_fast_table(std::integer_sequence<unsigned, Ts...>) {
  return {&permute_fast<Ts + 2, L>...};
}
// Indexed by t - 2: one hash, and two hashes together for the widths a Merkle tree or
// a batch uses most (the others hash a pair one at a time).
constexpr auto kFast = make_fast_table<1>(std::make_integer_sequence<unsigned, kMaxInputs>{});
constexpr unsigned kMaxPairedWidth = 5;
constexpr auto kFastPair = make_fast_table<2>(std::make_integer_sequence<unsigned, kMaxPairedWidth - 1>{});

// Whether the plain tables have the sizes the width and the round count call for (a
// parameter set from build_poseidon_params always has; the kernels index by them).
bool plain_shape_ok(const PoseidonParams& p) {
  return p.t >= 2 && p.t <= kMaxInputs + 1 && p.rc.size() == size_t(kFullRounds + p.partial_rounds) * p.t &&
         p.mds.size() == size_t(p.t) * p.t;
}

// Whether the recurrence form is present, with the sizes derive_recurrence gives it.
bool fast_shape_ok(const PoseidonParams& p) {
  const size_t n = p.t - 1, R = p.partial_rounds;
  return p.fast && plain_shape_ok(p) && R > n && R <= kMaxFastPartial && p.mix_add.size() == kFullRounds * p.t &&
         p.partial_add.size() == R && p.partial_rows.size() == 2 * n * R - n + 1 && p.tail.size() == 2 * n * n &&
         p.tail_add.size() == n;
}

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
  p.fast = derive_recurrence(p);
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
  if (!plain_shape_ok(p)) return IdError::invariant(kPoseidonTableShape);
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
  if (!fast_shape_ok(p)) return poseidon_plain_fr(p, inputs);
  if (inputs.size() + 1 != p.t) return IdError{kPoseidonArityError};
  Fr out;
  kFast[p.t - 2](p, inputs.data(), &out);
  return out;
}

Status poseidon_fast_fr_many(const PoseidonParams& p, std::span<const Fr> inputs, std::span<Fr> outputs) {
  const size_t n = p.t - 1;
  if (p.t < 2 || inputs.size() != outputs.size() * n) return IdError{kPoseidonArityError};
  const size_t count = outputs.size();
  size_t k = 0;
  if (p.t <= kMaxPairedWidth && fast_shape_ok(p)) {
    // Both hashes of a pair read their inputs before either output is written, so an
    // output may overwrite the inputs of its own pair (or of earlier ones).
    for (; k + 1 < count; k += 2) kFastPair[p.t - 2](p, inputs.data() + k * n, outputs.data() + k);
  }
  for (; k < count; ++k) {
    VORN_TRY(outputs[k], poseidon_fast_fr(p, inputs.subspan(k * n, n)));
  }
  return ok_status();
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

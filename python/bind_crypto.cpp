// vorn_identity: ElGamal, Pointcheval-Sanders, the issuer Schnorr signature and the
// five sigma proofs.
//
// Each body converts its arguments to words in the order the protocol fixes (for the
// verifiers: the proof first), the first failure deciding the message; the crypto
// layer's word forms then decode the points in their own fixed order and compute.
#include "bind_crypto.h"

namespace vorn::frame {
namespace {

using namespace crypto_bind;
namespace cw = crypto::words;

template <class T>
Result<Value> boolean(Result<T> r) {
  if (!r.ok()) return std::move(r).error();
  return Value::boolean(r.value());
}

// ---- ElGamal and Pointcheval-Sanders ----

Result<Value> elgamal_encrypt_body(Args& a) {
  VORN_TRY(const G1Words m, arg_g1(a[0]));
  VORN_TRY(const G1Words pk, arg_g1(a[1]));
  VORN_TRY(const W r, arg_w(a[2]));
  VORN_TRY(const CtWords ct, cw::elgamal_encrypt(m, pk, r));
  return ct_value(ct);
}

Result<Value> elgamal_decrypt_body(Args& a) {
  VORN_TRY(const CtWords ct, arg_ct(a[0]));
  VORN_TRY(const W sk, arg_w(a[1]));
  VORN_TRY(const G1Words m, cw::elgamal_decrypt(ct, sk));
  return g1_value(m);
}

Result<Value> ps_sign_body(Args& a) {
  VORN_TRY(const W x, arg_w(a[0]));
  VORN_TRY(const W y, arg_w(a[1]));
  VORN_TRY(const W m, arg_w(a[2]));
  VORN_TRY(const W t, arg_w(a[3]));
  return pair_v(cw::ps_sign(x, y, m, t));
}

Result<Value> ps_verify_body(Args& a) {
  VORN_TRY(const G2Words x, arg_g2(a[0]));
  VORN_TRY(const G2Words y, arg_g2(a[1]));
  VORN_TRY(const G1Words s1, arg_g1(a[2]));
  VORN_TRY(const G1Words s2, arg_g1(a[3]));
  VORN_TRY(const W m, arg_w(a[4]));
  return boolean(cw::ps_verify(x, y, s1, s2, m));
}

Result<Value> ps_rerandomize_body(Args& a) {
  VORN_TRY(const G1Words s1, arg_g1(a[0]));
  VORN_TRY(const G1Words s2, arg_g1(a[1]));
  VORN_TRY(const W t, arg_w(a[2]));
  VORN_TRY(const cw::G1Pair sig, cw::ps_rerandomize(s1, s2, t));
  return pair_v(sig);
}

Result<Value> ps_present_body(Args& a) {
  VORN_TRY(const G1Words s1, arg_g1(a[0]));
  VORN_TRY(const G1Words s2, arg_g1(a[1]));
  VORN_TRY(const G1Words y1, arg_g1(a[2]));
  VORN_TRY(const W sa, arg_w(a[3]));
  VORN_TRY(const W sb, arg_w(a[4]));
  VORN_TRY(const cw::G1Pair p, cw::ps_present(s1, s2, y1, sa, sb));
  return pair_v(p);
}

Result<Value> ps_key_consistent_body(Args& a) {
  VORN_TRY(const G2Words y, arg_g2(a[0]));
  VORN_TRY(const G1Words y1, arg_g1(a[1]));
  return boolean(cw::ps_key_consistent(y, y1));
}

// ---- issuer Schnorr ----

Result<Value> issuer_schnorr_sign_body(Args& a) {
  VORN_TRY(const W sk, arg_w(a[0]));
  VORN_TRY(const W h, arg_w(a[1]));
  VORN_TRY(const W issuer, arg_w(a[2]));
  VORN_TRY(const W chainid, arg_w(a[3]));
  VORN_TRY(const W k, arg_w(a[4]));
  return schnorr_v(cw::issuer_schnorr_sign(sk, h, issuer, chainid, k));
}

// Converts e, s, R (from the proof), then pk_iss, h_batch, issuer, chainid.
Result<Value> issuer_schnorr_verify_body(Args& a) {
  const Value& proof = a[1];
  VORN_TRY(const W e, arg_w(proof.items[0]));
  VORN_TRY(const W s, arg_w(proof.items[1]));
  VORN_TRY(const G1Words r, arg_g1(proof.items[2]));
  VORN_TRY(const G1Words pk, arg_g1(a[0]));
  VORN_TRY(const W h, arg_w(a[2]));
  VORN_TRY(const W issuer, arg_w(a[3]));
  VORN_TRY(const W chainid, arg_w(a[4]));
  return boolean(cw::issuer_schnorr_verify(pk, {r, e, s}, h, issuer, chainid));
}

// ---- registration ----

// Converts every argument in parameter order: a, b, blind, m, r, pk, e_ct,
// registrant, sk, chainid, registry, then the four nonces.
Result<Value> registration_prove_body(Args& a) {
  VORN_TRY(const G1Words pa, arg_g1(a[0]));
  VORN_TRY(const G1Words pb, arg_g1(a[1]));
  W s[3];
  for (int i = 0; i < 3; ++i) { VORN_TRY(s[i], arg_w(a[2 + i])); }  // blind, m, r
  VORN_TRY(const G1Words pk, arg_g1(a[5]));
  VORN_TRY(const CtWords ct, arg_ct(a[6]));
  W w[8];
  for (int i = 0; i < 8; ++i) { VORN_TRY(w[i], arg_w(a[7 + i])); }  // registrant, sk, chainid, registry, nonces
  VORN_TRY(const cw::RegistrationProofW p,
           cw::registration_prove(pa, pb, s[0], s[1], s[2], pk, ct, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]));
  return Value::tuple({Value::integer(p.e), Value::integer(p.s_m), Value::integer(p.s_b), Value::integer(p.s_r), Value::integer(p.s_sk), g1_value(p.C1), g1_value(p.T_C),
                       g1_value(p.T_R), g1_value(p.T_key)});
}

// Converts the proof (its five scalars, then its four points), then a, b, e_ct, pk,
// issuer_x, issuer_y, registrant, chainid, registry.
Result<Value> registration_verify_body(Args& a) {
  const Value& proof = a[6];
  cw::RegistrationProofW p;
  VORN_TRY(p.e, arg_w(proof.items[0]));
  VORN_TRY(p.s_m, arg_w(proof.items[1]));
  VORN_TRY(p.s_b, arg_w(proof.items[2]));
  VORN_TRY(p.s_r, arg_w(proof.items[3]));
  VORN_TRY(p.s_sk, arg_w(proof.items[4]));
  VORN_TRY(p.C1, arg_g1(proof.items[5]));
  VORN_TRY(p.T_C, arg_g1(proof.items[6]));
  VORN_TRY(p.T_R, arg_g1(proof.items[7]));
  VORN_TRY(p.T_key, arg_g1(proof.items[8]));
  VORN_TRY(const G1Words pa, arg_g1(a[0]));
  VORN_TRY(const G1Words pb, arg_g1(a[1]));
  VORN_TRY(const CtWords ct, arg_ct(a[2]));
  VORN_TRY(const G1Words pk, arg_g1(a[3]));
  VORN_TRY(const G2Words x, arg_g2(a[4]));
  VORN_TRY(const G2Words y, arg_g2(a[5]));
  VORN_TRY(const W registrant, arg_w(a[7]));
  VORN_TRY(const W chainid, arg_w(a[8]));
  VORN_TRY(const W registry, arg_w(a[9]));
  return boolean(cw::registration_verify(pa, pb, ct, pk, x, y, p, registrant, chainid, registry));
}

// ---- Chaum-Pedersen ----

// Converts e_alice, e_bob, pk_alice, pk_bob, then the eight words in order.
Result<Value> chaum_pedersen_prove_body(Args& a) {
  VORN_TRY(const CtWords ea, arg_ct(a[0]));
  VORN_TRY(const CtWords eb, arg_ct(a[1]));
  VORN_TRY(const G1Words pka, arg_g1(a[2]));
  VORN_TRY(const G1Words pkb, arg_g1(a[3]));
  W w[8];
  for (int i = 0; i < 8; ++i) { VORN_TRY(w[i], arg_w(a[4 + i])); }
  VORN_TRY(const cw::CpProofW p, cw::chaum_pedersen_prove(ea, eb, pka, pkb, w[0], w[1], w[2], w[3], w[4], w[5],
                                                          w[6], w[7]));
  return Value::tuple({Value::integer(p.e), Value::integer(p.s1), Value::integer(p.s2), g1_value(p.T1), g1_value(p.T2), g1_value(p.T3)});
}

// Converts the proof (e, s1, s2, T1, T2, T3), then e_alice, e_bob, pk_alice, pk_bob,
// sender, spender, chainid, registry.
Result<Value> chaum_pedersen_verify_body(Args& a) {
  const Value& proof = a[4];
  cw::CpProofW p;
  VORN_TRY(p.e, arg_w(proof.items[0]));
  VORN_TRY(p.s1, arg_w(proof.items[1]));
  VORN_TRY(p.s2, arg_w(proof.items[2]));
  VORN_TRY(p.T1, arg_g1(proof.items[3]));
  VORN_TRY(p.T2, arg_g1(proof.items[4]));
  VORN_TRY(p.T3, arg_g1(proof.items[5]));
  VORN_TRY(const CtWords ea, arg_ct(a[0]));
  VORN_TRY(const CtWords eb, arg_ct(a[1]));
  VORN_TRY(const G1Words pka, arg_g1(a[2]));
  VORN_TRY(const G1Words pkb, arg_g1(a[3]));
  W w[4];
  for (int i = 0; i < 4; ++i) { VORN_TRY(w[i], arg_w(a[5 + i])); }
  return boolean(cw::chaum_pedersen_verify(ea, eb, pka, pkb, p, w[0], w[1], w[2], w[3]));
}

// ---- verifiable decryption and identity opening ----

Value vd_v(const cw::VdProofW& p) { return Value::tuple({Value::integer(p.e), Value::integer(p.s), g1_value(p.T1), g1_value(p.T2)}); }

Result<cw::VdProofW> vd_proof_w(const Value& proof) {
  cw::VdProofW p;
  VORN_TRY(p.e, arg_w(proof.items[0]));
  VORN_TRY(p.s, arg_w(proof.items[1]));
  VORN_TRY(p.T1, arg_g1(proof.items[2]));
  VORN_TRY(p.T2, arg_g1(proof.items[3]));
  return p;
}

// Both provers convert e_ct, sk, m_point, then the binding words, t last; `n_words`
// binding words follow m_point.
struct DleqProveArgs {
  CtWords ct;
  W sk;
  G1Words m;
  W words[3];
  W t;
};
Result<DleqProveArgs> dleq_prove_args(Args& a, int n_words) {
  DleqProveArgs d;
  VORN_TRY(d.ct, arg_ct(a[0]));
  VORN_TRY(d.sk, arg_w(a[1]));
  VORN_TRY(d.m, arg_g1(a[2]));
  for (int i = 0; i < n_words; ++i) { VORN_TRY(d.words[i], arg_w(a[3 + i])); }
  VORN_TRY(d.t, arg_w(a[3 + n_words]));
  return d;
}

// Both verifiers convert the proof first, then e_ct, pk, m_point and the words.
struct DleqVerifyArgs {
  cw::VdProofW proof;
  CtWords ct;
  G1Words pk, m;
  W words[3];
};
Result<DleqVerifyArgs> dleq_verify_args(Args& a, int n_words) {
  DleqVerifyArgs d;
  VORN_TRY(d.proof, vd_proof_w(a[3]));
  VORN_TRY(d.ct, arg_ct(a[0]));
  VORN_TRY(d.pk, arg_g1(a[1]));
  VORN_TRY(d.m, arg_g1(a[2]));
  for (int i = 0; i < n_words; ++i) { VORN_TRY(d.words[i], arg_w(a[4 + i])); }
  return d;
}

Result<Value> verifiable_decrypt_prove_body(Args& a) {
  VORN_TRY(const DleqProveArgs d, dleq_prove_args(a, 2));
  VORN_TRY(const cw::VdProofW p, cw::verifiable_decrypt_prove(d.ct, d.sk, d.m, d.words[0], d.words[1], d.t));
  return vd_v(p);
}

Result<Value> verifiable_decrypt_verify_body(Args& a) {
  VORN_TRY(const DleqVerifyArgs d, dleq_verify_args(a, 2));
  return boolean(cw::verifiable_decrypt_verify(d.ct, d.pk, d.m, d.proof, d.words[0], d.words[1]));
}

Result<Value> identity_opening_prove_body(Args& a) {
  VORN_TRY(const DleqProveArgs d, dleq_prove_args(a, 3));
  VORN_TRY(const cw::VdProofW p,
           cw::identity_opening_prove(d.ct, d.sk, d.m, d.words[0], d.words[1], d.words[2], d.t));
  return vd_v(p);
}

Result<Value> identity_opening_verify_body(Args& a) {
  VORN_TRY(const DleqVerifyArgs d, dleq_verify_args(a, 3));
  return boolean(cw::identity_opening_verify(d.ct, d.pk, d.m, d.proof, d.words[0], d.words[1], d.words[2]));
}

// ---- issuer re-encryption ----

// Converts in parameter order: sk_iss, r_prime, pk_rec, e_reg, e_iss, issuer,
// chainid, beta, gamma, k_r, k_b, k_s, k_g.
Result<Value> issuer_reenc_prove_body(Args& a) {
  VORN_TRY(const W sk, arg_w(a[0]));
  VORN_TRY(const W r_prime, arg_w(a[1]));
  VORN_TRY(const G1Words pk_rec, arg_g1(a[2]));
  VORN_TRY(const CtWords e_reg, arg_ct(a[3]));
  VORN_TRY(const CtWords e_iss, arg_ct(a[4]));
  W w[8];
  for (int i = 0; i < 8; ++i) { VORN_TRY(w[i], arg_w(a[5 + i])); }
  VORN_TRY(const cw::IssuerReencProofW p, cw::issuer_reenc_prove(sk, r_prime, pk_rec, e_reg, e_iss, w[0], w[1], w[2],
                                                                 w[3], w[4], w[5], w[6], w[7]));
  return Value::tuple({Value::tuple({Value::integer(p.e), Value::integer(p.s_r), Value::integer(p.s_b), Value::integer(p.s_s), Value::integer(p.s_g)}),
                       Value::tuple({g1_value(p.A1), g1_value(p.A2), g1_value(p.A3), g1_value(p.A4), g1_value(p.A5), g1_value(p.Q),
                                     g1_value(p.U), g1_value(p.T)})});
}

// Converts the proof (five scalars, then eight points), then pk_iss, e_reg, e_iss,
// issuer, chainid.
Result<Value> issuer_reenc_verify_body(Args& a) {
  const Value& sc = a[3].items[0];
  const Value& pt = a[3].items[1];
  cw::IssuerReencProofW p;
  VORN_TRY(p.e, arg_w(sc.items[0]));
  VORN_TRY(p.s_r, arg_w(sc.items[1]));
  VORN_TRY(p.s_b, arg_w(sc.items[2]));
  VORN_TRY(p.s_s, arg_w(sc.items[3]));
  VORN_TRY(p.s_g, arg_w(sc.items[4]));
  G1Words* points[8] = {&p.A1, &p.A2, &p.A3, &p.A4, &p.A5, &p.Q, &p.U, &p.T};
  for (int i = 0; i < 8; ++i) { VORN_TRY(*points[i], arg_g1(pt.items[i])); }
  VORN_TRY(const G1Words pk_iss, arg_g1(a[0]));
  VORN_TRY(const CtWords e_reg, arg_ct(a[1]));
  VORN_TRY(const CtWords e_iss, arg_ct(a[2]));
  VORN_TRY(const W issuer, arg_w(a[4]));
  VORN_TRY(const W chainid, arg_w(a[5]));
  return boolean(cw::issuer_reenc_verify(pk_iss, e_reg, e_iss, p, issuer, chainid));
}

// ---- depositor binding ----

// Converts in parameter order: m_dep, sk_dep, e_dep, pk_iss, then the eight words.
Result<Value> b1_bind_prove_body(Args& a) {
  VORN_TRY(const W m_dep, arg_w(a[0]));
  VORN_TRY(const W sk_dep, arg_w(a[1]));
  VORN_TRY(const CtWords e_dep, arg_ct(a[2]));
  VORN_TRY(const G1Words pk_iss, arg_g1(a[3]));
  W w[8];
  for (int i = 0; i < 8; ++i) { VORN_TRY(w[i], arg_w(a[4 + i])); }
  VORN_TRY(const cw::B1BindingW b, cw::b1_bind_prove(m_dep, sk_dep, e_dep, pk_iss, w[0], w[1], w[2], w[3], w[4],
                                                     w[5], w[6], w[7]));
  const cw::B1BindProofW& p = b.proof;
  return Value::tuple({Value::tuple({Value::integer(p.e), Value::integer(p.s_m), Value::integer(p.s_s), Value::integer(p.s_r), Value::integer(p.s_b), g1_value(p.D1),
                                     g1_value(p.D2), g1_value(p.D3), g1_value(p.D4), g1_value(p.D5), g1_value(p.Cm)}),
                       ct_value(b.e_dep_for_iss)});
}

// Converts the proof (five scalars, then six points), then pk_dep, e_dep, pk_iss,
// e_dep_for_iss, account, chainid.
Result<Value> b1_bind_verify_body(Args& a) {
  const Value& proof = a[4];
  cw::B1BindProofW p;
  W* scalars[5] = {&p.e, &p.s_m, &p.s_s, &p.s_r, &p.s_b};
  for (int i = 0; i < 5; ++i) { VORN_TRY(*scalars[i], arg_w(proof.items[i])); }
  G1Words* points[6] = {&p.D1, &p.D2, &p.D3, &p.D4, &p.D5, &p.Cm};
  for (int i = 0; i < 6; ++i) { VORN_TRY(*points[i], arg_g1(proof.items[5 + i])); }
  VORN_TRY(const G1Words pk_dep, arg_g1(a[0]));
  VORN_TRY(const CtWords e_dep, arg_ct(a[1]));
  VORN_TRY(const G1Words pk_iss, arg_g1(a[2]));
  VORN_TRY(const CtWords e_e, arg_ct(a[3]));
  VORN_TRY(const W account, arg_w(a[5]));
  VORN_TRY(const W chainid, arg_w(a[6]));
  return boolean(cw::b1_bind_verify(pk_dep, e_dep, pk_iss, e_e, p, account, chainid));
}

// ---- shapes and rows ----

using shape::Ct;
using shape::G1;
using shape::G2;
using shape::Int;
constexpr Shape kRegProof{Shape::Kind::Tuple, {&Int, &Int, &Int, &Int, &Int, &G1, &G1, &G1, &G1}};
constexpr Shape kCpProof{Shape::Kind::Tuple, {&Int, &Int, &Int, &G1, &G1, &G1}};
constexpr Shape kVdProof{Shape::Kind::Tuple, {&Int, &Int, &G1, &G1}};
constexpr Shape kReencScalars{Shape::Kind::Tuple, {&Int, &Int, &Int, &Int, &Int}};
constexpr Shape kReencPoints{Shape::Kind::Tuple, {&G1, &G1, &G1, &G1, &G1, &G1, &G1, &G1}};
constexpr Shape kReencProof{Shape::Kind::Tuple, {&kReencScalars, &kReencPoints}};
constexpr Shape kB1Proof{Shape::Kind::Tuple, {&Int, &Int, &Int, &Int, &Int, &G1, &G1, &G1, &G1, &G1, &G1}};

const char* const M = "vorn_identity";

Register r_elgamal_encrypt({M, "elgamal_encrypt", {{"m_point", &G1}, {"pk", &G1}, {"r", &Int}}, "",
                            elgamal_encrypt_body});
Register r_elgamal_decrypt({M, "elgamal_decrypt", {{"e_ct", &Ct}, {"sk", &Int}}, "", elgamal_decrypt_body});
Register r_ps_sign({M, "ps_sign", {{"sk_x", &Int}, {"sk_y", &Int}, {"m", &Int}, {"t", &Int}}, "", ps_sign_body});
Register r_ps_verify({M, "ps_verify",
                      {{"pk_x", &G2}, {"pk_y", &G2}, {"sigma_1", &G1}, {"sigma_2", &G1}, {"m", &Int}}, "",
                      ps_verify_body});
Register r_ps_rerandomize({M, "ps_rerandomize", {{"sigma_1", &G1}, {"sigma_2", &G1}, {"t", &Int}}, "",
                           ps_rerandomize_body});
Register r_ps_present({M, "ps_present",
                       {{"sigma_1", &G1}, {"sigma_2", &G1}, {"y1", &G1}, {"a", &Int}, {"b", &Int}},
                       "`(A, B) = (a*sigma_1, a*sigma_2 + b*Y1)`: the hiding presentation.", ps_present_body});
Register r_ps_key_consistent({M, "ps_key_consistent", {{"pk_y", &G2}, {"y1", &G1}}, "`e(Y1, g_2) == e(G, Y)`.",
                              ps_key_consistent_body});

Register r_issuer_sign({M, "issuer_schnorr_sign",
                        {{"sk_iss", &Int}, {"h_batch", &Int}, {"issuer", &Int}, {"chainid", &Int}, {"k", &Int}}, "",
                        issuer_schnorr_sign_body});
Register r_issuer_verify({M, "issuer_schnorr_verify",
                          {{"pk_iss", &G1}, {"proof", &kSchnorrSig}, {"h_batch", &Int}, {"issuer", &Int},
                           {"chainid", &Int}},
                          "", issuer_schnorr_verify_body});

Register r_registration_prove({M, "registration_prove",
                               {{"a", &G1}, {"b", &G1}, {"blind", &Int}, {"m", &Int}, {"r", &Int}, {"pk", &G1},
                                {"e_ct", &Ct}, {"registrant", &Int}, {"sk", &Int}, {"chainid", &Int},
                                {"registry", &Int}, {"m_tilde", &Int}, {"b_tilde", &Int}, {"r_tilde", &Int},
                                {"sk_tilde", &Int}},
                               "Prove for the presentation `(A, B)` with blinding `blind`; nonces in the\n"
                               "Python draw order `m_tilde, b_tilde, r_tilde, sk_tilde`.  Returns the\n"
                               "nine-field proof `(e, s_m, s_b, s_r, s_sk, C1, T_C, T_R, T_key)`.",
                               registration_prove_body});
#define VORN_REGISTRATION_VERIFY_PARAMS                                                                    \
  {{"a", &G1}, {"b", &G1}, {"e_ct", &Ct}, {"pk", &G1}, {"issuer_x", &G2}, {"issuer_y", &G2},               \
   {"proof", &kRegProof}, {"registrant", &Int}, {"chainid", &Int}, {"registry", &Int}}
Register r_registration_verify({M, "registration_verify", VORN_REGISTRATION_VERIFY_PARAMS,
                                "Same verifier under the historical name (the relation is A').",
                                registration_verify_body});
Register r_registration_verify_v3({M, "registration_verify_v3", VORN_REGISTRATION_VERIFY_PARAMS,
                                   "The A' verifier.  Exported as `registration_verify_v3`; the Python wallet\n"
                                   "dispatches to the kernel only when this name exists, so a stale build\n"
                                   "falls back to the pure-Python path instead of verifying the wrong relation.",
                                   registration_verify_body});
#undef VORN_REGISTRATION_VERIFY_PARAMS

Register r_cp_prove({M, "chaum_pedersen_prove",
                     {{"e_alice", &Ct}, {"e_bob", &Ct}, {"pk_alice", &G1}, {"pk_bob", &G1}, {"sk_alice", &Int},
                      {"r_prime", &Int}, {"sender", &Int}, {"spender", &Int}, {"chainid", &Int}, {"registry", &Int},
                      {"k1", &Int}, {"k2", &Int}},
                     "", chaum_pedersen_prove_body});
Register r_cp_verify({M, "chaum_pedersen_verify",
                      {{"e_alice", &Ct}, {"e_bob", &Ct}, {"pk_alice", &G1}, {"pk_bob", &G1}, {"proof", &kCpProof},
                       {"sender", &Int}, {"spender", &Int}, {"chainid", &Int}, {"registry", &Int}},
                      "", chaum_pedersen_verify_body});

Register r_vd_prove({M, "verifiable_decrypt_prove",
                     {{"e_ct", &Ct}, {"sk", &Int}, {"m_point", &G1}, {"account", &Int}, {"chainid", &Int},
                      {"t", &Int}},
                     "", verifiable_decrypt_prove_body});
Register r_vd_verify({M, "verifiable_decrypt_verify",
                      {{"e_ct", &Ct}, {"pk", &G1}, {"m_point", &G1}, {"proof", &kVdProof}, {"account", &Int},
                       {"chainid", &Int}},
                      "", verifiable_decrypt_verify_body});
Register r_io_prove({M, "identity_opening_prove",
                     {{"e_ct", &Ct}, {"sk", &Int}, {"m_point", &G1}, {"account", &Int}, {"chainid", &Int},
                      {"registry", &Int}, {"t", &Int}},
                     "The same DLEQ, its transcript bound to (account, chainid, registry) under\n"
                     "its own tag: an Identity opening to one registry, never a receipt.",
                     identity_opening_prove_body});
Register r_io_verify({M, "identity_opening_verify",
                      {{"e_ct", &Ct}, {"pk", &G1}, {"m_point", &G1}, {"proof", &kVdProof}, {"account", &Int},
                       {"chainid", &Int}, {"registry", &Int}},
                      "", identity_opening_verify_body});

Register r_reenc_prove({M, "issuer_reenc_prove",
                        {{"sk_iss", &Int}, {"r_prime", &Int}, {"pk_rec", &G1}, {"e_reg", &Ct}, {"e_iss", &Ct},
                         {"issuer", &Int}, {"chainid", &Int}, {"beta", &Int}, {"gamma", &Int}, {"k_r", &Int},
                         {"k_b", &Int}, {"k_s", &Int}, {"k_g", &Int}},
                        "", issuer_reenc_prove_body});
Register r_reenc_verify({M, "issuer_reenc_verify",
                         {{"pk_iss", &G1}, {"e_reg", &Ct}, {"e_iss", &Ct}, {"proof", &kReencProof},
                          {"issuer", &Int}, {"chainid", &Int}},
                         "", issuer_reenc_verify_body});

Register r_b1_prove({M, "b1_bind_prove",
                     {{"m_dep", &Int}, {"sk_dep", &Int}, {"e_dep", &Ct}, {"pk_iss", &G1}, {"account", &Int},
                      {"chainid", &Int}, {"r", &Int}, {"b", &Int}, {"k_m", &Int}, {"k_s", &Int}, {"k_r", &Int},
                      {"k_b", &Int}},
                     "", b1_bind_prove_body});
Register r_b1_verify({M, "b1_bind_verify",
                      {{"pk_dep", &G1}, {"e_dep", &Ct}, {"pk_iss", &G1}, {"e_dep_for_iss", &Ct},
                       {"proof", &kB1Proof}, {"account", &Int}, {"chainid", &Int}},
                      "", b1_bind_verify_body});

}  // namespace
}  // namespace vorn::frame

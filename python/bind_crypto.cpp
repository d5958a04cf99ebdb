// vorn_identity: ElGamal, Pointcheval-Sanders, the issuer Schnorr signature and the
// five sigma proofs.
//
// Each row names the crypto layer's word form (vorn/crypto/words.h) it exports: the
// arguments convert to its parameter types in parameter order, a verifier's proof
// first (its error wins), each record field by field in its table's order; the word
// form then decodes the points in its own fixed order and computes.
#include "bind.h"
#include "vorn/crypto/words.h"

namespace vorn::frame {
namespace {

namespace cw = crypto::words;

using shape::Ct;
using shape::G1;
using shape::G2;
using shape::Int;

// The signature and proof shapes, from the records' field tables.
constexpr const Shape& kSchnorrSig = record_shape<cw::SchnorrSigW>;
constexpr const Shape& kRegProof = record_shape<cw::RegistrationProofW>;
constexpr const Shape& kCpProof = record_shape<cw::CpProofW>;
constexpr const Shape& kVdProof = record_shape<cw::VdProofW>;
constexpr const Shape& kReencProof = record_shape<cw::IssuerReencProofW>;
constexpr const Shape& kB1Proof = record_shape<cw::B1BindProofW>;

const char* const M = "vorn_identity";

Register r_elgamal_encrypt({M, "elgamal_encrypt", {{"m_point", &G1}, {"pk", &G1}, {"r", &Int}}, "",
                            bind<cw::elgamal_encrypt>()});
Register r_elgamal_decrypt({M, "elgamal_decrypt", {{"e_ct", &Ct}, {"sk", &Int}}, "", bind<cw::elgamal_decrypt>()});
Register r_ps_sign({M, "ps_sign", {{"sk_x", &Int}, {"sk_y", &Int}, {"m", &Int}, {"t", &Int}}, "", bind<cw::ps_sign>()});
Register r_ps_verify({M, "ps_verify",
                      {{"pk_x", &G2}, {"pk_y", &G2}, {"sigma_1", &G1}, {"sigma_2", &G1}, {"m", &Int}}, "",
                      bind<cw::ps_verify>()});
Register r_ps_rerandomize({M, "ps_rerandomize", {{"sigma_1", &G1}, {"sigma_2", &G1}, {"t", &Int}}, "",
                           bind<cw::ps_rerandomize>()});
Register r_ps_present({M, "ps_present",
                       {{"sigma_1", &G1}, {"sigma_2", &G1}, {"y1", &G1}, {"a", &Int}, {"b", &Int}},
                       "`(A, B) = (a*sigma_1, a*sigma_2 + b*Y1)`: the hiding presentation.", bind<cw::ps_present>()});
Register r_ps_key_consistent({M, "ps_key_consistent", {{"pk_y", &G2}, {"y1", &G1}}, "`e(Y1, g_2) == e(G, Y)`.",
                              bind<cw::ps_key_consistent>()});

Register r_issuer_sign({M, "issuer_schnorr_sign",
                        {{"sk_iss", &Int}, {"h_batch", &Int}, {"issuer", &Int}, {"chainid", &Int}, {"k", &Int}}, "",
                        bind<cw::issuer_schnorr_sign>()});
Register r_issuer_verify({M, "issuer_schnorr_verify",
                          {{"pk_iss", &G1}, {"proof", &kSchnorrSig, converted_first}, {"h_batch", &Int},
                           {"issuer", &Int}, {"chainid", &Int}},
                          "", bind<cw::issuer_schnorr_verify>()});

Register r_registration_prove({M, "registration_prove",
                               {{"a", &G1}, {"b", &G1}, {"blind", &Int}, {"m", &Int}, {"r", &Int}, {"pk", &G1},
                                {"e_ct", &Ct}, {"registrant", &Int}, {"sk", &Int}, {"chainid", &Int},
                                {"registry", &Int}, {"m_tilde", &Int}, {"b_tilde", &Int}, {"r_tilde", &Int},
                                {"sk_tilde", &Int}},
                               "Prove for the presentation `(A, B)` with blinding `blind`; nonces in the\n"
                               "Python draw order `m_tilde, b_tilde, r_tilde, sk_tilde`.  Returns the\n"
                               "nine-field proof `(e, s_m, s_b, s_r, s_sk, C1, T_C, T_R, T_key)`.",
                               bind<cw::registration_prove>()});
#define VORN_REGISTRATION_VERIFY_PARAMS                                                                    \
  {{"a", &G1}, {"b", &G1}, {"e_ct", &Ct}, {"pk", &G1}, {"issuer_x", &G2}, {"issuer_y", &G2},               \
   {"proof", &kRegProof, converted_first}, {"registrant", &Int}, {"chainid", &Int}, {"registry", &Int}}
Register r_registration_verify({M, "registration_verify", VORN_REGISTRATION_VERIFY_PARAMS,
                                "Same verifier under the historical name (the relation is A').",
                                bind<cw::registration_verify>()});
Register r_registration_verify_v3({M, "registration_verify_v3", VORN_REGISTRATION_VERIFY_PARAMS,
                                   "The A' verifier.  Exported as `registration_verify_v3`; the Python wallet\n"
                                   "dispatches to the kernel only when this name exists, so a stale build\n"
                                   "falls back to the pure-Python path instead of verifying the wrong relation.",
                                   bind<cw::registration_verify>()});
#undef VORN_REGISTRATION_VERIFY_PARAMS

Register r_cp_prove({M, "chaum_pedersen_prove",
                     {{"e_alice", &Ct}, {"e_bob", &Ct}, {"pk_alice", &G1}, {"pk_bob", &G1}, {"sk_alice", &Int},
                      {"r_prime", &Int}, {"sender", &Int}, {"spender", &Int}, {"chainid", &Int}, {"registry", &Int},
                      {"k1", &Int}, {"k2", &Int}},
                     "", bind<cw::chaum_pedersen_prove>()});
Register r_cp_verify({M, "chaum_pedersen_verify",
                      {{"e_alice", &Ct}, {"e_bob", &Ct}, {"pk_alice", &G1}, {"pk_bob", &G1},
                       {"proof", &kCpProof, converted_first}, {"sender", &Int}, {"spender", &Int}, {"chainid", &Int},
                       {"registry", &Int}},
                      "", bind<cw::chaum_pedersen_verify>()});

Register r_vd_prove({M, "verifiable_decrypt_prove",
                     {{"e_ct", &Ct}, {"sk", &Int}, {"m_point", &G1}, {"account", &Int}, {"chainid", &Int},
                      {"t", &Int}},
                     "", bind<cw::verifiable_decrypt_prove>()});
Register r_vd_verify({M, "verifiable_decrypt_verify",
                      {{"e_ct", &Ct}, {"pk", &G1}, {"m_point", &G1}, {"proof", &kVdProof, converted_first},
                       {"account", &Int}, {"chainid", &Int}},
                      "", bind<cw::verifiable_decrypt_verify>()});
Register r_io_prove({M, "identity_opening_prove",
                     {{"e_ct", &Ct}, {"sk", &Int}, {"m_point", &G1}, {"account", &Int}, {"chainid", &Int},
                      {"registry", &Int}, {"t", &Int}},
                     "The same DLEQ, its transcript bound to (account, chainid, registry) under\n"
                     "its own tag: an Identity opening to one registry, never a receipt.",
                     bind<cw::identity_opening_prove>()});
Register r_io_verify({M, "identity_opening_verify",
                      {{"e_ct", &Ct}, {"pk", &G1}, {"m_point", &G1}, {"proof", &kVdProof, converted_first},
                       {"account", &Int}, {"chainid", &Int}, {"registry", &Int}},
                      "", bind<cw::identity_opening_verify>()});

Register r_reenc_prove({M, "issuer_reenc_prove",
                        {{"sk_iss", &Int}, {"r_prime", &Int}, {"pk_rec", &G1}, {"e_reg", &Ct}, {"e_iss", &Ct},
                         {"issuer", &Int}, {"chainid", &Int}, {"beta", &Int}, {"gamma", &Int}, {"k_r", &Int},
                         {"k_b", &Int}, {"k_s", &Int}, {"k_g", &Int}},
                        "", bind<cw::issuer_reenc_prove>()});
Register r_reenc_verify({M, "issuer_reenc_verify",
                         {{"pk_iss", &G1}, {"e_reg", &Ct}, {"e_iss", &Ct}, {"proof", &kReencProof, converted_first},
                          {"issuer", &Int}, {"chainid", &Int}},
                         "", bind<cw::issuer_reenc_verify>()});

Register r_b1_prove({M, "b1_bind_prove",
                     {{"m_dep", &Int}, {"sk_dep", &Int}, {"e_dep", &Ct}, {"pk_iss", &G1}, {"account", &Int},
                      {"chainid", &Int}, {"r", &Int}, {"b", &Int}, {"k_m", &Int}, {"k_s", &Int}, {"k_r", &Int},
                      {"k_b", &Int}},
                     "", bind<cw::b1_bind_prove>()});
Register r_b1_verify({M, "b1_bind_verify",
                      {{"pk_dep", &G1}, {"e_dep", &Ct}, {"pk_iss", &G1}, {"e_dep_for_iss", &Ct},
                       {"proof", &kB1Proof, converted_first}, {"account", &Int}, {"chainid", &Int}},
                      "", bind<cw::b1_bind_verify>()});

}  // namespace
}  // namespace vorn::frame

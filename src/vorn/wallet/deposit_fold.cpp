#include "vorn/wallet/deposit_fold.h"

#include "vorn/crypto/elgamal.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

// The path object under `key` ("receipt: missing field" when absent), with as many
// index bits as siblings.
Result<PathRecord> path_at(const Json& args, std::string_view key) {
  VORN_TRY(const Json* obj, get_field(args, key));
  VORN_TRY(PathRecord path, path_from(*obj));
  if (path.siblings.size() != path.bits.size()) return err(kPathLengthMismatch);
  return path;
}

Result<FoldAccount> read_account(const Json& args) {
  FoldAccount a;
  VORN_TRY(a.path, path_at(args, "path"));
  VORN_TRY(a.m_rec, get_w(args, "m_rec"));
  VORN_TRY(a.k, get_w(args, "k"));
  VORN_TRY(a.sk_dep, get_w(args, "sk_dep"));
  VORN_TRY(a.salt, get_w(args, "salt"));
  VORN_TRY(a.t, get_w(args, "t"));
  VORN_TRY(a.r_e, get_w(args, "r_E"));
  VORN_TRY(a.rho, get_w(args, "rho"));
  VORN_TRY(a.id_hash, get_w(args, "idHash"));
  VORN_TRY(a.identity_root, get_w(args, "identityRoot"));
  VORN_TRY(a.e_dep, get_ct(args, "E_dep"));
  VORN_TRY(a.pk_dep, get_g1(args, "pk_dep"));
  VORN_TRY(a.e_enc, get_ct(args, "eEnc"));
  return a;
}

// pk_dep = sk_dep*G, E_dep = (r_E*G, cd*G), and the receiving leaf under the posted
// root. Returns cd = m_rec + sk_dep*r_E.
Result<Fr> check_account(const FoldAccount& a, std::string_view dep_c_message) {
  const Fr cd = fr_of(a.m_rec) + fr_of(a.sk_dep) * fr_of(a.r_e);
  if (!same_words(point_words(mul_g_ct(fr_of(a.sk_dep))), a.pk_dep)) return err(kFoldPkDep);
  if (!same_words(point_words(mul_g_ct(fr_of(a.r_e))), a.e_dep.r)) return err(kFoldDepR);
  if (!same_words(point_words(mul_g_ct(cd)), a.e_dep.c)) return err(dep_c_message);
  VORN_TRY(const W leaf, notes::receiving_leaf(a.m_rec, a.k, a.salt));
  VORN_TRY(const W root, notes::IdentityMerkleTree::fold_path(leaf, a.path.siblings, a.path.bits));
  if (!same_word(root, a.identity_root)) return err(kFoldRoot);
  return cd;
}

Json quadruple(const CiphertextW& ct) {
  Json a = Json::array();
  for (const W* w : {&ct.r[0], &ct.r[1], &ct.c[0], &ct.c[1]}) a.push(dec_scalar(*w));
  return a;
}

// Limbs of a scalar reduced modulo r.
Json scalar_limbs(const W& w) { return limbs(reduce_mod_r(w)); }
Json scalar_limbs(const Fr& s) { return limbs(s.to_w()); }

void set_path(Json& out, const PathRecord& path, const char* elements_key, const char* indices_key) {
  Json elements = Json::array();
  for (const W& s : path.siblings) elements.push(Json::string(dec_w(s)));
  Json indices = Json::array();
  for (uint8_t b : path.bits) indices.push(Json::string(b ? "1" : "0"));
  out.set(elements_key, std::move(elements));
  out.set(indices_key, std::move(indices));
}

// The account fields shared by both witnesses: coordinates as limbs, not reduced.
void set_account_fields(Json& out, const FoldAccount& a) {
  out.set("eEncRx", limbs(a.e_enc.r[0]));
  out.set("eEncRy", limbs(a.e_enc.r[1]));
  out.set("eEncCx", limbs(a.e_enc.c[0]));
  out.set("eEncCy", limbs(a.e_enc.c[1]));
  out.set("pkDepX", limbs(a.pk_dep[0]));
  out.set("pkDepY", limbs(a.pk_dep[1]));
  out.set("eDepRx", limbs(a.e_dep.r[0]));
  out.set("eDepRy", limbs(a.e_dep.r[1]));
  out.set("eDepCx", limbs(a.e_dep.c[0]));
  out.set("eDepCy", limbs(a.e_dep.c[1]));
}

// True when the x-coordinates of two points, reduced modulo r, coincide.
bool share_x_mod_r(const G1Words& a, const G1Words& b) { return same_word(reduce_mod_r(a[0]), reduce_mod_r(b[0])); }

}  // namespace

Result<FoldA1Values> fold_a1_relations(const FoldA1Input& in) {
  const FoldAccount& a = in.account;
  const Fr k = fr_of(a.k);
  const Fr u = fr_of(in.v) + fr_of(in.r_note) * k;
  const Fr w = fr_of(a.m_rec) + fr_of(a.t) * k;
  VORN_TRY(const W id_hash, notes::id_hash_a1(in.e_note, in.m_issuer));
  if (!same_word(id_hash, a.id_hash)) return err(kFoldIdHashA1);
  if (!same_words(point_words(mul_g_ct(fr_of(in.r_note))), in.e_note.r)) return err(kFoldNoteR);
  if (!same_words(point_words(mul_g_ct(u)), in.e_note.c)) return err(kFoldNoteC);
  if (!same_words(point_words(mul_g_ct(fr_of(a.t))), a.e_enc.r)) return err(kFoldEncR);
  if (!same_words(point_words(mul_g_ct(w)), a.e_enc.c)) return err(kFoldEncCA1);
  VORN_TRY(const Fr cd, check_account(a, kFoldDepCA1));
  VORN_TRY(const W nf, notes::nullifier(a.rho, a.id_hash));
  return FoldA1Values{u, w, cd, nf};
}

Result<FoldA2Values> fold_a2_relations(const FoldA2Input& in) {
  const FoldAccount& a = in.account;
  // M_I = eIss.C - k*eIss.R; rm = r'*k; tk = t*k.
  const Fr k = fr_of(a.k);
  VORN_TRY(const G1Affine iss_r, decode_g1(in.e_iss.r));
  VORN_TRY(const G1Affine iss_c, decode_g1(in.e_iss.c));
  const G1Affine m_i = crypto::elgamal_decrypt(crypto::Ciphertext{iss_r, iss_c}, k);
  const Fr rm = fr_of(in.r_prime) * k;
  const Fr tk = fr_of(a.t) * k;
  const G1 m_i_proj = G1::from_affine(m_i);
  const G1 rm_g = mul_g_ct(rm);
  const G1 tk_g = mul_g_ct(tk);
  VORN_TRY(const G1 gamma_h, mul_h_ct(fr_of(in.gamma)));

  if (!same_words(point_words(mul_g_ct(fr_of(in.r_prime))), in.e_iss.r)) return err(kFoldIssR);
  if (!same_words(point_words(m_i_proj + rm_g), in.e_iss.c)) return err(kFoldIssC);
  if (!same_words(point_words(mul_g_ct(fr_of(a.t))), a.e_enc.r)) return err(kFoldEncR);
  if (!same_words(point_words(m_i_proj + tk_g), a.e_enc.c)) return err(kFoldEncCA2);
  if (!same_words(point_words(rm_g + gamma_h), in.t)) return err(kFoldT);

  // The circuit adds these pairs with the incomplete formula, which needs distinct
  // x-coordinates in its field.
  const G1Words m_i_w = point_words(m_i), rm_g_w = point_words(rm_g), tk_g_w = point_words(tk_g),
               gamma_h_w = point_words(gamma_h);
  if (share_x_mod_r(m_i_w, rm_g_w)) return err(kFoldIssCSharedX);
  if (share_x_mod_r(m_i_w, tk_g_w)) return err(kFoldEncCSharedX);
  if (share_x_mod_r(rm_g_w, gamma_h_w)) return err(kFoldTSharedX);

  VORN_TRY(const Fr cd, check_account(a, kFoldDepCA2));
  VORN_TRY(const W iss_leaf, notes::identity_leaf_salted(m_i_w, in.salt_iss));
  VORN_TRY(const W iss_root, notes::IdentityMerkleTree::fold_path(iss_leaf, in.iss_path.siblings, in.iss_path.bits));
  if (!same_word(iss_root, a.identity_root)) return err(kFoldIssuerLeaf);
  VORN_TRY(const W id_hash, notes::id_hash_a2(in.e_note, in.e_iss, in.t));
  if (!same_word(id_hash, a.id_hash)) return err(kFoldIdHashA2);
  VORN_TRY(const W nf, notes::nullifier(a.rho, a.id_hash));
  return FoldA2Values{rm, tk, cd, m_i_w, nf};
}

Result<std::string> deposit_fold_a1_witness(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  FoldA1Input in;
  VORN_TRY(in.e_note, get_ct(args, "eNote"));
  VORN_TRY(in.v, get_w(args, "v"));
  VORN_TRY(in.m_issuer, get_w(args, "m_issuer"));
  VORN_TRY(in.r_note, get_w(args, "r_note"));
  VORN_TRY(in.account, read_account(args));
  VORN_TRY(const FoldA1Values x, fold_a1_relations(in));
  const FoldAccount& a = in.account;

  Json out = Json::object();
  out.set("nullifier", Json::string(dec_w(x.nullifier)));
  out.set("v", Json::string(dec_w(in.v)));
  out.set("identityRoot", Json::string(dec_w(a.identity_root)));
  set_account_fields(out, a);
  out.set("rho", dec_scalar(a.rho));
  out.set("idHash", dec_scalar(a.id_hash));
  out.set("eNote", quadruple(in.e_note));
  out.set("mIss", dec_scalar(in.m_issuer));
  out.set("rn", scalar_limbs(in.r_note));
  out.set("m_rec", scalar_limbs(a.m_rec));
  out.set("k_recv", scalar_limbs(a.k));
  out.set("u", scalar_limbs(x.u));
  out.set("t", scalar_limbs(a.t));
  out.set("w", scalar_limbs(x.w));
  out.set("sk_dep", scalar_limbs(a.sk_dep));
  out.set("r_E", scalar_limbs(a.r_e));
  out.set("cd", scalar_limbs(x.cd));
  out.set("salt", Json::string(dec_w(a.salt)));
  set_path(out, a.path, "pathElements", "pathIndices");
  return compact_json(out);
}

Result<std::string> deposit_fold_a2_witness(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  FoldA2Input in;
  VORN_TRY(in.e_note, get_ct(args, "eNote"));
  VORN_TRY(in.e_iss, get_ct(args, "eIss"));
  VORN_TRY(in.r_prime, get_w(args, "r_prime"));
  VORN_TRY(in.salt_iss, get_w(args, "salt_iss"));
  VORN_TRY(in.iss_path, path_at(args, "issPath"));
  VORN_TRY(in.t, get_g1(args, "T"));
  VORN_TRY(in.gamma, get_w(args, "gamma"));
  VORN_TRY(in.account, read_account(args));
  VORN_TRY(const FoldA2Values x, fold_a2_relations(in));
  const FoldAccount& a = in.account;

  Json out = Json::object();
  out.set("nullifier", Json::string(dec_w(x.nullifier)));
  out.set("identityRoot", Json::string(dec_w(a.identity_root)));
  set_account_fields(out, a);
  out.set("rho", dec_scalar(a.rho));
  out.set("idHash", dec_scalar(a.id_hash));
  out.set("eNote", quadruple(in.e_note));
  out.set("eIss0", quadruple(in.e_iss));
  Json t_arr = Json::array();
  t_arr.push(dec_scalar(in.t[0]));
  t_arr.push(dec_scalar(in.t[1]));
  out.set("T", std::move(t_arr));
  out.set("r", scalar_limbs(in.r_prime));
  out.set("k_recv", scalar_limbs(a.k));
  out.set("rm", scalar_limbs(x.rm));
  out.set("t", scalar_limbs(a.t));
  out.set("tk", scalar_limbs(x.tk));
  out.set("m_rec", scalar_limbs(a.m_rec));
  out.set("sk_dep", scalar_limbs(a.sk_dep));
  out.set("r_E", scalar_limbs(a.r_e));
  out.set("cd", scalar_limbs(x.cd));
  out.set("gamma", scalar_limbs(in.gamma));
  Json mi = Json::array();
  mi.push(limbs(x.m_i[0]));
  mi.push(limbs(x.m_i[1]));
  out.set("MI", std::move(mi));
  out.set("salt", Json::string(dec_w(a.salt)));
  out.set("saltIss", Json::string(dec_w(in.salt_iss)));
  set_path(out, a.path, "pathElements", "pathIndices");
  set_path(out, in.iss_path, "issPathElements", "issPathIndices");
  return compact_json(out);
}

}  // namespace vorn::wallet

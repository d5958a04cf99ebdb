// Deposit-fold witnesses: argument sets built from the relations with the plain
// variable-time primitives, every relation violated in turn giving its message in
// order, and the witness fields checked against values recomputed here (limbs read
// back and multiplied onto G, decimal words, index strings).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/deposit_fold.h"
#include "wallet_support.h"

using namespace ws;
namespace n = vorn::notes;

namespace {

n::IdentityMerkleTree tree_of(std::vector<W> leaves, uint64_t depth) {
  auto t = n::IdentityMerkleTree::from_leaves(std::move(leaves), depth);
  EXPECT_TRUE(t.ok());
  return std::move(t).value();
}

Json path_json(const n::MerklePath& p) {
  Json s = Json::array(), b = Json::array();
  for (const W& w : p.siblings) s.push(hx(w));
  for (uint8_t x : p.bits) b.push(num(x));
  return obj({{"siblings", s}, {"indexBits", b}});
}

// The word of a limbs array: four decimal 64-bit limbs, least significant first.
W from_limbs(const Json& a) {
  const vorn::wallet::JsonArray* items = a.as_array();
  EXPECT_TRUE(items && items->size() == 4);
  W w;
  if (!items || items->size() != 4) return w;
  for (int i = 0; i < 4; ++i) {
    const std::string* s = (*items)[i].as_string();
    EXPECT_NE(s, nullptr);
    const uint64_t limb = s ? std::stoull(*s) : 0;
    EXPECT_EQ(s ? *s : "", std::to_string(limb));  // decimal, no leading zeros
    for (int k = 0; k < 8; ++k) w.b[31 - 8 * i - k] = static_cast<uint8_t>(limb >> (8 * k));
  }
  return w;
}

W from_dec(const Json& v) {
  const std::string* s = v.as_string();
  EXPECT_NE(s, nullptr);
  W w;
  EXPECT_TRUE(s && vorn::w_from_decimal(*s, w));
  EXPECT_EQ(s ? *s : "", vorn::to_decimal(w));  // no leading zeros
  return w;
}

// The deposit account and receiving leaf shared by both flavors, consistent with a
// receiving secret k.
struct Account {
  W k, m_rec = u(4001), t = u(4002), sk_dep = u(4003), r_e = u(4004), salt = u(4005), rho = u(4006);
  G1Words pk_dep = gmul(sk_dep);
  W cd = add_r(m_rec, mul_r(sk_dep, r_e));
  CiphertextW e_dep{gmul(r_e), gmul(cd)};

  W receiving_leaf() const { return *n::receiving_leaf(m_rec, k, salt); }

  void put(Json& args, const n::MerklePath& path, const W& root, const W& id_hash, const CiphertextW& e_enc) const {
    args.set("path", path_json(path));
    args.set("m_rec", hx(m_rec));
    args.set("k", hx(k));
    args.set("sk_dep", hx(sk_dep));
    args.set("salt", hx(salt));
    args.set("t", hx(t));
    args.set("r_E", hx(r_e));
    args.set("rho", hx(rho));
    args.set("idHash", hx(id_hash));
    args.set("identityRoot", hx(root));
    args.set("E_dep", ct(e_dep));
    args.set("pk_dep", pt(pk_dep));
    args.set("eEnc", ct(e_enc));
  }
};

struct A1Case {
  W k = u(3001), v = u(1234), m_issuer = u(3003), r_note = u(3004);
  G1Words pk = gmul(k);
  CiphertextW e_note = enc(gmul(v), pk, r_note);
  Account acc{k};
  CiphertextW e_enc = enc(gmul(acc.m_rec), pk, acc.t);
  W id_hash = *n::id_hash_a1(e_note, m_issuer);
  n::IdentityMerkleTree tree = tree_of({u(77), acc.receiving_leaf(), u(78)}, 4);
  n::MerklePath path = *tree.path(1);

  Json args() const {
    Json a = obj({{"eNote", ct(e_note)}, {"v", hx(v)}, {"m_issuer", hx(m_issuer)}, {"r_note", hx(r_note)}});
    acc.put(a, path, path.root, id_hash, e_enc);
    return a;
  }
};

}  // namespace

TEST(DepositFoldA1, WitnessFieldsAndEncodings) {
  const A1Case c;
  auto r = vorn::wallet::deposit_fold_a1_witness(text(c.args()));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json wit = parse(*r);
  const std::vector<std::string> keys = {
      "cd", "eDepCx", "eDepCy", "eDepRx", "eDepRy", "eEncCx", "eEncCy", "eEncRx", "eEncRy", "eNote", "idHash",
      "identityRoot", "k_recv", "mIss", "m_rec", "nullifier", "pathElements", "pathIndices", "pkDepX", "pkDepY",
      "r_E", "rho", "rn", "salt", "sk_dep", "t", "u", "v", "w"};
  std::vector<std::string> got;
  for (const auto& m : *wit.as_object()) got.push_back(m.key);
  EXPECT_EQ(got, keys);

  EXPECT_EQ(from_dec(at(wit, "nullifier")), *n::nullifier(c.acc.rho, c.id_hash));
  EXPECT_EQ(from_dec(at(wit, "v")), c.v);
  EXPECT_EQ(from_dec(at(wit, "identityRoot")), c.path.root);
  EXPECT_EQ(from_dec(at(wit, "rho")), c.acc.rho);
  EXPECT_EQ(from_dec(at(wit, "idHash")), c.id_hash);
  EXPECT_EQ(from_dec(at(wit, "mIss")), c.m_issuer);
  EXPECT_EQ(from_dec(at(wit, "salt")), c.acc.salt);
  // Secret scalars as limbs: u and w are read back through the group relations.
  EXPECT_EQ(gmul(from_limbs(at(wit, "u"))), c.e_note.c);
  EXPECT_EQ(gmul(from_limbs(at(wit, "w"))), c.e_enc.c);
  EXPECT_EQ(gmul(from_limbs(at(wit, "cd"))), c.acc.e_dep.c);
  EXPECT_EQ(from_limbs(at(wit, "rn")), c.r_note);
  EXPECT_EQ(from_limbs(at(wit, "k_recv")), c.k);
  EXPECT_EQ(from_limbs(at(wit, "m_rec")), c.acc.m_rec);
  EXPECT_EQ(from_limbs(at(wit, "t")), c.acc.t);
  EXPECT_EQ(from_limbs(at(wit, "sk_dep")), c.acc.sk_dep);
  EXPECT_EQ(from_limbs(at(wit, "r_E")), c.acc.r_e);
  // Coordinates as limbs, not reduced (these are above r more often than not).
  const struct { const char* key; W want; } coords[] = {
      {"eEncRx", c.e_enc.r[0]}, {"eEncRy", c.e_enc.r[1]}, {"eEncCx", c.e_enc.c[0]}, {"eEncCy", c.e_enc.c[1]},
      {"pkDepX", c.acc.pk_dep[0]}, {"pkDepY", c.acc.pk_dep[1]}, {"eDepRx", c.acc.e_dep.r[0]},
      {"eDepRy", c.acc.e_dep.r[1]}, {"eDepCx", c.acc.e_dep.c[0]}, {"eDepCy", c.acc.e_dep.c[1]},
  };
  for (const auto& f : coords) EXPECT_EQ(from_limbs(at(wit, f.key)), f.want) << f.key;
  // The ciphertext quadruple: each coordinate reduced modulo r.
  const Json& quad = at(wit, "eNote");
  ASSERT_EQ(quad.as_array()->size(), 4u);
  const W coords4[4] = {c.e_note.r[0], c.e_note.r[1], c.e_note.c[0], c.e_note.c[1]};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(from_dec((*quad.as_array())[i]), fr(coords4[i]).to_w()) << i;
  // The path: decimal sibling words and index strings.
  EXPECT_EQ(text(at(wit, "pathIndices")), R"(["1","0","0","0"])");
  ASSERT_EQ(at(wit, "pathElements").as_array()->size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(from_dec((*at(wit, "pathElements").as_array())[i]), c.path.siblings[i]);
}

TEST(DepositFoldA1, LimbsAreLeastSignificantFirst) {
  A1Case c;
  c.acc.salt = hexw("0000000000000000000000000000000000000000000000010000000000000000");  // 2^64
  c.acc.m_rec = hexw("0000000000000003000000000000000200000000000000010000000000000000");
  c.acc.cd = add_r(c.acc.m_rec, mul_r(c.acc.sk_dep, c.acc.r_e));
  c.acc.e_dep = {gmul(c.acc.r_e), gmul(c.acc.cd)};
  c.e_enc = enc(gmul(c.acc.m_rec), c.pk, c.acc.t);
  c.tree = tree_of({u(77), c.acc.receiving_leaf(), u(78)}, 4);
  c.path = *c.tree.path(1);
  auto r = vorn::wallet::deposit_fold_a1_witness(text(c.args()));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json wit = parse(*r);
  EXPECT_EQ(text(at(wit, "m_rec")), R"(["0","1","2","3"])");
  EXPECT_EQ(s_at(wit, "salt"), "18446744073709551616");
}

TEST(DepositFoldA1, EachRelationFailsWithItsMessageInOrder) {
  const A1Case c;
  const Json base = c.args();
  auto set = [&](const char* key, Json v) { return with(base, key, std::move(v)); };
  Json bad_sibling = base;
  {
    n::MerklePath p = c.path;
    p.siblings[0] = plus(p.siblings[0], 1);
    bad_sibling.set("path", path_json(p));
  }
  Json short_bits = base;
  {
    n::MerklePath p = c.path;
    p.bits.pop_back();
    short_bits.set("path", path_json(p));
  }
  CiphertextW other_dep = c.acc.e_dep;
  other_dep.c = gmul(u(5));
  // idHash is checked before any point: a wrong idHash wins over a wrong pk_dep.
  Json id_and_pk = with(set("idHash", hx(plus(c.id_hash, 1))), "pk_dep", pt(gmul(u(9))));
  struct Case { const char* what; Json args; std::string msg; } cases[] = {
      {"idHash + 1", id_and_pk, std::string(vorn::wallet::kFoldIdHashA1)},
      {"m_issuer 0", set("m_issuer", hx(u(0))), "scalars must lie in [1, ORDER)"},
      {"r_note", set("r_note", hx(plus(c.r_note, 1))), std::string(vorn::wallet::kFoldNoteR)},
      {"v", set("v", hx(plus(c.v, 1))), std::string(vorn::wallet::kFoldNoteC)},
      {"k", set("k", hx(plus(c.k, 1))), std::string(vorn::wallet::kFoldNoteC)},
      {"t", set("t", hx(plus(c.acc.t, 1))), std::string(vorn::wallet::kFoldEncR)},
      {"m_rec", set("m_rec", hx(plus(c.acc.m_rec, 1))), std::string(vorn::wallet::kFoldEncCA1)},
      {"sk_dep", set("sk_dep", hx(plus(c.acc.sk_dep, 1))), std::string(vorn::wallet::kFoldPkDep)},
      {"r_E", set("r_E", hx(plus(c.acc.r_e, 1))), std::string(vorn::wallet::kFoldDepR)},
      {"E_dep.C", set("E_dep", ct(other_dep)), std::string(vorn::wallet::kFoldDepCA1)},
      {"salt", set("salt", hx(plus(c.acc.salt, 1))), std::string(vorn::wallet::kFoldRoot)},
      {"salt 0", set("salt", hx(u(0))), "receiving_leaf inputs must each lie in [1, F_R)"},
      {"root", set("identityRoot", hx(plus(c.path.root, 1))), std::string(vorn::wallet::kFoldRoot)},
      {"sibling", bad_sibling, std::string(vorn::wallet::kFoldRoot)},
      {"rho 0", set("rho", hx(u(0))), "rho must be a non-zero scalar mod ORDER"},
      {"no path", without(base, "path"), "receipt: missing field"},
      {"path lengths", short_bits, std::string(vorn::wallet::kPathLengthMismatch)},
      {"no eEnc", without(base, "eEnc"), "receipt: missing field"},
      {"bad v", set("v", str("")), "hex word must be 1..64 nybbles"},
  };
  for (const auto& x : cases) EXPECT_EQ(outcome(vorn::wallet::deposit_fold_a1_witness(text(x.args))), x.msg) << x.what;
}

// ---- flavor A2

namespace {

struct A2Case {
  W k = u(5001), r_prime = u(5002), gamma = u(5003), salt_iss = u(5004);
  G1Words pk = gmul(k);
  G1Words m_i = gmul(u(5005));
  CiphertextW e_note = enc(gmul(u(600)), pk, u(5006));
  Account acc{k};

  // Everything that follows from the choices above; recompute after changing them.
  CiphertextW e_iss, e_enc;
  G1Words t_point;
  W id_hash;
  n::MerklePath path, iss_path;

  A2Case() { rebuild(); }
  void rebuild() {
    e_iss = enc(m_i, pk, r_prime);
    e_enc = enc(m_i, pk, acc.t);
    t_point = add(gmul(mul_r(r_prime, k)), mul(Hgen(), gamma));
    id_hash = *n::id_hash_a2(e_note, e_iss, t_point);
    const W iss_leaf = *n::identity_leaf_salted(m_i, salt_iss);
    const auto tree = tree_of({u(11), acc.receiving_leaf(), iss_leaf}, 3);
    path = *tree.path(1);
    iss_path = *tree.path(2);
  }
  Json args() const {
    Json a = obj({{"eNote", ct(e_note)}, {"eIss", ct(e_iss)}, {"r_prime", hx(r_prime)}, {"salt_iss", hx(salt_iss)},
                  {"issPath", path_json(iss_path)}, {"T", pt(t_point)}, {"gamma", hx(gamma)}});
    acc.put(a, path, path.root, id_hash, e_enc);
    return a;
  }
};

}  // namespace

TEST(DepositFoldA2, WitnessFieldsAndEncodings) {
  const A2Case c;
  auto r = vorn::wallet::deposit_fold_a2_witness(text(c.args()));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json wit = parse(*r);
  const std::vector<std::string> keys = {
      "MI", "T", "cd", "eDepCx", "eDepCy", "eDepRx", "eDepRy", "eEncCx", "eEncCy", "eEncRx", "eEncRy", "eIss0",
      "eNote", "gamma", "idHash", "identityRoot", "issPathElements", "issPathIndices", "k_recv", "m_rec",
      "nullifier", "pathElements", "pathIndices", "pkDepX", "pkDepY", "r", "r_E", "rho", "rm", "salt", "saltIss",
      "sk_dep", "t", "tk"};
  std::vector<std::string> got;
  for (const auto& m : *wit.as_object()) got.push_back(m.key);
  EXPECT_EQ(got, keys);

  EXPECT_EQ(from_dec(at(wit, "nullifier")), *n::nullifier(c.acc.rho, c.id_hash));
  EXPECT_EQ(from_dec(at(wit, "identityRoot")), c.path.root);
  EXPECT_EQ(from_dec(at(wit, "saltIss")), c.salt_iss);
  const auto& mi = *at(wit, "MI").as_array();
  ASSERT_EQ(mi.size(), 2u);
  EXPECT_EQ(from_limbs(mi[0]), c.m_i[0]);
  EXPECT_EQ(from_limbs(mi[1]), c.m_i[1]);
  const auto& t = *at(wit, "T").as_array();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(from_dec(t[0]), fr(c.t_point[0]).to_w());
  EXPECT_EQ(from_dec(t[1]), fr(c.t_point[1]).to_w());
  EXPECT_EQ(from_limbs(at(wit, "r")), c.r_prime);
  EXPECT_EQ(from_limbs(at(wit, "gamma")), c.gamma);
  EXPECT_EQ(from_limbs(at(wit, "rm")), mul_r(c.r_prime, c.k));
  EXPECT_EQ(from_limbs(at(wit, "tk")), mul_r(c.acc.t, c.k));
  EXPECT_EQ(gmul(from_limbs(at(wit, "cd"))), c.acc.e_dep.c);
  const W iss4[4] = {c.e_iss.r[0], c.e_iss.r[1], c.e_iss.c[0], c.e_iss.c[1]};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(from_dec((*at(wit, "eIss0").as_array())[i]), fr(iss4[i]).to_w()) << i;
  EXPECT_EQ(text(at(wit, "pathIndices")), R"(["1","0","0"])");
  EXPECT_EQ(text(at(wit, "issPathIndices")), R"(["0","1","0"])");
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(from_dec((*at(wit, "issPathElements").as_array())[i]), c.iss_path.siblings[i]);
}

TEST(DepositFoldA2, EachRelationFailsWithItsMessageInOrder) {
  const A2Case c;
  const Json base = c.args();
  auto set = [&](const char* key, Json v) { return with(base, key, std::move(v)); };
  CiphertextW iss_off = c.e_iss;
  iss_off.c[1] = plus(iss_off.c[1], 1);
  CiphertextW enc_c = c.e_enc;
  enc_c.c = add(enc_c.c, G);
  CiphertextW other_dep = c.acc.e_dep;
  other_dep.c = gmul(u(5));
  Json bad_iss_path = base;
  {
    n::MerklePath p = c.iss_path;
    p.siblings[2] = plus(p.siblings[2], 1);
    bad_iss_path.set("issPath", path_json(p));
  }
  CiphertextW other_note = c.e_note;
  other_note.c = add(other_note.c, G);
  // The relation "eIss.C == M_I + rm*G" follows from the one before it whenever M_I
  // is the decryption, so no argument set can fail it alone. A wrong key moves M_I
  // and is caught at eEnc.C.
  struct Case { const char* what; Json args; std::string msg; } cases[] = {
      {"eIss.C off curve", set("eIss", ct(iss_off)), "G1 point not on curve"},
      {"r'", set("r_prime", hx(plus(c.r_prime, 1))), std::string(vorn::wallet::kFoldIssR)},
      {"t", set("t", hx(plus(c.acc.t, 1))), std::string(vorn::wallet::kFoldEncR)},
      {"wrong k", set("k", hx(plus(c.k, 1))), std::string(vorn::wallet::kFoldEncCA2)},
      {"eEnc.C", set("eEnc", ct(enc_c)), std::string(vorn::wallet::kFoldEncCA2)},
      {"gamma", set("gamma", hx(plus(c.gamma, 1))), std::string(vorn::wallet::kFoldT)},
      {"T", set("T", pt(c.m_i)), std::string(vorn::wallet::kFoldT)},
      {"sk_dep", set("sk_dep", hx(plus(c.acc.sk_dep, 1))), std::string(vorn::wallet::kFoldPkDep)},
      {"r_E", set("r_E", hx(plus(c.acc.r_e, 1))), std::string(vorn::wallet::kFoldDepR)},
      {"E_dep.C", set("E_dep", ct(other_dep)), std::string(vorn::wallet::kFoldDepCA2)},
      {"salt", set("salt", hx(plus(c.acc.salt, 1))), std::string(vorn::wallet::kFoldRoot)},
      {"salt_iss", set("salt_iss", hx(plus(c.salt_iss, 1))), std::string(vorn::wallet::kFoldIssuerLeaf)},
      {"salt_iss 0", set("salt_iss", hx(u(0))), "salt must be in [1, F_R); 0 makes the leaf deterministic"},
      {"issPath", bad_iss_path, std::string(vorn::wallet::kFoldIssuerLeaf)},
      {"idHash", set("idHash", hx(plus(c.id_hash, 1))), std::string(vorn::wallet::kFoldIdHashA2)},
      {"eNote", set("eNote", ct(other_note)), std::string(vorn::wallet::kFoldIdHashA2)},
      {"rho 0", set("rho", hx(u(0))), "rho must be a non-zero scalar mod ORDER"},
      {"no issPath", without(base, "issPath"), "receipt: missing field"},
      {"no path", without(base, "path"), "receipt: missing field"},
  };
  for (const auto& x : cases) EXPECT_EQ(outcome(vorn::wallet::deposit_fold_a2_witness(text(x.args))), x.msg) << x.what;
}

TEST(DepositFoldA2, IncompleteAdditionNeedsDistinctXCoordinates) {
  // M_I = rm*G: the eIss.C sum doubles.
  A2Case doubling;
  doubling.m_i = gmul(mul_r(doubling.r_prime, doubling.k));
  doubling.rebuild();
  // M_I = -tk*G: the eEnc.C sum lands on the identity.
  A2Case identity;
  identity.m_i = neg(gmul(mul_r(identity.acc.t, identity.k)));
  identity.rebuild();
  // r' = 0 and gamma = 0: rm*G and gamma*H are both the identity.
  A2Case both_zero;
  both_zero.r_prime = u(0);
  both_zero.gamma = u(0);
  both_zero.rebuild();
  struct Case { const char* what; const A2Case& c; std::string msg; } cases[] = {
      {"eIss.C", doubling, std::string(vorn::wallet::kFoldIssCSharedX)},
      {"eEnc.C", identity, std::string(vorn::wallet::kFoldEncCSharedX)},
      {"T", both_zero, std::string(vorn::wallet::kFoldTSharedX)},
  };
  for (const auto& x : cases)
    EXPECT_EQ(outcome(vorn::wallet::deposit_fold_a2_witness(text(x.c.args()))), x.msg) << x.what;
}

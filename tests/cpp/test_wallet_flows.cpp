// Receipt flows and credential issuance: the rounds a wallet runs (issue the two
// identities, mint, deliver, open, make and verify a recipient receipt) for A1 and
// A2 notes against trees with and without the parties; the mints recomputed with
// the plain word-level bn254 primitives; each verification check failing in its
// order; the issuance edge cases; the refusals of unsafe randomness and nonces.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "vorn/bn254/pairing.h"
#include "vorn/crypto/words.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/delivery.h"
#include "vorn/wallet/flows.h"
#include "vorn/wallet/issuer.h"
#include "vorn/wallet/records.h"
#include "wallet_support.h"

using namespace ws;
namespace n = vorn::notes;
namespace cw = vorn::crypto::words;

namespace {

// ---- identities: issued by the kernel, checked against Keccak written out

const W kSkX = u(0x5EC1), kSkY = u(0x5EC2), kTSig = u(0x7516);

Json credential_args(const Json& fields) {
  return obj({{"fields", fields}, {"sk_x", hx(kSkX)}, {"sk_y", hx(kSkY)}, {"issuer_id", str("reg-1")},
              {"t_sig", hx(kTSig)}});
}

Json issue(const Json& args) {
  auto r = wl::issue_credential(text(args));
  EXPECT_TRUE(r.ok()) << outcome(r);
  return parse(r.ok() ? *r : "{}");
}

struct Identity {
  W m;
  G1Words M;
};

Identity identity(const std::string& name) {
  const Json c = issue(credential_args(obj({{"name", str(name)}})));
  const W m = *wl::get_w(c, "m");
  return {m, gmul(m)};
}

const Identity& issuer() {
  static const Identity id = identity("Issuer Bank");
  return id;
}
const Identity& bob() {
  static const Identity id = identity("Bob");
  return id;
}

// ---- the mailbox, the issuer's keys and the note

const W kK = u(0x4EC1), kSkIss = u(0x1CE5), kRReg = u(77);
const W kV = u(1000), kRho = u(0x5EED), kPred = u(0), kRNote = u(0x1111), kRPrime = u(0x2222);
const W kBeta = u(0x7777), kGamma = u(0x8888), kSaltIss = u(0x5A17);
const W kIssuerAddr = u(0xA11CE), kChain = u(31337), kTvd = u(0x103);

G1Words pk_recv() { return gmul(kK); }
G1Words pk_iss() { return gmul(kSkIss); }
CiphertextW e_reg() { return enc(issuer().M, pk_iss(), kRReg); }

Json nonces_a2() {
  return obj({{"r_prime", hx(kRPrime)}, {"r_note", hx(kRNote)}, {"beta", hx(kBeta)}, {"gamma", hx(kGamma)},
              {"k_r", hx(u(11))}, {"k_b", hx(u(12))}, {"k_s", hx(u(13))}, {"k_g", hx(u(14))}});
}

Json mint_a1_args() {
  return obj({{"nonces", obj({{"r_prime", hx(kRPrime)}, {"r_note", hx(kRNote)}})}, {"M_rec", pt(bob().M)},
              {"pk_recv", pt(pk_recv())}, {"v", hx(kV)}, {"rho", hx(kRho)}, {"m_issuer", hx(issuer().m)},
              {"predicate", hx(kPred)}});
}

Json mint_a2_args() {
  return obj({{"nonces", nonces_a2()}, {"sk_iss", hx(kSkIss)}, {"E_reg", ct(e_reg())}, {"pk_recv", pt(pk_recv())},
              {"v", hx(kV)}, {"rho", hx(kRho)}, {"issuer", hx(kIssuerAddr)}, {"chainid", hx(kChain)},
              {"predicate", hx(kPred)}});
}

template <class F>
Json call(F f, const Json& args) {
  auto r = f(text(args));
  EXPECT_TRUE(r.ok()) << outcome(r);
  return parse(r.ok() ? *r : "{}");
}

template <class F>
std::string fails(F f, const Json& args) {
  return outcome(f(text(args)));
}

// ---- identity trees

Json tree_json(const std::vector<G1Words>& members, uint64_t depth = 8) {
  Json leaves = Json::array();
  leaves.push(hx(u(0xF00D)));  // someone else's leaf first
  for (const G1Words& m : members) leaves.push(hx(*n::identity_leaf(m)));
  return obj({{"depth", num(depth)}, {"leaves", leaves}});
}

W root_of(const Json& tree) {
  std::vector<W> leaves;
  for (const Json& l : *at(tree, "leaves").as_array()) leaves.push_back(*wl::as_w(l));
  return *n::IdentityMerkleTree::from_leaves(leaves, 8)->root();
}

// A copy of `o` with the hex word at `path` increased by one.
Json bumped(const Json& o, std::initializer_list<const char*> path) {
  std::vector<const char*> p(path);
  std::function<Json(const Json&, size_t)> go = [&](const Json& cur, size_t i) -> Json {
    if (i + 1 == p.size()) return with(cur, p[i], hx(plus(*wl::get_w(cur, p[i]), 1)));
    return with(cur, p[i], go(at(cur, p[i]), i + 1));
  };
  return go(o, 0);
}

Json verify_a1_args(const Json& receipt, const Json& tree) {
  return obj({{"receipt", receipt}, {"tree", tree}, {"identity_root", hx(root_of(tree))}});
}

Json verify_a2_args(const Json& receipt, const Json& tree) {
  return obj({{"receipt", receipt}, {"tree", tree}, {"pk_iss", pt(pk_iss())}, {"E_reg", ct(e_reg())},
              {"identity_root", hx(root_of(tree))}});
}

// The verdict's (valid, reason) and whether the points are filled exactly when valid.
void expect_verdict(const Json& v, bool valid, const std::string& reason, const G1Words& iss, const G1Words& rec) {
  EXPECT_EQ(at(v, "valid").as_bool(), valid) << reason;
  EXPECT_EQ(s_at(v, "reason"), reason);
  EXPECT_EQ(text(at(v, "issuer_M")), valid ? text(pt(iss)) : "null");
  EXPECT_EQ(text(at(v, "recipient_M")), valid ? text(pt(rec)) : "null");
  EXPECT_EQ(s_at(v, "value"), wl::hex_w(kV));
}

}  // namespace

// ---- credential issuance

TEST(IssueCredential, StampsTheIssuerSignsTheIdentityScalarAndDeliversM) {
  const W pk_k = u(0xA991), r_del = u(0xDE11);
  Json args = credential_args(obj({{"name", str("x")}, {"issuer_id", str("other")}}));
  args.set("applicant_pk", pt(gmul(pk_k)));
  args.set("r_delivery", hx(r_del));
  const Json c = issue(args);
  // The applicant's issuer_id is replaced; the canonical text has exactly two keys.
  EXPECT_EQ(s_at(c, "canonical"), R"({"issuer_id":"reg-1","name":"x"})");
  const W m = keccak_mod_r("VeltriaVorn/Identity/Scalar/v2" + s_at(c, "canonical"));
  EXPECT_EQ(s_at(c, "m"), wl::hex_w(m));
  // sigma_1 = t*G, sigma_2 = (x + y*m)*sigma_1, and the pairing equation holds.
  const G1Words s1 = gmul(kTSig), s2 = mul(s1, add_r(kSkX, mul_r(kSkY, m)));
  EXPECT_EQ(text(at(c, "sigma_1")), text(pt(s1)));
  EXPECT_EQ(text(at(c, "sigma_2")), text(pt(s2)));
  const bn::G2Words g2 = bn::w_from_g2(bn::g2_generator());
  auto ok = cw::ps_verify(*bn::g2_mul(g2, kSkX), *bn::g2_mul(g2, kSkY), s1, s2, m);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(*ok);
  // The delivery is the identity point M = m*G encrypted to the applicant.
  EXPECT_EQ(text(at(c, "delivery")), text(ct(enc(gmul(m), gmul(pk_k), r_del))));
  // Without a key there is no delivery at all.
  EXPECT_EQ(issue(credential_args(obj({{"name", str("x")}}))).find("delivery"), nullptr);
}

TEST(IssueCredential, Refusals) {
  const Json base = credential_args(obj({{"name", str("x")}}));
  struct Case {
    const char* name;
    Json args;
    std::string msg;
  } cases[] = {
      // The pairing is checked before anything else is read or signed.
      {"pk alone", with(without(base, "sk_x"), "applicant_pk", pt(G)), "args: applicant_pk and r_delivery go together"},
      {"r alone", with(base, "r_delivery", hx(u(5))), "args: applicant_pk and r_delivery go together"},
      {"null r", with(with(base, "applicant_pk", pt(G)), "r_delivery", Json::null()),
       "args: applicant_pk and r_delivery go together"},
      {"r not a string", with(with(base, "applicant_pk", pt(G)), "r_delivery", num(5)),
       "args: r_delivery must be a hex string"},
      {"fields missing", without(base, "fields"), "receipt: missing field"},
      {"fields an array", with(base, "fields", arr({num(1)})), "issuer: identity fields must be a JSON object"},
      {"fields a text", with(base, "fields", str(R"({"name":"x"})")), "issuer: identity fields must be a JSON object"},
      {"float", with(base, "fields", parse(R"({"name":"x","age":1.5})")), "canonical_json: floats are not canonical"},
      {"issuer_id not a string", with(base, "issuer_id", num(1)), "receipt: expected a string"},
      {"zero t_sig", with(base, "t_sig", hx(R)), "issuer: t_sig and r_delivery must be nonzero mod ORDER"},
      {"zero r_delivery", with(with(base, "applicant_pk", pt(G)), "r_delivery", hx(u(0))),
       "issuer: t_sig and r_delivery must be nonzero mod ORDER"},
      {"pk off the curve", with(with(base, "applicant_pk", pt({u(1), u(3)})), "r_delivery", hx(u(5))),
       "G1 point not on curve"},
  };
  for (const auto& c : cases) EXPECT_EQ(fails(wl::issue_credential, c.args), c.msg) << c.name;
}

// ---- mints, recomputed with the plain primitives

TEST(MintA1, EncryptsValueAndRecipientAndCommits) {
  const Json m = call(wl::mint_unilateral_a1, mint_a1_args());
  const CiphertextW e_note = enc(gmul(kV), pk_recv(), kRNote), e_rec = enc(bob().M, pk_recv(), kRPrime);
  const W id_hash = *n::id_hash_a1(e_note, issuer().m);
  EXPECT_EQ(text(at(m, "eNote")), text(ct(e_note)));
  EXPECT_EQ(text(at(m, "eRec")), text(ct(e_rec)));
  EXPECT_EQ(s_at(m, "idHash"), wl::hex_w(id_hash));
  EXPECT_EQ(s_at(m, "cm"), wl::hex_w(*n::note_commitment(1, kV, kRho, id_hash, kPred)));
  EXPECT_EQ(text(at(m, "opening")), text(wl::opening_json({1, kV, kRho, id_hash, kPred})));
  EXPECT_EQ(s_at(m, "r_prime"), wl::hex_w(kRPrime));
  EXPECT_EQ(s_at(m, "r_note"), wl::hex_w(kRNote));
  // All randomness comes from the arguments: the same arguments give the same text.
  EXPECT_EQ(*wl::mint_unilateral_a1(text(mint_a1_args())), *wl::mint_unilateral_a1(text(mint_a1_args())));
}

TEST(MintA1, ReducesRPrime) {
  // r + 0x22 encrypts with randomness 0x22 and reports it reduced.
  Json args = mint_a1_args();
  args.set("nonces", obj({{"r_prime", hx(plus(R, 0x22))}, {"r_note", hx(kRNote)}}));
  const Json m = call(wl::mint_unilateral_a1, args);
  EXPECT_EQ(text(at(m, "eRec")), text(ct(enc(bob().M, pk_recv(), u(0x22)))));
  EXPECT_EQ(s_at(m, "r_prime"), wl::hex_w(u(0x22)));
}

TEST(MintA2, ReencryptsTheIssuerIdentityWithAVerifyingBinding) {
  const Json m = call(wl::mint_unilateral_a2, mint_a2_args());
  const CiphertextW e_note = enc(gmul(kV), pk_recv(), kRNote), e_iss = enc(issuer().M, pk_recv(), kRPrime);
  EXPECT_EQ(text(at(m, "M_I")), text(pt(issuer().M)));
  EXPECT_EQ(text(at(m, "eNote")), text(ct(e_note)));
  EXPECT_EQ(text(at(m, "eIss")), text(ct(e_iss)));
  // T = r'*pk_recv + gamma*H, written out; the binding verifies without pk_recv.
  const G1Words t = add(mul(pk_recv(), kRPrime), mul(Hgen(), kGamma));
  auto binding = wl::binding_from(at(m, "binding"));
  ASSERT_TRUE(binding.ok());
  EXPECT_EQ(binding->T, t);
  auto ok = cw::issuer_reenc_verify(pk_iss(), e_reg(), e_iss, *binding, kIssuerAddr,
                                    kChain);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(*ok);
  const W id_hash = *n::id_hash_a2(e_note, e_iss, t);
  EXPECT_EQ(s_at(m, "idHash"), wl::hex_w(id_hash));
  EXPECT_EQ(s_at(m, "cm"), wl::hex_w(*n::note_commitment(2, kV, kRho, id_hash, kPred)));
  EXPECT_EQ(s_at(m, "gamma"), wl::hex_w(kGamma));
  EXPECT_EQ(s_at(m, "r_prime"), wl::hex_w(kRPrime));
}

TEST(Mint, RefusesUnsafeRandomnessAndNoncesAndBadInput) {
  const std::string randomness = "mint: r_note and r_prime must be nonzero and distinct mod ORDER";
  const std::string nonces = "args: proof nonces must be nonzero and pairwise distinct mod ORDER";
  auto a1_nonces = [](const W& rp, const W& rn) {
    return with(mint_a1_args(), "nonces", obj({{"r_prime", hx(rp)}, {"r_note", hx(rn)}}));
  };
  auto a2_nonce = [](const char* key, const W& v) {
    return with(mint_a2_args(), "nonces", with(nonces_a2(), key, hx(v)));
  };
  struct Case {
    const char* name;
    bool a2;
    Json args;
    std::string msg;
  } cases[] = {
      {"r_note zero", false, a1_nonces(kRPrime, u(0)), randomness},
      {"r_prime = r", false, a1_nonces(R, kRNote), randomness},
      {"equal mod r", false, a1_nonces(plus(R, 0x11), u(0x11)), randomness},
      {"a2 equal", true, a2_nonce("r_note", kRPrime), randomness},
      {"k_s zero", true, a2_nonce("k_s", u(0)), nonces},
      {"k_g = k_s", true, a2_nonce("k_g", u(13)), nonces},
      {"k_r = k_b mod r", true, a2_nonce("k_r", plus(R, 12)), nonces},
      {"nonces missing", false, without(mint_a1_args(), "nonces"), "receipt: missing field"},
      {"r_note missing", true, with(mint_a2_args(), "nonces", without(nonces_a2(), "r_note")),
       "receipt: missing field"},
      {"chainid a number", true, with(mint_a2_args(), "chainid", num(31337)), "receipt: expected a string"},
      {"M_rec off curve", false, with(mint_a1_args(), "M_rec", pt({u(1), u(3)})), "G1 point not on curve"},
      {"pk_recv coordinate", false, with(mint_a1_args(), "pk_recv", pt({Q, u(2)})),
       "coordinate not a canonical Fq element"},
      {"m_issuer zero", false, with(mint_a1_args(), "m_issuer", hx(u(0))), "scalars must lie in [1, ORDER)"},
      {"v too wide", false, with(mint_a1_args(), "v", hx(hexw(std::string(31, '0') + "1" + std::string(32, '0')))),
       "v out of range [0, 2^128)"},
      {"rho zero", true, with(mint_a2_args(), "rho", hx(u(0))), "rho must be a non-zero scalar mod ORDER"},
      {"E_reg off curve", true, with(mint_a2_args(), "E_reg", ct({{u(1), u(3)}, G})), "G1 point not on curve"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a2 ? fails(wl::mint_unilateral_a2, c.args) : fails(wl::mint_unilateral_a1, c.args), c.msg) << c.name;
  }
}

// ---- the wallet's rounds

// Mint, deliver, open by the recipient; the opening's commitment is the minted one.
TEST(FlowA1, MintDeliverOpenMakeAndVerify) {
  const Json minted = call(wl::mint_unilateral_a1, mint_a1_args());
  const Json delivery = call(wl::deliver_a1, obj({{"eNote", at(minted, "eNote")}, {"eRec", at(minted, "eRec")},
                                                   {"v", hx(kV)}, {"rho", hx(kRho)}, {"predicate", hx(kPred)},
                                                   {"r_note", hx(kRNote)}, {"pk_recv", pt(pk_recv())}}));
  const Json opened =
      call(wl::open_a1, obj({{"delivery", delivery}, {"k", hx(kK)}, {"m_issuer", hx(issuer().m)}}));
  EXPECT_EQ(s_at(at(opened, "opening"), "cm"), s_at(minted, "cm"));

  const Json both = tree_json({issuer().M, bob().M});
  const Json make_args = obj({{"minted", minted}, {"tree", both}, {"k_recv", hx(kK)}, {"M_rec", pt(bob().M)},
                              {"M_iss", pt(issuer().M)}, {"issuer", hx(kIssuerAddr)}, {"chainid", hx(kChain)},
                              {"t_vd", hx(kTvd)}});
  const Json rc = call(wl::make_receipt_a1, make_args);
  EXPECT_EQ(text(at(rc, "pk_recv")), text(pt(pk_recv())));
  EXPECT_EQ(s_at(rc, "value"), wl::hex_w(kV));
  EXPECT_EQ(text(at(rc, "eRec")), text(at(minted, "eRec")));
  EXPECT_EQ(s_at(rc, "issuer"), wl::hex_w(kIssuerAddr));
  EXPECT_EQ(s_at(rc, "chainid"), wl::hex_w(kChain));
  EXPECT_EQ(at(rc, "M_iss_member").as_bool(), true);
  EXPECT_EQ(at(rc, "M_rec_member").as_bool(), true);
  // The proof is the verifiable decryption of eRec to M_rec under pk_recv.
  auto vd = wl::vd_from(at(rc, "vd"));
  auto vd_ok = cw::verifiable_decrypt_verify(*wl::get_ct(minted, "eRec"), pk_recv(),
                                             bob().M, *vd, kIssuerAddr, kChain);
  ASSERT_TRUE(vd_ok.ok());
  EXPECT_TRUE(*vd_ok);

  expect_verdict(call(wl::verify_receipt_a1, verify_a1_args(rc, both)), true, "VALID", issuer().M, bob().M);
  // Trees without the parties: the receipt says so, and the verifier refuses it.
  const Json no_bob = call(wl::make_receipt_a1, with(make_args, "tree", tree_json({issuer().M})));
  EXPECT_EQ(at(no_bob, "M_rec_member").as_bool(), false);
  EXPECT_EQ(at(no_bob, "M_iss_member").as_bool(), true);
  expect_verdict(call(wl::verify_receipt_a1, verify_a1_args(rc, tree_json({issuer().M}))), false,
                 "recipient M not a registered identity", {}, {});
  expect_verdict(call(wl::verify_receipt_a1, verify_a1_args(rc, tree_json({bob().M}))), false,
                 "issuer M not a registered identity", {}, {});
  // The right tree under another root holds nobody.
  expect_verdict(call(wl::verify_receipt_a1, with(verify_a1_args(rc, both), "identity_root", hx(u(1)))), false,
                 "recipient M not a registered identity", {}, {});
}

TEST(FlowA2, MintDeliverOpenMakeAndVerify) {
  const Json minted = call(wl::mint_unilateral_a2, mint_a2_args());
  const Json binding = at(minted, "binding");
  const Json delivery = call(
      wl::deliver_a2, obj({{"eNote", at(minted, "eNote")}, {"eIss", at(minted, "eIss")}, {"T", at(binding, "T")},
                           {"v", hx(kV)}, {"rho", hx(kRho)}, {"predicate", hx(kPred)}, {"r_note", hx(kRNote)},
                           {"r_prime", hx(kRPrime)}, {"salt_iss", hx(kSaltIss)}, {"gamma", hx(kGamma)},
                           {"pk_recv", pt(pk_recv())}}));
  const Json opened = call(wl::open_a2, obj({{"delivery", delivery}, {"k", hx(kK)}}));
  EXPECT_EQ(s_at(at(opened, "opening"), "cm"), s_at(minted, "cm"));
  EXPECT_EQ(text(at(opened, "M_I")), text(at(minted, "M_I")));

  const Json both = tree_json({issuer().M, bob().M});
  const Json make_args = obj({{"minted", minted}, {"tree", both}, {"k_recv", hx(kK)}, {"M_rec", pt(bob().M)},
                              {"issuer", hx(kIssuerAddr)}, {"chainid", hx(kChain)}, {"t_vd", hx(kTvd)}});
  const Json rc = call(wl::make_receipt_a2, make_args);
  EXPECT_EQ(text(at(rc, "M_I")), text(pt(issuer().M)));
  EXPECT_EQ(text(at(rc, "binding")), text(binding));
  EXPECT_EQ(s_at(rc, "gamma"), s_at(minted, "gamma"));
  EXPECT_EQ(at(rc, "M_I_member").as_bool(), true);
  EXPECT_EQ(at(rc, "M_rec_member").as_bool(), true);

  expect_verdict(call(wl::verify_receipt_a2, verify_a2_args(rc, both)), true, "VALID", issuer().M, bob().M);
  const Json no_iss = call(wl::make_receipt_a2, with(make_args, "tree", tree_json({bob().M})));
  EXPECT_EQ(at(no_iss, "M_I_member").as_bool(), false);
  expect_verdict(call(wl::verify_receipt_a2, verify_a2_args(rc, tree_json({issuer().M}))), false,
                 "recipient M not a registered identity", {}, {});
  expect_verdict(call(wl::verify_receipt_a2, verify_a2_args(rc, tree_json({bob().M}))), false,
                 "issuer M not a registered identity", {}, {});
}

// Each row breaks its own check and every later one, so the row's check must be
// the one that decides.
TEST(VerifyReceiptA1, ChecksInOrder) {
  const Json minted = call(wl::mint_unilateral_a1, mint_a1_args());
  const Json rc = call(wl::make_receipt_a1,
                       obj({{"minted", minted}, {"tree", tree_json({})}, {"k_recv", hx(kK)}, {"M_rec", pt(bob().M)},
                            {"M_iss", pt(issuer().M)}, {"issuer", hx(kIssuerAddr)}, {"chainid", hx(kChain)},
                            {"t_vd", hx(kTvd)}}));
  const Json nobody = tree_json({}), only_bob = tree_json({bob().M}), both = tree_json({issuer().M, bob().M});
  struct Case {
    const char* name;
    Json receipt, tree;
    std::string reason;
  } cases[] = {
      {"proof response", bumped(rc, {"vd", "s"}), nobody, "verifiable decryption invalid"},
      {"other account", bumped(rc, {"issuer"}), nobody, "verifiable decryption invalid"},
      {"other chain", bumped(rc, {"chainid"}), nobody, "verifiable decryption invalid"},
      {"other recipient", with(rc, "M_rec", pt(issuer().M)), nobody, "verifiable decryption invalid"},
      {"other mailbox", with(rc, "pk_recv", pt(gmul(u(5)))), nobody, "verifiable decryption invalid"},
      {"recipient unknown", rc, nobody, "recipient M not a registered identity"},
      {"issuer unknown", rc, only_bob, "issuer M not a registered identity"},
      {"valid", rc, both, "VALID"},
  };
  for (const auto& c : cases) {
    const Json v = call(wl::verify_receipt_a1, verify_a1_args(c.receipt, c.tree));
    EXPECT_EQ(s_at(v, "reason"), c.reason) << c.name;
  }
}

TEST(VerifyReceiptA2, ChecksInOrder) {
  const Json minted = call(wl::mint_unilateral_a2, mint_a2_args());
  const Json rc = call(wl::make_receipt_a2, obj({{"minted", minted}, {"tree", tree_json({})}, {"k_recv", hx(kK)},
                                                 {"M_rec", pt(bob().M)}, {"issuer", hx(kIssuerAddr)},
                                                 {"chainid", hx(kChain)}, {"t_vd", hx(kTvd)}}));
  const Json nobody = tree_json({}), only_bob = tree_json({bob().M}), both = tree_json({issuer().M, bob().M});
  // gamma is bound by neither proof: changing it breaks only the carried identity.
  const Json bad_gamma = bumped(rc, {"gamma"});
  const Json bad_vd = bumped(bad_gamma, {"vd", "s"});
  struct Case {
    const char* name;
    Json receipt, tree;
    std::string reason;
  } cases[] = {
      {"binding response", bumped(bad_vd, {"binding", "s_s"}), nobody, "issuer binding invalid"},
      {"binding T", with(bad_vd, "binding", with(at(rc, "binding"), "T", pt(G))), nobody, "issuer binding invalid"},
      {"other issuer account", bumped(bad_vd, {"issuer"}), nobody, "issuer binding invalid"},
      {"proof response", bad_vd, nobody, "verifiable decryption invalid"},
      {"other mailbox", with(bad_gamma, "pk_recv", pt(gmul(u(5)))), nobody, "verifiable decryption invalid"},
      {"gamma", bad_gamma, nobody, "the binding's Identity is not the one decrypted"},
      {"recipient unknown", rc, nobody, "recipient M not a registered identity"},
      {"issuer unknown", rc, only_bob, "issuer M not a registered identity"},
      {"valid", rc, both, "VALID"},
  };
  for (const auto& c : cases) {
    const Json v = call(wl::verify_receipt_a2, verify_a2_args(c.receipt, c.tree));
    EXPECT_EQ(s_at(v, "reason"), c.reason) << c.name;
  }
  // Another issuer key or registered ciphertext fails the binding.
  EXPECT_EQ(s_at(call(wl::verify_receipt_a2, with(verify_a2_args(rc, both), "pk_iss", pt(gmul(u(9))))), "reason"),
            "issuer binding invalid");
  EXPECT_EQ(s_at(call(wl::verify_receipt_a2,
                      with(verify_a2_args(rc, both), "E_reg", ct(enc(bob().M, pk_iss(), kRReg)))),
                 "reason"),
            "issuer binding invalid");
}

TEST(RecipientReceipts, ReadingErrorsAndUnsafeNonce) {
  const Json minted1 = call(wl::mint_unilateral_a1, mint_a1_args());
  const Json make1 = obj({{"minted", minted1}, {"tree", tree_json({})}, {"k_recv", hx(kK)}, {"M_rec", pt(bob().M)},
                          {"M_iss", pt(issuer().M)}, {"issuer", hx(kIssuerAddr)}, {"chainid", hx(kChain)},
                          {"t_vd", hx(kTvd)}});
  const Json rc = call(wl::make_receipt_a1, make1);
  const Json ver1 = verify_a1_args(rc, tree_json({}));
  struct Case {
    const char* name;
    bool make;
    Json args;
    std::string msg;
  } cases[] = {
      {"t_vd zero", true, with(make1, "t_vd", hx(R)),
       "args: proof nonces must be nonzero and pairwise distinct mod ORDER"},
      {"minted missing", true, without(make1, "minted"), "receipt: missing field"},
      {"minted without cm", true, with(make1, "minted", without(minted1, "cm")), "receipt: missing field"},
      {"opening flavor", true,
       with(make1, "minted", with(minted1, "opening", with(at(minted1, "opening"), "flavor", hx(R)))),
       "unknown flavor"},
      {"tree depth", true, with(make1, "tree", with(tree_json({}), "depth", num(33))), "depth must be in [1, 32]"},
      {"chainid a number", true, with(make1, "chainid", num(31337)), "receipt: expected a string"},
      {"eRec off curve", true, with(make1, "minted", with(minted1, "eRec", ct({{u(1), u(3)}, G}))),
       "G1 point not on curve"},
      {"args not an object", true, str("x"), "receipt: missing field"},
      {"receipt missing", false, without(ver1, "receipt"), "receipt: missing field"},
      {"vd missing", false, with(ver1, "receipt", without(rc, "vd")), "receipt: missing field"},
      {"root missing", false, without(ver1, "identity_root"), "receipt: missing field"},
      {"pk_recv off curve", false, with(ver1, "receipt", with(rc, "pk_recv", pt({u(1), u(3)}))),
       "G1 point not on curve"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.make ? fails(wl::make_receipt_a1, c.args) : fails(wl::verify_receipt_a1, c.args), c.msg) << c.name;
  }
  EXPECT_EQ(outcome(wl::make_receipt_a1("{")).rfind("args: invalid JSON: ", 0), 0u);
}
